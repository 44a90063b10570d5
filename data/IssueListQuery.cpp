#include "data/IssueListQuery.h"

#include "data/Recordset.h"

namespace IssueListQuery {

QString statement(bool withClosed)
{
    // Closed issues too, on request: every issue in one pass over the table,
    // each marked by the rule the two views follow.
    return withClosed ? QStringLiteral("select * from [Issues With Names]")
                      : QStringLiteral("select * from [Open Issues]");
}

void open(Recordset &rs, Connection &connection, bool withClosed)
{
    rs.Open(statement(withClosed), connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
}

} // namespace IssueListQuery
