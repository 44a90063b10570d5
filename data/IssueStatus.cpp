#include "data/IssueStatus.h"

#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"

namespace IssueStatus {

std::optional<QString> closingValue(Connection &connection)
{
    Recordset rs;
    for (rs.Open(QStringLiteral("select * from Status order by Status"), connection); !rs.Eof(); rs.MoveNext()) {
        const QString value = rs.Fields(QStringLiteral("Status")).toTextOrEmpty();
        if (value.trimmed().compare(QLatin1String(closedName), Qt::CaseInsensitive) == 0)
            return value;
    }
    return std::nullopt;
}

QString addClosedStatement()
{
    return QStringLiteral("insert into [Status] values ('%1')").arg(QLatin1String(closedName));
}

QString setStatusStatement(const QString &status, const QString &id)
{
    // The ID goes into the statement unquoted, so it must be a plain number.
    bool isNumber = false;
    id.toLongLong(&isNumber);
    if (!isNumber || id.trimmed() != id || id.startsWith(QLatin1Char('+')))
        throw Error(QStringLiteral("The issue's ID \"%1\" is not a number; nothing was changed.").arg(id));
    return QStringLiteral("update Issues set Status=") + SqlText::literal(status) + QStringLiteral(" where ID=") + id;
}

} // namespace IssueStatus
