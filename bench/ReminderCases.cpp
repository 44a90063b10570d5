// The reminders' round and the calendar feed: what `marrowdesk --remind`
// does with the database (the due issues read, what the day's log has not
// told, the notices grouped, the log written) against reading the due
// issues with their one query; and the iCalendar export of every issue
// against the CSV export of every issue.

#include "Cases.h"
#include "Harness.h"

#include "app/DueReminderRun.h"
#include "data/Connection.h"
#include "data/DueReminders.h"
#include "data/ICalendar.h"
#include "data/IssueExchange.h"
#include "data/Recordset.h"

#include <QFile>

namespace Bench {

void reminderCases(const Run &run, int size, const QString &database)
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(database));
    const QDate today = QDate::currentDate();

    const Harness::Pair reminded = Harness::medianPair(
        [&] {
            // Each run is the day's first: nothing told yet.
            QFile::remove(DueReminderRun::logPath());
            return Harness::timedMs([&] {
                const DueReminderRun::Round round = DueReminderRun::prepare(connection, today);
                DueReminderRun::keep(round);
                if (round.notices.isEmpty())
                    qFatal("nothing was due");
            });
        },
        [&] {
            return Harness::timedMs([&] {
                Recordset rs;
                rs.Open(DueReminders::dueQuery(today), connection);
                qsizetype characters = 0;
                for (int row = 0; row < rs.rowCount(); ++row)
                    for (int column = 0; column < rs.fieldCount(); ++column)
                        characters += rs.field(row, column).toTextOrEmpty().size();
                if (characters == 0)
                    qFatal("the floor read nothing");
            });
        },
        run.runs(size));
    Harness::report(QStringLiteral("Reminders of the day (--remind)"), QString::number(size), reminded,
                    size >= 100000 ? 1.5 : 0);
    QFile::remove(DueReminderRun::logPath());

    const QString calendar = run.folder + QStringLiteral("/issues-%1.ics").arg(size);
    const QString csv = run.folder + QStringLiteral("/issues-%1.csv").arg(size);
    const auto intoFile = [](const QString &path, const std::function<void(QIODevice &)> &write) {
        QFile out(path);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(path));
        return Harness::timedMs([&] {
            write(out);
            out.flush();
        });
    };
    const Harness::Pair exported = Harness::medianPair(
        [&] {
            return intoFile(calendar, [&](QIODevice &out) { ICalendar::exportIssues(connection, std::nullopt, out); });
        },
        [&] {
            return intoFile(csv,
                            [&](QIODevice &out) { IssueExchange::exportIssues(connection, std::nullopt, out, true); });
        },
        run.runs(size));
    Harness::report(QStringLiteral("Export every issue to iCalendar"), QString::number(size), exported,
                    size >= 100000 ? 2.0 : 0);
    QFile::remove(calendar);
    QFile::remove(csv);
    connection.Close();
}

} // namespace Bench
