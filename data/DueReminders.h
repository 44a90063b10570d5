#pragma once
// The day's reminders of due issues: which open issues are due today or
// overdue (one query), grouped into at most two notices so that a thousand
// issues due at once make one notice, and which of them were told already
// today, so that a second run on the same day tells nothing again.

#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class Connection;

namespace DueReminders {

struct DueIssue {
    qint64 id = 0;
    QString title;
    QDate due;
};

// The query of the open issues due on `today` or before, by due date, then
// ID. A due date with a time of day counts by its day.
QString dueQuery(QDate today);

// Runs that query. Throws Error.
QList<DueIssue> dueBy(Connection &connection, QDate today);

// One notice: a summary line ("3 issues are due today"), a plain-text body
// naming the first few issues, and the issues it is about (the first one is
// the issue its default action opens).
struct Notice {
    QString summary;
    QString body;
    QList<qint64> issues;
};

// The notices for these issues on `today`: one for those due today, one for
// those overdue; none for an empty list.
QList<Notice> notices(const QList<DueIssue> &issues, QDate today);

// What was told on the last day that anything was: the issues, by
// database and by whether they were due or overdue ("TAG/due",
// "TAG/overdue").
struct SentLog {
    QDate day;
    QHash<QString, QSet<qint64>> issues;
};

// The issues not yet told, and the log with them added. A new day starts a
// new log. A clock set back before the log's day keeps the log as it is,
// so that turning the clock back repeats nothing already told.
QList<DueIssue> untold(const QList<DueIssue> &issues, SentLog &log, QDate today, const QString &databaseTag);

// The log kept in a file of its own (it may name thousands of issues, too
// many for the settings file): a missing or unreadable file is an empty
// log. writeLog writes it aside and renames it into place; throws Error.
SentLog readLog(const QString &path);
void writeLog(const SentLog &log, const QString &path);

} // namespace DueReminders
