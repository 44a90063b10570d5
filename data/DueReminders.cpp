#include "data/DueReminders.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Recordset.h"

#include <QFile>
#include <QSaveFile>

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
        log.issues.clear();
    }
    // Due or overdue as of the log's day: a clock set back still finds
    // what it told then.
    QSet<qint64> &due = log.issues[databaseTag + QStringLiteral("/due")];
    QSet<qint64> &overdue = log.issues[databaseTag + QStringLiteral("/overdue")];
    QList<DueIssue> fresh;
    for (const DueIssue &issue : issues) {
        QSet<qint64> &told = issue.due < log.day ? overdue : due;
        if (told.contains(issue.id))
            continue;
        told.insert(issue.id);
        fresh.append(issue);
    }
    return fresh;
}

SentLog readLog(const QString &path)
{
    SentLog log;
    QFile file(path);
    // Far more than a day's reminders ever need; anything larger is not ours.
    if (file.size() > qint64(64) * 1024 * 1024 || !file.open(QIODevice::ReadOnly))
        return log;
    const QList<QByteArray> lines = file.readAll().split('\n');
    log.day = QDate::fromString(QString::fromLatin1(lines.first()), Qt::ISODate);
    if (!log.day.isValid())
        return log;
    // One line per group: its key, then its issues' IDs, separated by blanks.
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> words = lines[i].split(' ');
        if (words.size() < 2)
            continue;
        QSet<qint64> &told = log.issues[QString::fromUtf8(words.first())];
        told.reserve(words.size() - 1);
        for (qsizetype w = 1; w < words.size(); ++w)
            told.insert(words[w].toLongLong());
    }
    return log;
}

void writeLog(const SentLog &log, const QString &path)
{
    QByteArray text = log.day.toString(Qt::ISODate).toLatin1() + '\n';
    for (auto group = log.issues.cbegin(); group != log.issues.cend(); ++group) {
        if (group->isEmpty())
            continue;
        text += group.key().toUtf8();
        for (const qint64 id : *group)
            text += ' ' + QByteArray::number(id);
        text += '\n';
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size() || !file.commit())
        throw Error(
            QStringLiteral("What the reminders told could not be kept in \"%1\": %2").arg(path, file.errorString()));
}

} // namespace DueReminders
