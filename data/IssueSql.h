#pragma once
// The statements that write and read one issue. Text values stand between
// apostrophes with their apostrophes doubled, contact IDs as plain numbers,
// dates as date text the database reads back (the short date form, or ISO
// 8601); a missing value is written as Null.

#include <QString>

#include <optional>

namespace IssueSql {

// One issue as the editor saves it.
struct Values {
    QString title;
    qint64 assignedTo = 0;
    qint64 openedBy = 0;
    std::optional<QString> openedDate;
    std::optional<QString> status;
    std::optional<QString> category;
    std::optional<QString> priority;
    std::optional<QString> comment;
    std::optional<QString> dueDate;
};

// "insert into Issues (Title,[Assigned To],...,[Due Date]) values ('...',...)"
QString insertStatement(const Values &issue);

// The same insert for an issue whose contacts may be missing, written as
// Null (an imported issue); issue.assignedTo and issue.openedBy are not read.
QString insertStatement(const Values &issue, std::optional<qint64> assignedTo, std::optional<qint64> openedBy);

// "update Issues set Title='...',...,[Due Date]='...' where ID=" followed by id.
QString updateStatement(const Values &issue, qint64 id);

// "select * from [Open Issues] where ID=" followed by id, and the same from
// [Closed Issues]: one issue with its contacts' names, from the view that
// holds it.
QString openIssueQuery(qint64 id);
QString closedIssueQuery(qint64 id);

} // namespace IssueSql
