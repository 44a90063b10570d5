#include "data/Deletes.h"

#include "data/Connection.h"
#include "data/ContactSql.h"
#include "data/Error.h"

#include <QStringList>

#include <algorithm>

namespace Deletes {

namespace {

// The failure again, of the same kind (a refusal stays one), saying that
// nothing was deleted.
[[noreturn]] void rethrowNothingDeleted(const Error &error)
{
    const QString text = error.description() + QStringLiteral("\r\nNothing was deleted.");
    if (dynamic_cast<const Refusal *>(&error))
        throw Refusal(text);
    throw Error(text);
}

} // namespace

void issue(Connection &connection, qint64 id, const QString &command,
           const std::optional<ConcurrentSave::StoredRow> &seen)
{
    Trash::Deleting deleting(connection, command);
    const QString statement = QStringLiteral("delete from Issues where ID=") + QString::number(id);
    if (!seen) {
        connection.Execute(statement);
        return;
    }
    ConcurrentSave::deleteIfUnchanged(connection, ConcurrentSave::Table::Issues, id, seen->version, {statement});
}

int issues(Connection &connection, const QList<qint64> &ids, const QString &command)
{
    Trash::Deleting deleting(connection, command);
    Transaction transaction(connection);
    // In statements of a bounded length, whatever the number selected.
    constexpr qsizetype perStatement = 500;
    int deleted = 0;
    for (qsizetype from = 0; from < ids.size(); from += perStatement) {
        QStringList some;
        for (qsizetype i = from; i < std::min(ids.size(), from + perStatement); ++i)
            some << QString::number(ids[i]);
        deleted += connection.Execute(QStringLiteral("delete from Issues where ID in (") + some.join(u',') + u')');
    }
    transaction.commit();
    return deleted;
}

Together::Together(Connection &connection, const QString &command)
    : m_connection(connection), m_deleting(connection, command)
{
}

void Together::beginValue(ValueListSql::List list, const QString &value)
{
    begin(ValueListSql::deleteStatement(list, value), ValueListSql::deleteIssuesStatement(list, value), {});
}

void Together::beginContact(qint64 id, std::optional<qint64> seenVersion)
{
    begin(ContactSql::deleteStatement(id), ContactSql::deleteIssuesStatement(id), [&] {
        if (seenVersion)
            ConcurrentSave::lockForDelete(m_connection, ConcurrentSave::Table::Contacts, id, *seenVersion);
    });
}

void Together::begin(const QString &first, const QString &cascade, const std::function<void()> &lock)
{
    m_cascade = cascade;
    try {
        m_transaction.emplace(m_connection);
        if (lock)
            lock();
        m_connection.Execute(first);
    } catch (const ConcurrentSave::ChangedMeanwhile &) {
        m_transaction.reset();
        throw;
    } catch (const Error &error) {
        m_transaction.reset();
        rethrowNothingDeleted(error);
    }
}

void Together::finish()
{
    if (!m_transaction)
        return;
    try {
        m_connection.Execute(m_cascade);
        m_transaction->commit();
    } catch (const Error &error) {
        m_transaction.reset();
        rethrowNothingDeleted(error);
    }
}

} // namespace Deletes
