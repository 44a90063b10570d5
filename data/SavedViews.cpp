#include "data/SavedViews.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

namespace SavedViews {
namespace {

// On a server a view is the login's that saved it; on a file no one's.
QString ownerExpression(Connection &connection)
{
    return connection.isShared() ? QStringLiteral("marrow_changed_by()") : QStringLiteral("Null");
}

// Which views are the user's: on a file every one.
QString mineCondition(Connection &connection)
{
    return connection.isShared() ? QStringLiteral("Owner = marrow_changed_by()") : QStringLiteral("1 = 1");
}

QString checkedName(const QString &name)
{
    const QString trimmed = name.trimmed();
    if (trimmed.isEmpty())
        throw Refusal(QStringLiteral("A view needs a name."));
    return trimmed;
}

std::optional<qint64> ownViewNamed(Connection &connection, const QString &name)
{
    Recordset found;
    found.Open(QStringLiteral("select ID from SavedViews where Name = %1 and %2 order by ID")
                   .arg(SqlText::literal(name), mineCondition(connection)),
               connection);
    if (found.Eof())
        return std::nullopt;
    return found.field(0).toInteger();
}

void changeOwn(Connection &connection, const QString &statement)
{
    if (connection.Execute(statement) == 0)
        throw Refusal(QStringLiteral("This view is another user's or no longer exists; only its owner can change "
                                     "it."));
}

} // namespace

QList<View> list(Connection &connection)
{
    Recordset rows;
    const bool server = connection.isShared();
    rows.Open(QStringLiteral("select ID, Name, Query, SortColumn, SortDescending, Columns, ShowClosed, Shared, Owner, "
                             "%1 as [Mine] from SavedViews %2 order by Name, %3")
                  .arg(server ? QStringLiteral("case when Owner = marrow_changed_by() then 1 else 0 end")
                              : QStringLiteral("1"),
                       server ? QStringLiteral("where Shared <> 0 or Owner is null or Owner = marrow_changed_by()")
                              : QString(),
                       server ? QStringLiteral("[Mine] desc, ID") : QStringLiteral("ID")),
              connection);
    QList<View> views;
    for (int row = 0; row < rows.rowCount(); ++row) {
        View view;
        view.id = rows.field(row, 0).toInteger();
        view.name = rows.field(row, 1).toTextOrEmpty();
        view.query = rows.field(row, 2).toTextOrEmpty();
        view.sortColumn = rows.field(row, 3).toTextOrEmpty();
        view.sortDescending = rows.field(row, 4).toInteger() != 0;
        const QString columns = rows.field(row, 5).toTextOrEmpty();
        if (!columns.isEmpty())
            view.columns = columns.split(QLatin1Char('\n'));
        view.showClosed = rows.field(row, 6).toInteger() != 0;
        view.shared = rows.field(row, 7).toInteger() != 0;
        view.owner = rows.field(row, 8).toTextOrEmpty();
        view.mine = rows.field(row, 9).toInteger() != 0;
        views.append(view);
    }
    return views;
}

qint64 save(Connection &connection, const View &view)
{
    const QString name = checkedName(view.name);
    const QStringList values{SqlText::literal(view.query),
                             SqlText::literal(view.sortColumn),
                             QString::number(view.sortDescending ? 1 : 0),
                             SqlText::literal(view.columns.join(QLatin1Char('\n'))),
                             QString::number(view.showClosed ? 1 : 0),
                             QString::number(view.shared && connection.isShared() ? 1 : 0)};
    Transaction transaction(connection);
    if (const std::optional<qint64> existing = ownViewNamed(connection, name))
        connection.Execute(QStringLiteral("update SavedViews set Name = %1, Query = %2, SortColumn = %3, "
                                          "SortDescending = %4, Columns = %5, ShowClosed = %6, Shared = %7 "
                                          "where ID = %8")
                               .arg(SqlText::literal(name), values[0], values[1], values[2], values[3], values[4],
                                    values[5], QString::number(*existing)));
    else
        connection.Execute(
            QStringLiteral("insert into SavedViews (Name, Query, SortColumn, SortDescending, Columns, "
                           "ShowClosed, Shared, Owner) values (%1, %2, %3)")
                .arg(SqlText::literal(name), values.join(QStringLiteral(", ")), ownerExpression(connection)));
    const qint64 id = ownViewNamed(connection, name).value_or(0);
    transaction.commit();
    return id;
}

void rename(Connection &connection, qint64 id, const QString &name)
{
    const QString newName = checkedName(name);
    Transaction transaction(connection);
    if (const std::optional<qint64> existing = ownViewNamed(connection, newName); existing && *existing != id)
        throw Refusal(QStringLiteral("You already have a view named \"%1\"; choose another name.").arg(newName));
    changeOwn(connection, QStringLiteral("update SavedViews set Name = %1 where ID = %2 and %3")
                              .arg(SqlText::literal(newName))
                              .arg(id)
                              .arg(mineCondition(connection)));
    transaction.commit();
}

void remove(Connection &connection, qint64 id)
{
    changeOwn(connection,
              QStringLiteral("delete from SavedViews where ID = %1 and %2").arg(id).arg(mineCondition(connection)));
}

} // namespace SavedViews
