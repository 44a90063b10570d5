#include "app/DueReminderRun.h"

#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "data/ICalendar.h"
#include "platform/DesktopNotifications.h"
#include "platform/ReminderSettings.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QTime>
#include <QTimer>

namespace DueReminderRun {

QString logPath()
{
    return DataFile::dataFolder() + QStringLiteral("/reminders-told.txt");
}

Round prepare(Connection &connection, QDate today)
{
    Round round;
    round.log = DueReminders::readLog(logPath());
    const QList<DueReminders::DueIssue> untold = DueReminders::untold(DueReminders::dueBy(connection, today), round.log,
                                                                      today, ICalendar::databaseTag(connection));
    round.notices = DueReminders::notices(untold, today);
    return round;
}

void keep(const Round &round)
{
    for (const QString &folder : {DataFile::companyFolder(), DataFile::dataFolder()})
        if (!QFileInfo::exists(folder))
            DataFile::makeFolder(folder);
    DueReminders::writeLog(round.log, logPath());
}

int remindCommand(QTextStream &out, QTextStream &err)
{
    const QDateTime now = QDateTime::currentDateTime();
    if (now.time() < platform::ReminderSettings::read().morning) {
        out << "It is before the morning time of the reminders; nothing was told.\n";
        return 0;
    }
    const QString target = DataFile::connectionString();
    if (!ConnectionText::namesServer(target) && !QFileInfo::exists(DataFile::databasePath())) {
        err << "marrowdesk: there is no database \"" << DataFile::databasePath() << "\" to remind of.\n";
        return 1;
    }
    Round round;
    try {
        Connection connection;
        connection.Open(target);
        round = prepare(connection, now.date());
    } catch (const Error &error) {
        err << "marrowdesk: " << error.description() << '\n';
        return 1;
    }
    if (round.notices.isEmpty()) {
        out << "Nothing new is due.\n";
        return 0;
    }
    platform::DesktopNotifications notifications;
    QEventLoop answers;
    QObject::connect(&notifications, &platform::DesktopNotifications::allAnswered, &answers, &QEventLoop::quit);
    for (const DueReminders::Notice &notice : round.notices)
        notifications.notify(notice.summary, notice.body, notice.issues.first());
    // The calls give up after a few seconds; this only guards against a bus
    // that drops them without a word.
    QTimer::singleShot(30000, &answers, &QEventLoop::quit);
    if (!notifications.settled())
        answers.exec();
    if (notifications.isUnavailable() || !notifications.settled()) {
        // Not kept as told: the window tells them when it next runs.
        err << "marrowdesk: no desktop notification service answered; Marrowdesk's window shows the reminders "
               "when it runs.\n";
        return 0;
    }
    try {
        keep(round);
    } catch (const Error &error) {
        err << "marrowdesk: " << error.description() << '\n';
        return 1;
    }
    for (const DueReminders::Notice &notice : round.notices)
        out << notice.summary << '\n';
    return 0;
}

} // namespace DueReminderRun
