#pragma once
// The day's due reminders while the window runs: at the morning time of the
// settings (and at start when that time has passed), the issues due today
// or overdue that nothing told yet today become desktop notifications,
// whose default action shows the issue in the window. Without a
// notification service the first round says so once, and the reminders
// show in the window instead.
// The due issues are read on a worker thread with a session of its own.
//
// A timer wakes it at the morning time, and at least once an hour to allow
// for a clock set forward or back; nothing polls in between.

#include "app/DueReminderRun.h"

#include <QDate>
#include <QObject>

class MainWindow;
class QThread;
class QTimer;

namespace platform {
class DesktopNotifications;
}

class MorningReminder : public QObject {
    Q_OBJECT
public:
    explicit MorningReminder(MainWindow &window);
    ~MorningReminder() override;

    // Tells what is due now when reminders are on and the morning time has
    // passed, then sets the timer for the next time.
    void check();

private:
    void tell(const DueReminderRun::Round &round, const QString &failure);
    void schedule();
    void showInWindow(const QString &text);

    MainWindow &m_window;
    platform::DesktopNotifications *m_notifications = nullptr;
    QTimer *m_timer = nullptr;
    QThread *m_worker = nullptr; // the read under way, if any
    QDate m_lastRound;
    bool m_noServiceTold = false;
    // The texts of the notices last sent, to show in the window when the
    // service turns out to be missing.
    QString m_lastSent;
};
