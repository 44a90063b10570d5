#include "platform/DesktopNotifications.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QVariantMap>

namespace platform {
namespace {

const QString service = QStringLiteral("org.freedesktop.Notifications");
const QString path = QStringLiteral("/org/freedesktop/Notifications");
const QString interface = QStringLiteral("org.freedesktop.Notifications");

// Long enough for a busy desktop, short enough that a hung service is
// noticed in the same minute.
constexpr int answerLimitMs = 5000;

} // namespace

DesktopNotifications::DesktopNotifications(QObject *parent)
    : DesktopNotifications(QDBusConnection::sessionBus(), parent)
{
}

DesktopNotifications::DesktopNotifications(const QDBusConnection &bus, QObject *parent) : QObject(parent), m_bus(bus)
{
    // Any sender: naming the service would make Qt look up its owner with a
    // call that waits.
    if (m_bus.isConnected())
        m_bus.connect(QString(), path, interface, QStringLiteral("ActionInvoked"), this,
                      SLOT(actionInvoked(uint, QString)));
}

DesktopNotifications::~DesktopNotifications() = default;

QString DesktopNotifications::escapedBody(const QString &body)
{
    return body.toHtmlEscaped();
}

void DesktopNotifications::notify(const QString &summary, const QString &body, qint64 issue)
{
    if (m_unavailable)
        return;
    if (!m_bus.isConnected()) {
        fail(QStringLiteral("There is no session bus (%1).").arg(m_bus.lastError().message()));
        return;
    }
    const Pending notice{summary, body, issue};
    if (!m_capabilitiesKnown) {
        m_queue.append(notice);
        askCapabilities();
        return;
    }
    send(notice);
}

void DesktopNotifications::askCapabilities()
{
    if (m_askingCapabilities)
        return;
    m_askingCapabilities = true;
    const QDBusMessage call =
        QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("GetCapabilities"));
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, answerLimitMs), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        m_askingCapabilities = false;
        const QDBusPendingReply<QStringList> reply = *done;
        if (reply.isError()) {
            fail(reply.error().message());
            return;
        }
        m_capabilitiesKnown = true;
        m_markup = reply.value().contains(QStringLiteral("body-markup"));
        const QList<Pending> queued = std::exchange(m_queue, {});
        for (const Pending &notice : queued)
            send(notice);
        answered();
    });
}

void DesktopNotifications::send(const Pending &notice)
{
    QDBusMessage call = QDBusMessage::createMethodCall(service, path, interface, QStringLiteral("Notify"));
    QVariantMap hints;
    hints.insert(QStringLiteral("desktop-entry"), QStringLiteral("marrowdesk"));
    hints.insert(QStringLiteral("category"), QStringLiteral("x-marrowdesk.reminder"));
    call << QStringLiteral("Marrowdesk") << uint(0) << QStringLiteral("marrowdesk") << notice.summary
         << (m_markup ? escapedBody(notice.body) : notice.body)
         << QStringList{QStringLiteral("default"), QStringLiteral("Open")} << hints << int(-1);
    ++m_waiting;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, answerLimitMs), this);
    const qint64 issue = notice.issue;
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, issue](QDBusPendingCallWatcher *done) {
        done->deleteLater();
        --m_waiting;
        const QDBusPendingReply<uint> reply = *done;
        if (reply.isError())
            fail(reply.error().message());
        else
            m_issueOfNotification.insert(reply.value(), issue);
        answered();
    });
}

void DesktopNotifications::fail(const QString &reason)
{
    m_queue.clear();
    if (!m_unavailable) {
        m_unavailable = true;
        emit unavailable(reason);
    }
    answered();
}

void DesktopNotifications::answered()
{
    if (settled())
        emit allAnswered();
}

void DesktopNotifications::actionInvoked(uint notification, const QString &action)
{
    const auto found = m_issueOfNotification.constFind(notification);
    if (found != m_issueOfNotification.cend() && action == QLatin1String("default"))
        emit issueChosen(*found);
}

} // namespace platform
