#include "data/RecordStore.h"

#include "data/Connection.h"
#include "data/SqlText.h"
#include "data/Trash.h"

namespace RecordStore {

qint64 idOf(const QString &id, const QString &record)
{
    const std::optional<qint64> number = SqlText::idOf(id);
    if (!number)
        throw Error(QStringLiteral("The %1's ID \"%2\" is not a number.").arg(record, id));
    return *number;
}

int write(Connection &connection, const QString &statement)
{
    return connection.Execute(statement);
}

int writeIfUnchanged(Connection &connection, ConcurrentSave::Table table, qint64 id, qint64 loadedVersion,
                     const QString &statement)
{
    try {
        return ConcurrentSave::saveIfUnchanged(connection, table, id, loadedVersion, {statement});
    } catch (const ConcurrentSave::DeletedMeanwhile &) {
        // The window tells a vanished record as an update that changed no row.
        return 0;
    }
}

std::optional<QString> contactName(Connection &connection, qint64 id)
{
    const auto contact = ConcurrentSave::readStored(connection, ConcurrentSave::Table::Contacts, id);
    if (!contact)
        return std::nullopt;
    return contact->value(QStringLiteral("First Name")).toTextOrEmpty() + QLatin1Char(' ') +
           contact->value(QStringLiteral("Last Name")).toTextOrEmpty();
}

StoredIssue readIssue(Connection &connection, qint64 id)
{
    StoredIssue stored;
    stored.row = ConcurrentSave::readStored(connection, ConcurrentSave::Table::Issues, id);
    if (!stored.row)
        stored.deletedBy = Trash::issueDeletedBy(connection, id).value_or(QString());
    return stored;
}

} // namespace RecordStore
