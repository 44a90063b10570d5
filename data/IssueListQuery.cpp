#include "data/IssueListQuery.h"

#include "data/IssueDates.h"
#include "data/Recordset.h"

namespace IssueListQuery {

QString statement(bool withClosed, bool withDates)
{
    // Closed issues too, on request: every issue in one pass over the table,
    // each marked by the rule the two views follow.
    const QString view = withClosed ? QStringLiteral("[Issues With Names]") : QStringLiteral("[Open Issues]");
    if (!withDates)
        return QStringLiteral("select * from ") + view;
    return QStringLiteral("select v.*, d.[Closed Date], d.[Last Changed] from %1 v left join %2 d on d.ItemID = v.ID "
                          "order by v.ID")
        .arg(view, IssueDates::derivedTable());
}

void open(Recordset &rs, Connection &connection, bool withClosed, bool withDates)
{
    rs.Open(statement(withClosed, withDates), connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
}

std::vector<Stored> readStored(Connection &connection, bool withClosed)
{
    Recordset rs;
    rs.Open(withClosed ? QStringLiteral("select ID, Version, case when ID in (select ID from [Closed Issues]) then 1 "
                                        "else 0 end from Issues order by ID")
                       : QStringLiteral("select ID, Version from Issues order by ID"),
            connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
    std::vector<Stored> stored;
    stored.reserve(static_cast<size_t>(rs.rowCount()));
    for (int row = 0; row < rs.rowCount(); ++row)
        stored.push_back(
            {rs.field(row, 0).toInteger(), rs.field(row, 1).toInteger(), withClosed && rs.field(row, 2).toInteger()});
    return stored;
}

} // namespace IssueListQuery
