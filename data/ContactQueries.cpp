#include "data/ContactQueries.h"

#include "data/Recordset.h"

#include <QStringList>

namespace ContactQueries {

QHash<qint64, Details> details(Connection &connection, const QList<qint64> &ids)
{
    QHash<qint64, Details> found;
    if (ids.isEmpty())
        return found;
    QStringList numbers;
    for (const qint64 id : ids)
        numbers.append(QString::number(id));
    Recordset rs;
    for (rs.Open(QStringLiteral("select ID,Company,[E-mail Address] from Contacts where ID in (%1)")
                     .arg(numbers.join(QLatin1Char(','))),
                 connection);
         !rs.Eof(); rs.MoveNext())
        found.insert(rs.field(0).toInteger(), Details{rs.field(1).toTextOrEmpty(), rs.field(2).toTextOrEmpty()});
    return found;
}

bool exists(Connection &connection, qint64 id)
{
    Recordset rs;
    rs.Open(QStringLiteral("select ID from Contacts where ID=%1").arg(id), connection);
    return !rs.Eof();
}

} // namespace ContactQueries
