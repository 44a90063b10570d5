#include "data/DeleteCounts.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/PreparedStatement.h"

#include <sqlite3.h>

namespace DeleteCounts {
namespace {

template <typename Bind>
Issues count(Connection &connection, const QString &where, Bind &&bind)
{
    if (!connection.handle())
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    PreparedStatement counted(connection.handle(),
                              QStringLiteral("SELECT (SELECT count(*) FROM Issues WHERE %1), "
                                             "(SELECT count(*) FROM [Closed Issues] WHERE %1)")
                                  .arg(where),
                              connection.fileName());
    bind(counted.handle());
    Issues issues;
    if (counted.step()) {
        issues.total = sqlite3_column_int64(counted.handle(), 0);
        issues.closed = sqlite3_column_int64(counted.handle(), 1);
    }
    return issues;
}

} // namespace

Issues withValue(Connection &connection, const QString &column, const QString &value)
{
    if (column != QLatin1String("Status") && column != QLatin1String("Category") &&
        column != QLatin1String("Priority"))
        throw Error(QStringLiteral("\"%1\" is not a value list's column.").arg(column));
    const QByteArray utf8 = value.toUtf8();
    return count(connection, QStringLiteral("%1 = ?1").arg(column), [&](sqlite3_stmt *s) {
        sqlite3_bind_text(s, 1, utf8.constData(), utf8.size(), SQLITE_TRANSIENT);
    });
}

Issues ofContact(Connection &connection, qint64 contactId)
{
    return count(connection, QStringLiteral("[Assigned To] = ?1 OR [Opened By] = ?1"),
                 [&](sqlite3_stmt *s) { sqlite3_bind_int64(s, 1, contactId); });
}

QString sentence(const QString &name, const QString &verb, Issues issues)
{
    const QString subject = QStringLiteral("\u201c%1\u201d %2 ").arg(name, verb);
    if (issues.total == 0)
        return subject + QStringLiteral("no issue.");
    if (issues.total == 1)
        return subject + (issues.closed ? QStringLiteral("1 issue, which is closed.") : QStringLiteral("1 issue."));
    const QString closed = issues.closed == 0 ? QStringLiteral("none of them closed")
                                              : QStringLiteral("%L1 of them closed").arg(issues.closed);
    return subject + QStringLiteral("%L1 issues, %2.").arg(issues.total).arg(closed);
}

} // namespace DeleteCounts
