#include "data/ConcurrentSave.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Transaction.h"

namespace ConcurrentSave {
namespace {

QString tableName(Table table)
{
    return table == Table::Issues ? QStringLiteral("Issues") : QStringLiteral("Contacts");
}

QString rowWord(Table table, qint64 id)
{
    return QStringLiteral("%1 %2")
        .arg(table == Table::Issues ? QStringLiteral("Issue") : QStringLiteral("Contact"))
        .arg(id);
}

std::optional<StoredRow> read(Connection &connection, const QString &query)
{
    Recordset rs;
    rs.Open(query, connection);
    if (rs.Eof())
        return std::nullopt;
    StoredRow row;
    for (int c = 0; c < rs.fieldCount(); ++c) {
        row.names << rs.fieldName(c);
        row.values << rs.field(c);
    }
    row.version = row.value(QStringLiteral("Version")).toInteger();
    return row;
}

// Locks the row against other writers until the transaction ends, then
// reads it, so that no other program can write between the two (a file's
// write lock is taken before the read): whatever the guard's begin took, the
// lock is this connection's from here.
std::optional<StoredRow> lockAndRead(Connection &connection, Table table, qint64 id)
{
    Session *session = connection.session();
    if (!session)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    return read(connection,
                session->lockedRead(tableName(table),
                                    QStringLiteral("select * from %1 where ID=%2").arg(tableName(table)).arg(id)));
}

void lockUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion, const QString &notDone,
                   const QString &gone)
{
    const std::optional<StoredRow> stored = lockAndRead(connection, table, id);
    if (!stored)
        throw DeletedMeanwhile(
            QStringLiteral("%1 was deleted by someone else after you opened it, so %2.").arg(rowWord(table, id), gone));
    if (stored->version != expectedVersion)
        throw ChangedMeanwhile(QStringLiteral("%1 was changed by someone else after you opened it, so %2. Look at "
                                              "their version first.")
                                   .arg(rowWord(table, id), notDone),
                               *stored);
}

const QString nothingDeleted = QStringLiteral("nothing was deleted");
const QString nothingLeft = QStringLiteral("there is nothing left to delete");

int runIfUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion,
                   const QStringList &statements, const QString &notDone, const QString &gone)
{
    Transaction transaction(connection);
    lockUnchanged(connection, table, id, expectedVersion, notDone, gone);
    int changed = 0;
    for (const QString &statement : statements)
        changed += connection.Execute(statement);
    transaction.commit();
    return changed;
}

} // namespace

Value StoredRow::value(const QString &name) const
{
    for (int c = 0; c < names.size(); ++c)
        if (names[c].compare(name, Qt::CaseInsensitive) == 0)
            return values[c];
    return Value();
}

QStringList changedColumns(const StoredRow &before, const StoredRow &after)
{
    QStringList changed;
    for (int c = 0; c < after.names.size(); ++c)
        if (after.names[c].compare(QLatin1String("Version"), Qt::CaseInsensitive) != 0 &&
            !(before.value(after.names[c]) == after.values[c]))
            changed << after.names[c];
    return changed;
}

std::optional<StoredRow> readStored(Connection &connection, Table table, qint64 id)
{
    return read(connection, QStringLiteral("select * from %1 where ID=%2").arg(tableName(table)).arg(id));
}

int saveIfUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion,
                    const QStringList &statements)
{
    return runIfUnchanged(connection, table, id, expectedVersion, statements,
                          QStringLiteral("your changes were not saved"),
                          QStringLiteral("your changes could not be saved"));
}

int deleteIfUnchanged(Connection &connection, Table table, qint64 id, qint64 expectedVersion,
                      const QStringList &statements)
{
    return runIfUnchanged(connection, table, id, expectedVersion, statements, nothingDeleted, nothingLeft);
}

void lockForDelete(Connection &connection, Table table, qint64 id, qint64 expectedVersion)
{
    lockUnchanged(connection, table, id, expectedVersion, nothingDeleted, nothingLeft);
}

} // namespace ConcurrentSave
