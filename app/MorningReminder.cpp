#include "app/MorningReminder.h"

#include "app/DueReminderRun.h"
#include "app/MainWindow.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "platform/DesktopNotifications.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/ReminderSettings.h"

#include <QDateTime>
#include <QThread>
#include <QTimer>

#include <algorithm>

namespace {

constexpr qint64 longestSleepMs = qint64(60) * 60 * 1000;

} // namespace

MorningReminder::MorningReminder(MainWindow &window)
    : QObject(&window), m_window(window), m_notifications(new platform::DesktopNotifications(this)),
      m_timer(new QTimer(this))
{
    m_timer->setSingleShot(true);
    connect(m_timer, &QTimer::timeout, this, &MorningReminder::check);
    connect(m_notifications, &platform::DesktopNotifications::issueChosen, &m_window, &MainWindow::showIssue);
    connect(m_notifications, &platform::DesktopNotifications::unavailable, this, [this] {
        if (!m_lastSent.isEmpty())
            showInWindow(m_lastSent);
    });
}

MorningReminder::~MorningReminder()
{
    // The worker reads through a connection of its own and delivers to this
    // object: it ends before this object does.
    if (m_worker)
        m_worker->wait();
}

void MorningReminder::check()
{
    const platform::ReminderSettings::Settings settings = platform::ReminderSettings::read();
    const QDateTime now = QDateTime::currentDateTime();
    // A clock set back to an earlier day repeats nothing: the log of what
    // was told keeps the later day.
    if (settings.enabled && now.time() >= settings.morning && m_lastRound != now.date() && !m_worker &&
        sharedConnection().State() != 0) {
        m_lastRound = now.date();
        // Thousands of due issues take a while to read: on a worker, with a
        // session of its own, so the window stays free.
        m_worker = QThread::create([this, target = DataFile::connectionString(), today = now.date()] {
            DueReminderRun::Round round;
            QString failure;
            try {
                Connection connection;
                connection.Open(target);
                round = DueReminderRun::prepare(connection, today);
            } catch (const Error &error) {
                failure = error.description();
            }
            QMetaObject::invokeMethod(
                this, [this, round = std::move(round), failure] { tell(round, failure); }, Qt::QueuedConnection);
        });
        connect(m_worker, &QThread::finished, m_worker, &QObject::deleteLater);
        m_worker->start();
    }
    schedule();
}

void MorningReminder::tell(const DueReminderRun::Round &round, const QString &failure)
{
    m_worker = nullptr;
    ErrorBlock step(ErrorBlock::location("Form1", "Reminders"));
    if (!failure.isEmpty()) {
        step(100, [&] { throw Error(failure); });
        return;
    }
    if (round.notices.isEmpty() || !step(102, [&] { DueReminderRun::keep(round); }))
        return;
    QStringList texts;
    for (const DueReminders::Notice &notice : round.notices) {
        texts.append(notice.summary + QStringLiteral(":\r\n") + notice.body);
        if (!m_notifications->isUnavailable())
            m_notifications->notify(notice.summary, notice.body, notice.issues.first());
    }
    m_lastSent = texts.join(QStringLiteral("\r\n\r\n"));
    if (m_notifications->isUnavailable())
        showInWindow(m_lastSent);
}

void MorningReminder::schedule()
{
    const QDateTime now = QDateTime::currentDateTime();
    QDateTime next(now.date(), platform::ReminderSettings::read().morning);
    if (next <= now)
        next = next.addDays(1);
    m_timer->start(static_cast<int>(std::clamp<qint64>(now.msecsTo(next) + 1000, 1000, longestSleepMs)));
}

void MorningReminder::showInWindow(const QString &text)
{
    QString shown = text;
    if (!m_noServiceTold) {
        m_noServiceTold = true;
        shown = QStringLiteral("No desktop notification service answered, so Marrowdesk shows its reminders in "
                               "its window while it runs.\r\n\r\n") +
                text;
    }
    platform::msgBox(shown);
}
