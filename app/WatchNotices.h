#pragma once
// Desktop notices of colleagues' changes on a team's server: when the
// change listener hears of a change, the history after the last one looked
// at is read on the worker, and what assigned an issue to me or changed an
// issue I watch (data/Watches.h) becomes at most two grouped notices,
// whose default action shows the issue in the window. A burst of changes
// is looked at once, and a look under way is followed by at most one more.
// One's own changes, in any window, never notify.

#include <QObject>
#include <QString>

class QTimer;

namespace platform {
class BackgroundSession;
class DesktopNotifications;
} // namespace platform

class WatchNotices : public QObject {
    Q_OBJECT
public:
    // account: this user's, as the listener names who changed (own changes
    // need no look). Starts from the newest change now.
    WatchNotices(platform::BackgroundSession *reads, platform::DesktopNotifications *notices, QString account,
                 QObject *parent = nullptr);

    // How long a burst of changes is gathered before one look.
    static constexpr int gatherMilliseconds = 500;

    // A change was committed (ChangeListener::changed).
    void changed(const QString &table, const QString &by);
    // Looks now rather than after the burst.
    void lookNow();

signals:
    // A look ended (its notices, if any, are sent).
    void looked();

private:
    platform::BackgroundSession *m_reads;
    platform::DesktopNotifications *m_notices;
    QString m_account;
    QTimer *m_gather;
    qint64 m_after = -1; // the newest change looked at; -1 before the first look
    bool m_looking = false;
    bool m_again = false;
};
