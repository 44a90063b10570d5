#include "data/ValueListSql.h"

#include "data/SqlText.h"

namespace ValueListSql {

QString table(List list)
{
    switch (list) {
    case List::Status:
        return QStringLiteral("Status");
    case List::Category:
        return QStringLiteral("Categories");
    case List::Priority:
        return QStringLiteral("Priorities");
    }
    return QString();
}

QString column(List list)
{
    switch (list) {
    case List::Status:
        return QStringLiteral("Status");
    case List::Category:
        return QStringLiteral("Category");
    case List::Priority:
        return QStringLiteral("Priority");
    }
    return QString();
}

QString insertStatement(List list, const QString &value)
{
    return QStringLiteral("insert into [") + table(list) + QStringLiteral("] values (") + SqlText::literal(value) +
           QLatin1Char(')');
}

QString deleteStatement(List list, const QString &value)
{
    return QStringLiteral("delete from [") + table(list) + QStringLiteral("] where ") + column(list) +
           QLatin1Char('=') + SqlText::literal(value);
}

QString deleteIssuesStatement(List list, const QString &value)
{
    return QStringLiteral("delete from Issues where ") + column(list) + QLatin1Char('=') + SqlText::literal(value);
}

QString listQuery(List list)
{
    return QStringLiteral("select * from ") + table(list) + QStringLiteral(" order by ") + column(list);
}

} // namespace ValueListSql
