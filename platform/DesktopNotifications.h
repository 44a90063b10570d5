#pragma once
// Notices on the desktop through the freedesktop notification service
// (org.freedesktop.Notifications on the session bus).
//
// Nothing here waits for the service: every call is sent asynchronously and
// its answer arrives on the event loop, so a service that never answers
// costs the window nothing (its calls fail after a few seconds). The
// service's capabilities are asked once before the first notice, and a
// body is escaped as markup only for a service that reads markup (a
// title holding "<b>" shows as typed either way). When there is no service,
// or it fails, unavailable() is emitted once and later notices are dropped:
// the caller shows them its own way.

#include <QDBusConnection>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

class QDBusPendingCallWatcher;

namespace platform {

class DesktopNotifications : public QObject {
    Q_OBJECT
public:
    // On the session bus, or on another bus for tests.
    explicit DesktopNotifications(QObject *parent = nullptr);
    explicit DesktopNotifications(const QDBusConnection &bus, QObject *parent = nullptr);
    ~DesktopNotifications() override;

    // Sends one notice; its default action ("Open") emits issueChosen with
    // the issue.
    void notify(const QString &summary, const QString &body, qint64 issue);

    // Whether every notice sent has been answered or dropped.
    bool settled() const { return m_waiting == 0 && m_queue.isEmpty() && !m_askingCapabilities; }
    // Whether the service was found missing or failed.
    bool isUnavailable() const { return m_unavailable; }

    // The body as a service that reads markup is given it.
    static QString escapedBody(const QString &body);

signals:
    void issueChosen(qint64 issue);
    // Once: no service, or it failed; what went wrong, in words.
    void unavailable(const QString &reason);
    // Every notice sent so far is answered (or dropped).
    void allAnswered();

private slots:
    void actionInvoked(uint notification, const QString &action);

private:
    struct Pending {
        QString summary;
        QString body;
        qint64 issue = 0;
    };
    void askCapabilities();
    void send(const Pending &notice);
    void fail(const QString &reason);
    void answered();

    QDBusConnection m_bus;
    bool m_askingCapabilities = false;
    bool m_capabilitiesKnown = false;
    bool m_markup = false;
    bool m_unavailable = false;
    int m_waiting = 0;
    QList<Pending> m_queue;
    QHash<uint, qint64> m_issueOfNotification;
};

} // namespace platform
