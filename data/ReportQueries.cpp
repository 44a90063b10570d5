#include "data/ReportQueries.h"

#include "data/Recordset.h"

namespace ReportQueries {

namespace {

const char *statement(Rows rows)
{
    switch (rows) {
    case Rows::OpenByTitle:
        return "select * from [Open Issues] order by Title";
    case Rows::OpenByCategory:
        return "select * from [Open Issues] order by Category";
    case Rows::OpenByStatus:
        return "select * from [Open Issues] order by Status";
    case Rows::OpenByAssignedTo:
        return "select * from [Open Issues] order by [Assigned To Name]";
    case Rows::ClosedByTitle:
        return "select * from [Closed Issues] order by Title";
    }
    return "";
}

} // namespace

QList<IssueHistory::Entry> openIssuesActivity(Connection &connection)
{
    Recordset rows;
    rows.Open(QStringLiteral("select %1 from [History] where [Item] = 'Issue' and [ItemID] in "
                             "(select [ID] from [Open Issues]) order by [ItemID], [Seq] desc")
                  .arg(IssueHistory::entryColumns()),
              connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
    return IssueHistory::entriesOf(rows);
}

void open(Recordset &result, Connection &connection, Rows rows)
{
    result.Open(QLatin1String(statement(rows)), connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
}

} // namespace ReportQueries
