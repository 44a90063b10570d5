#pragma once
// Saving or deleting an issue or contact without overwriting unseen what
// another user saved meanwhile, on a database file and on a server alike.
//
// Every row of Issues and Contacts carries a Version that the schema's
// triggers count up on each update, whatever statement made it; no
// statement sets it. An editor keeps the version of the row it loaded
// (readStored) and saves through saveIfUnchanged: in one transaction the
// row is locked (the server's row lock; the file's write lock, taken before
// the row is read), its version compared with the one loaded, and the
// program's own statements run unchanged only when the two agree. When
// they differ, ChangedMeanwhile carries the row as it is stored now, so the
// editor can show what changed and offer to reload it or to keep editing
// (then saving against the newer version). A row deleted meanwhile is a
// DeletedMeanwhile refusal of its own.
//
// Several statements given together (a contact with its issues) are one
// change: all of them, or on any refusal none.

#include "data/Error.h"
#include "data/Value.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

class Connection;

namespace ConcurrentSave {

enum class Table { Issues, Contacts };

// A row as it is stored: every column of the table, Version among them.
struct StoredRow {
    qint64 version = 0;
    QStringList names;
    QList<Value> values;

    // The value of a column, its name in any letter case; null for a column
    // the table lacks.
    Value value(const QString &name) const;
};

// The names of the columns whose values differ between two reads of a row,
// Version left out: what another user changed.
QStringList changedColumns(const StoredRow &before, const StoredRow &after);

// Saved or deleted by someone else since the editor loaded the row.
class ChangedMeanwhile : public Refusal {
public:
    ChangedMeanwhile(QString description, StoredRow current)
        : Refusal(std::move(description)), m_current(std::move(current))
    {
    }
    // The row as the other user left it.
    const StoredRow &current() const { return m_current; }

private:
    StoredRow m_current;
};

class DeletedMeanwhile : public Refusal {
public:
    using Refusal::Refusal;
};

// The row as stored now, or none when there is no row of that ID. Throws
// Error.
std::optional<StoredRow> readStored(Connection &connection, Table table, qint64 id);

// Runs the statements (the program's dialect, unchanged) in one
// transaction when the row's stored version is still expectedVersion, and
// returns the rows the statements changed. Otherwise nothing runs, and
// ChangedMeanwhile (changed) or DeletedMeanwhile (gone) says so. Any other
// failure throws Error or Refusal as Connection::Execute does; nothing of
// the statements is kept then.
int saveIfUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion,
                    const QStringList &statements);

// The same for statements that delete the row (and what goes with it, such
// as a contact's issues); the refusals say that nothing was deleted, so the
// window can ask again with the row as it is now. A row already gone is a
// DeletedMeanwhile.
int deleteIfUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion,
                      const QStringList &statements);

// For a delete the caller runs in steps of its own, inside a Transaction
// it holds: locks the row until that transaction ends, and refuses as
// deleteIfUnchanged does when the row is no longer at expectedVersion.
void lockForDelete(Connection &connection, Table table, qint64 id, qint64 expectedVersion);

} // namespace ConcurrentSave
