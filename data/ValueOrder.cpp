#include "data/ValueOrder.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

#include <QSet>

namespace ValueOrder {
namespace {

QStringList texts(Connection &connection, const QString &query)
{
    Recordset rows;
    rows.Open(query, connection);
    QStringList values;
    for (int row = 0; row < rows.rowCount(); ++row)
        values << rows.field(row, 0).toTextOrEmpty();
    return values;
}

} // namespace

QStringList ordered(Connection &connection, ValueListSql::List list)
{
    return texts(connection, QStringLiteral("select Value from ValueOrder where List = %1 order by Position, Value")
                                 .arg(SqlText::literal(ValueListSql::table(list))));
}

QStringList arranged(Connection &connection, ValueListSql::List list)
{
    QStringList values;
    QSet<QString> placed;
    const QStringList all = texts(connection, ValueListSql::listQuery(list));
    QSet<QString> present;
    for (const QString &value : all)
        present.insert(value.toCaseFolded());
    // A place kept for a value since deleted is not shown.
    for (const QString &value : ordered(connection, list))
        if (present.contains(value.toCaseFolded())) {
            values << value;
            placed.insert(value.toCaseFolded());
        }
    for (const QString &value : all)
        if (!placed.contains(value.toCaseFolded()))
            values << value;
    return values;
}

void setOrder(Connection &connection, ValueListSql::List list, const QStringList &values)
{
    const QString name = SqlText::literal(ValueListSql::table(list));
    Transaction transaction(connection);
    connection.Execute(QStringLiteral("delete from ValueOrder where List = %1").arg(name));
    for (int position = 0; position < values.size(); ++position)
        connection.Execute(QStringLiteral("insert into ValueOrder (List, Value, Position) values (%1, %2, %3)")
                               .arg(name, SqlText::literal(values[position]))
                               .arg(position + 1));
    transaction.commit();
}

} // namespace ValueOrder
