#pragma once
// The deletes a user asks for in a window, each one group of the trash named
// after its command, so that one undo brings back all it took.

#include "data/ConcurrentSave.h"
#include "data/Transaction.h"
#include "data/Trash.h"
#include "data/ValueListSql.h"

#include <QList>
#include <QString>

#include <functional>
#include <optional>

class Connection;

namespace Deletes {

// Deletes the issue with this ID. With seen, only while the issue is still
// stored at seen's version: otherwise nothing is deleted, and
// ConcurrentSave::ChangedMeanwhile or DeletedMeanwhile says so. Throws Error.
void issue(Connection &connection, qint64 id, const QString &command,
           const std::optional<ConcurrentSave::StoredRow> &seen);

// Deletes the issues with these IDs, all or none, as one group of the trash:
// one undo brings them all back. Returns how many were deleted (an issue
// deleted meanwhile by someone else is not counted). Throws Error.
int issues(Connection &connection, const QList<qint64> &ids, const QString &command);

// A list value or a contact deleted together with every issue that refers
// to it, as one change, in two calls a window runs as two steps: begin*
// deletes the value or contact inside a transaction, finish deletes the
// issues and commits. When either fails nothing is deleted: the transaction
// is rolled back before the Error (or Refusal) leaves, and its text ends
// saying that nothing was deleted.
class Together {
public:
    Together(Connection &connection, const QString &command);

    void beginValue(ValueListSql::List list, const QString &value);
    // With seenVersion, the contact is locked first and the delete refused
    // with ConcurrentSave::ChangedMeanwhile, unchanged and without the
    // added text, when it is no longer stored at that version: nothing is
    // deleted then, and the caller may ask the user again.
    void beginContact(qint64 id, std::optional<qint64> seenVersion);

    // Whether begin* left the delete open for finish.
    bool begun() const { return m_transaction.has_value(); }

    void finish();

private:
    void begin(const QString &first, const QString &cascade, const std::function<void()> &lock);

    Connection &m_connection;
    // Declared before the transaction, so that a rollback happens while the
    // trash still names the command.
    Trash::Deleting m_deleting;
    QString m_cascade;
    std::optional<Transaction> m_transaction;
};

} // namespace Deletes
