#include "data/Watches.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Transaction.h"

#include <algorithm>

namespace Watches {
namespace {

// A contact ID as a parameter; no contact has ID -1, so no "me" matches
// nothing.
QString meParameter(qint64 meContact)
{
    return QString::number(meContact > 0 ? meContact : -1);
}

// The issues the person watches, as a condition on an issue ID expression.
QString watchedCondition(const QString &issue)
{
    return QStringLiteral("(%1 IN (SELECT \"ID\" FROM \"Issues\" WHERE \"Assigned To\" = $1 OR \"Opened By\" = $1) "
                          "OR %1 IN (SELECT \"Issue ID\" FROM \"Watches\" WHERE \"Who\" = marrow_changed_by() AND "
                          "\"Watching\" = 1))")
        .arg(issue);
}

qint64 newestOf(Connection &connection, qint64 issue)
{
    Recordset newest;
    newest.Open(QStringLiteral("SELECT coalesce(max(\"Seq\"), 0) FROM \"History\" WHERE \"Item\" = 'Issue' AND "
                               "\"ItemID\" = $1"),
                {QString::number(issue)}, connection);
    return newest.field(0).toInteger();
}

// Sets the person's row of the issue, adding it when missing.
void store(Connection &connection, qint64 issue, const QString &assignments, const QString &watching, qint64 seen)
{
    Transaction transaction(connection);
    if (connection.Execute(QStringLiteral("update Watches set %1 where Who = marrow_changed_by() and [Issue ID] = %2")
                               .arg(assignments)
                               .arg(issue)) == 0)
        connection.Execute(QStringLiteral("insert into Watches (Who, [Issue ID], Watching, SeenSeq) values "
                                          "(marrow_changed_by(), %1, %2, %3)")
                               .arg(issue)
                               .arg(watching)
                               .arg(seen));
    transaction.commit();
}

} // namespace

void watch(Connection &connection, qint64 issue)
{
    const qint64 seen = newestOf(connection, issue);
    store(connection, issue, QStringLiteral("Watching = 1"), QStringLiteral("1"), seen);
}

void unwatch(Connection &connection, qint64 issue)
{
    connection.Execute(
        QStringLiteral("update Watches set Watching = 0 where Who = marrow_changed_by() and [Issue ID] = %1")
            .arg(issue));
}

bool isWatchedByChoice(Connection &connection, qint64 issue)
{
    Recordset found;
    found.Open(QStringLiteral("SELECT 1 FROM \"Watches\" WHERE \"Who\" = marrow_changed_by() AND \"Issue ID\" = $1 "
                              "AND \"Watching\" = 1"),
               {QString::number(issue)}, connection);
    return !found.Eof();
}

bool isWatched(Connection &connection, qint64 issue, qint64 meContact)
{
    Recordset found;
    found.Open(QStringLiteral("SELECT 1 FROM \"Issues\" WHERE \"ID\" = $2 AND ") + watchedCondition("$2"),
               {meParameter(meContact), QString::number(issue)}, connection);
    return !found.Eof();
}

QList<Unseen> unseen(Connection &connection, qint64 meContact)
{
    Recordset rows;
    rows.Open(QStringLiteral("SELECT h.\"ItemID\", count(*), max(h.\"Seq\") FROM \"History\" h "
                             "WHERE h.\"Item\" = 'Issue' AND ") +
                  watchedCondition(QStringLiteral("h.\"ItemID\"")) +
                  QStringLiteral(" AND h.\"Seq\" > coalesce((SELECT w.\"SeenSeq\" FROM \"Watches\" w WHERE w.\"Who\" = "
                                 "marrow_changed_by() AND w.\"Issue ID\" = h.\"ItemID\"), 0) "
                                 "AND coalesce(h.\"ChangedBy\", '') <> coalesce(marrow_changed_by(), '') "
                                 "GROUP BY h.\"ItemID\" ORDER BY h.\"ItemID\""),
              {meParameter(meContact)}, connection);
    QList<Unseen> found;
    for (int row = 0; row < rows.rowCount(); ++row)
        found.append(
            {rows.field(row, 0).toInteger(), int(rows.field(row, 1).toInteger()), rows.field(row, 2).toInteger()});
    return found;
}

void markSeen(Connection &connection, qint64 issue)
{
    const qint64 seen = newestOf(connection, issue);
    store(connection, issue, QStringLiteral("SeenSeq = %1").arg(seen), QStringLiteral("0"), seen);
}

qint64 newestChange(Connection &connection)
{
    Recordset newest;
    newest.Open(QStringLiteral("SELECT coalesce(max(\"Seq\"), 0) FROM \"History\""), {}, connection);
    return newest.field(0).toInteger();
}

QList<News> newsSince(Connection &connection, qint64 after, qint64 upTo, qint64 meContact)
{
    // An issue is assigned to me by a change of its assignee to me, or by
    // its being added with me as the assignee.
    Recordset rows;
    rows.Open(QStringLiteral("SELECT h.\"ItemID\", i.\"Title\", h.\"ChangedBy\", "
                             "CASE WHEN (h.\"Field\" = 'Assigned To' AND CAST(h.\"NewValue\" AS TEXT) = $3) OR "
                             "(h.\"Kind\" = 'added' AND i.\"Assigned To\" = $1) THEN 1 ELSE 0 END "
                             "FROM \"History\" h JOIN \"Issues\" i ON i.\"ID\" = h.\"ItemID\" "
                             "WHERE h.\"Item\" = 'Issue' AND h.\"Seq\" > $2 AND h.\"Seq\" <= $4 "
                             "AND coalesce(h.\"ChangedBy\", '') <> coalesce(marrow_changed_by(), '') AND ") +
                  watchedCondition(QStringLiteral("h.\"ItemID\"")) + QStringLiteral(" ORDER BY h.\"Seq\""),
              {meParameter(meContact), QString::number(after), meParameter(meContact), QString::number(upTo)},
              connection);
    QList<News> news;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const qint64 issue = rows.field(row, 0).toInteger();
        auto same = std::find_if(news.begin(), news.end(), [issue](const News &item) { return item.issue == issue; });
        if (same == news.end()) {
            news.append({issue, rows.field(row, 1).toTextOrEmpty(), {}, false});
            same = news.end() - 1;
        }
        same->by = rows.field(row, 2).toTextOrEmpty();
        same->assignedToMe = same->assignedToMe || rows.field(row, 3).toInteger() != 0;
    }
    return news;
}

QList<DueReminders::Notice> notices(const QList<News> &news)
{
    QList<News> assigned, changed;
    for (const News &item : news)
        (item.assignedToMe ? assigned : changed).append(item);
    const auto noticeOf = [](const QList<News> &items, const QString &one, const QString &many) {
        // As many titles as a notice shows well; the rest are counted.
        constexpr int titlesShown = 5;
        DueReminders::Notice notice;
        const News &first = items.front();
        notice.summary = items.size() == 1 ? one.arg(first.by, first.title) : many.arg(items.size());
        QStringList lines;
        for (int i = 0; i < items.size() && i < titlesShown; ++i)
            lines.append(QStringLiteral("#%1 %2").arg(items[i].issue).arg(items[i].title));
        if (items.size() > titlesShown)
            lines.append(QStringLiteral("and %1 more").arg(items.size() - titlesShown));
        notice.body = lines.join(QLatin1Char('\n'));
        for (const News &item : items)
            notice.issues.append(item.issue);
        return notice;
    };
    QList<DueReminders::Notice> result;
    if (!assigned.isEmpty())
        result.append(noticeOf(assigned, QStringLiteral("%1 assigned you \u201c%2\u201d"),
                               QStringLiteral("%1 issues were assigned to you")));
    if (!changed.isEmpty())
        result.append(noticeOf(changed, QStringLiteral("%1 changed \u201c%2\u201d"),
                               QStringLiteral("%1 watched issues changed")));
    return result;
}

} // namespace Watches
