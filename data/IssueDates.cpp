#include "data/IssueDates.h"

#include "data/Recordset.h"

#include <QDateTime>

namespace IssueDates {

QString derivedTable()
{
    // Only while the issue is closed by the statuses marked now: unmarking
    // a status opens its issues without an entry of their own.
    return QStringLiteral("(select ItemID, max(ChangedAt) as [Last Changed], "
                          "case when max(case when [Kind] = 'closed' then Seq end) > "
                          "coalesce(max(case when [Kind] = 'reopened' then Seq end), 0) "
                          "and ItemID in (select ID from [Closed Issues]) "
                          "then max(case when [Kind] = 'closed' then ChangedAt end) end as [Closed Date] "
                          "from History where [Item] = 'Issue' group by ItemID)");
}

Value fromStored(const Value &stored)
{
    return stored.isNull() ? stored : Value(QDateTime::fromMSecsSinceEpoch(stored.toInteger()));
}

QHash<qint64, Dates> read(Connection &connection)
{
    Recordset rows;
    rows.Open(QStringLiteral("select ItemID, [Closed Date], [Last Changed] from %1 d").arg(derivedTable()), connection);
    QHash<qint64, Dates> dates;
    dates.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        dates.insert(rows.field(row, 0).toInteger(),
                     Dates{fromStored(rows.field(row, 1)), fromStored(rows.field(row, 2))});
    return dates;
}

QHash<qint64, StoredDates> readStored(Connection &connection)
{
    Recordset rows;
    rows.Open(QStringLiteral("select ItemID, [Closed Date], [Last Changed] from %1 d").arg(derivedTable()), connection);
    const auto stored = [](const Value &value) { return value.isNull() ? noTime : value.toInteger(); };
    QHash<qint64, StoredDates> dates;
    dates.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        dates.insert(rows.field(row, 0).toInteger(),
                     StoredDates{stored(rows.field(row, 1)), stored(rows.field(row, 2))});
    return dates;
}

} // namespace IssueDates
