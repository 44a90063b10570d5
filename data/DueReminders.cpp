#include "data/DueReminders.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Recordset.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>

namespace DueReminders {
namespace {

// Enough titles for a glance; the rest are counted.
constexpr int titlesShown = 5;

QDate dayOf(const Value &value)
{
    if (const QDate *date = value.date())
        return *date;
    if (const QDateTime *moment = value.dateTime())
        return moment->date();
    return QDate::fromString(value.toTextOrEmpty().left(10), Qt::ISODate);
}

Notice noticeOf(const QList<DueIssue> &issues, bool overdue)
{
    Notice notice;
    const qsizetype count = issues.size();
    if (overdue)
        notice.summary =
            count == 1 ? QStringLiteral("1 issue is overdue") : QStringLiteral("%1 issues are overdue").arg(count);
    else
        notice.summary =
            count == 1 ? QStringLiteral("1 issue is due today") : QStringLiteral("%1 issues are due today").arg(count);
    QStringList lines;
    for (qsizetype i = 0; i < count && i < titlesShown; ++i) {
        const DueIssue &issue = issues[i];
        QString line = QStringLiteral("#%1 %2").arg(issue.id).arg(issue.title);
        if (overdue)
            line += QStringLiteral(" (due %1)").arg(DateText::toText(issue.due));
        lines.append(line);
    }
    if (count > titlesShown)
        lines.append(QStringLiteral("and %1 more").arg(count - titlesShown));
    notice.body = lines.join(QLatin1Char('\n'));
    notice.issues.reserve(count);
    for (const DueIssue &issue : issues)
        notice.issues.append(issue.id);
    return notice;
}

QString keyOf(const QString &databaseTag, const DueIssue &issue, QDate today)
{
    return QStringLiteral("%1/%2/%3").arg(databaseTag).arg(issue.id).arg(issue.due < today ? "overdue" : "due");
}

} // namespace

QString dueQuery(QDate today)
{
    // Before the next day, so that a due date stored with a time of day on
    // this day counts too.
    return QStringLiteral("select ID, Title, [Due Date] from [Open Issues] where [Due Date] < '%1' "
                          "order by [Due Date], ID")
        .arg(today.addDays(1).toString(Qt::ISODate));
}

QList<DueIssue> dueBy(Connection &connection, QDate today)
{
    Recordset rs;
    rs.Open(dueQuery(today), connection);
    QList<DueIssue> issues;
    issues.reserve(rs.rowCount());
    for (int row = 0; row < rs.rowCount(); ++row)
        issues.append({rs.field(row, 0).toInteger(), rs.field(row, 1).toTextOrEmpty(), dayOf(rs.field(row, 2))});
    rs.Close();
    return issues;
}

QList<Notice> notices(const QList<DueIssue> &issues, QDate today)
{
    QList<DueIssue> dueToday, overdue;
    for (const DueIssue &issue : issues)
        (issue.due < today ? overdue : dueToday).append(issue);
    QList<Notice> result;
    if (!dueToday.isEmpty())
        result.append(noticeOf(dueToday, false));
    if (!overdue.isEmpty())
        result.append(noticeOf(overdue, true));
    return result;
}

QList<DueIssue> untold(const QList<DueIssue> &issues, SentLog &log, QDate today, const QString &databaseTag)
{
    if (!log.day.isValid() || today > log.day) {
        log.day = today;
        log.keys.clear();
    }
    QSet<QString> told(log.keys.cbegin(), log.keys.cend());
    QList<DueIssue> fresh;
    for (const DueIssue &issue : issues) {
        const QString key = keyOf(databaseTag, issue, std::max(today, log.day));
        if (told.contains(key))
            continue;
        told.insert(key);
        log.keys.append(key);
        fresh.append(issue);
    }
    return fresh;
}

SentLog readLog(const QString &path)
{
    SentLog log;
    QFile file(path);
    // Far more than a day's reminders ever need; anything larger is not ours.
    if (file.size() > 64 * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return log;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    if (lines.isEmpty())
        return log;
    log.day = QDate::fromString(lines.first(), Qt::ISODate);
    if (log.day.isValid())
        log.keys = lines.mid(1);
    return log;
}

void writeLog(const SentLog &log, const QString &path)
{
    QSaveFile file(path);
    QByteArray text = log.day.toString(Qt::ISODate).toUtf8() + '\n';
    for (const QString &key : log.keys)
        text += key.toUtf8() + '\n';
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(
            QStringLiteral("What the reminders told could not be kept in \"%1\": %2").arg(path, file.errorString()));
}

} // namespace DueReminders
