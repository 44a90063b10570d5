#include "data/ContactSql.h"

#include "data/SqlText.h"

namespace ContactSql {
namespace {

// The box (0-based: the first name is 0) each column is written from, in the column
// order both statements use. Caption order and column order differ: the
// e-mail address comes third.
constexpr int columnOrder[boxCount] = {0, 1, 13, 3, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 14, 15};

QString quoted(const QStringList &boxes, int box)
{
    return SqlText::doubled(boxes.value(box));
}

} // namespace

QString insertStatement(const QStringList &boxes)
{
    QString sql = QStringLiteral(
        "insert into Contacts ([First Name],[Last Name],[E-mail Address],Company,[Job Title],[Business Phone],"
        "[Home Phone],[Mobile Phone],[Fax Number],Address,City,State,ZIP,Country,[Web Page],Notes) values ('");
    for (int i = 0; i < boxCount; ++i) {
        if (i > 0)
            sql += QStringLiteral("','");
        sql += quoted(boxes, columnOrder[i]);
    }
    sql += QStringLiteral("')");
    return sql;
}

QString updateStatement(const QList<std::optional<QString>> &boxes, qint64 id)
{
    // The piece that opens each column's value, in column order.
    static const char *const pieces[boxCount] = {"update Contacts set [First Name]=",
                                                 ",[Last Name]=",
                                                 ",[E-mail Address]=",
                                                 ",Company=",
                                                 ",[Job Title]=",
                                                 ",[Business Phone]=",
                                                 ",[Home Phone]=",
                                                 ",[Mobile Phone]=",
                                                 ",[Fax Number]=",
                                                 ",Address=",
                                                 ",City=",
                                                 ",State=",
                                                 ",ZIP=",
                                                 ",Country=",
                                                 ",[Web Page]=",
                                                 ",Notes="};
    QString sql;
    for (int i = 0; i < boxCount; ++i)
        sql += QLatin1String(pieces[i]) + SqlText::literal(boxes.value(columnOrder[i], QString()));
    sql += QStringLiteral(" where ID=") + QString::number(id);
    return sql;
}

QString contactQuery(qint64 id)
{
    return QStringLiteral("select * from Contacts where ID=") + QString::number(id);
}

QString namesQuery()
{
    return QStringLiteral("select ID,[First Name]+' '+[Last Name] as ContactName from Contacts order by "
                          "[First Name]+' '+[Last Name]");
}

QString openIssuesQuery(const QString &contactColumn, qint64 id)
{
    return QStringLiteral("select * from [Open Issues] where [%1]=").arg(contactColumn) + QString::number(id);
}

QString deleteStatement(qint64 id)
{
    return QStringLiteral("delete from Contacts where ID=") + QString::number(id);
}

QString deleteIssuesStatement(qint64 id)
{
    const QString number = QString::number(id);
    return QStringLiteral("delete from Issues where [Assigned To]=") + number + QStringLiteral(" Or [Opened By] = ") +
           number;
}

} // namespace ContactSql
