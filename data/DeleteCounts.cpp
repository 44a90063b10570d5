#include "data/DeleteCounts.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"

namespace DeleteCounts {
namespace {

// In the program's dialect, so that it runs on either engine.
Issues count(Connection &connection, const QString &where)
{
    Recordset counted;
    counted.Open(QStringLiteral("select (select count(*) from Issues where %1) as Total, "
                                "(select count(*) from [Closed Issues] where %1) as Closed")
                     .arg(where),
                 connection);
    Issues issues;
    if (!counted.Eof()) {
        issues.total = counted.field(0).toInteger();
        issues.closed = counted.field(1).toInteger();
    }
    return issues;
}

} // namespace

Issues withValue(Connection &connection, const QString &column, const QString &value)
{
    if (column != QLatin1String("Status") && column != QLatin1String("Category") && column != QLatin1String("Priority"))
        throw Error(QStringLiteral("\"%1\" is not a value list's column.").arg(column));
    return count(connection, QStringLiteral("%1 = %2").arg(column, SqlText::literal(value)));
}

Issues ofContact(Connection &connection, qint64 contactId)
{
    return count(connection, QStringLiteral("[Assigned To] = %1 or [Opened By] = %1").arg(contactId));
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
