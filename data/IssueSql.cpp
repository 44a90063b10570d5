#include "data/IssueSql.h"

#include "data/SqlText.h"

namespace IssueSql {

using SqlText::literal;

namespace {

QString contactLiteral(std::optional<qint64> id)
{
    return id ? QString::number(*id) : QStringLiteral("Null");
}

} // namespace

QString insertStatement(const Values &issue)
{
    return insertStatement(issue, issue.assignedTo, issue.openedBy);
}

QString insertStatement(const Values &issue, std::optional<qint64> assignedTo, std::optional<qint64> openedBy)
{
    return QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,"
                          "Priority,Comment,[Due Date]) values (") +
           literal(issue.title) + QLatin1Char(',') + contactLiteral(assignedTo) + QLatin1Char(',') +
           contactLiteral(openedBy) + QLatin1Char(',') + literal(issue.openedDate) + QLatin1Char(',') +
           literal(issue.status) + QLatin1Char(',') + literal(issue.category) + QLatin1Char(',') +
           literal(issue.priority) + QLatin1Char(',') + literal(issue.comment) + QLatin1Char(',') +
           literal(issue.dueDate) + QLatin1Char(')');
}

QString updateStatement(const Values &issue, qint64 id)
{
    return QStringLiteral("update Issues set Title=") + literal(issue.title) + QStringLiteral(",[Assigned To]=") +
           QString::number(issue.assignedTo) + QStringLiteral(",[Opened By]=") + QString::number(issue.openedBy) +
           QStringLiteral(",[Opened Date]=") + literal(issue.openedDate) + QStringLiteral(",Status=") +
           literal(issue.status) + QStringLiteral(",Category=") + literal(issue.category) +
           QStringLiteral(",Priority=") + literal(issue.priority) + QStringLiteral(",Comment=") +
           literal(issue.comment) + QStringLiteral(",[Due Date]=") + literal(issue.dueDate) +
           QStringLiteral(" where ID=") + QString::number(id);
}

QString openIssueQuery(qint64 id)
{
    return QStringLiteral("select * from [Open Issues] where ID=") + QString::number(id);
}

QString closedIssueQuery(qint64 id)
{
    return QStringLiteral("select * from [Closed Issues] where ID=") + QString::number(id);
}

} // namespace IssueSql
