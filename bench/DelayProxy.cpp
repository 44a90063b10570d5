#include "DelayProxy.h"

#include <QElapsedTimer>
#include <QLocalSocket>
#include <QRegularExpression>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <deque>
#include <memory>
#include <utility>

namespace Bench {

// One direction of one relayed connection: what arrived, each chunk held
// until its time comes, in order.
class DelayedPipe : public QObject {
public:
    DelayedPipe(QIODevice *to, int delayMs, const QElapsedTimer &clock, QObject *parent)
        : QObject(parent), m_to(to), m_delayMs(delayMs), m_clock(clock)
    {
        m_timer.setSingleShot(true);
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] { release(); });
    }

    void hold(QByteArray chunk)
    {
        if (chunk.isEmpty())
            return;
        m_held.emplace_back(m_clock.elapsed() + m_delayMs, std::move(chunk));
        if (!m_timer.isActive())
            m_timer.start(static_cast<int>(std::max<qint64>(0, m_held.front().first - m_clock.elapsed())));
    }

private:
    void release()
    {
        while (!m_held.empty() && m_held.front().first <= m_clock.elapsed()) {
            m_to->write(m_held.front().second);
            m_held.pop_front();
        }
        if (!m_held.empty())
            m_timer.start(static_cast<int>(std::max<qint64>(0, m_held.front().first - m_clock.elapsed())));
    }

    QIODevice *m_to;
    int m_delayMs;
    const QElapsedTimer &m_clock;
    QTimer m_timer;
    std::deque<std::pair<qint64, QByteArray>> m_held;
};

class DelayRelay : public QObject {
public:
    DelayRelay(QString socketPath, int delayMs) : m_socketPath(std::move(socketPath)), m_delayMs(delayMs)
    {
        m_clock.start();
    }

    quint16 listen()
    {
        m_server = new QTcpServer(this);
        QObject::connect(m_server, &QTcpServer::newConnection, this, [this] { accept(); });
        if (!m_server->listen(QHostAddress::LocalHost, 0))
            qFatal("the delaying proxy cannot listen on the loopback");
        return m_server->serverPort();
    }

    void drop()
    {
        m_server->close();
        // Each relayed connection is a child object holding its two sockets.
        const QObjectList connections = children();
        for (QObject *connection : connections)
            if (connection != m_server)
                delete connection;
    }

private:
    void accept()
    {
        while (QTcpSocket *client = m_server->nextPendingConnection()) {
            auto *connection = new QObject(this);
            client->setParent(connection);
            auto *server = new QLocalSocket(connection);
            auto *up = new DelayedPipe(server, m_delayMs, m_clock, connection);
            auto *down = new DelayedPipe(client, m_delayMs, m_clock, connection);
            QObject::connect(client, &QTcpSocket::readyRead, up, [client, up] { up->hold(client->readAll()); });
            QObject::connect(server, &QLocalSocket::readyRead, down, [server, down] { down->hold(server->readAll()); });
            // Either end closing closes the pair (what was held is lost, as
            // with a connection cut).
            const auto close = [connection] { connection->deleteLater(); };
            QObject::connect(client, &QTcpSocket::disconnected, connection, close);
            QObject::connect(server, &QLocalSocket::disconnected, connection, close);
            server->connectToServer(m_socketPath);
            if (!server->waitForConnected(5000))
                connection->deleteLater();
        }
    }

    QString m_socketPath;
    int m_delayMs;
    QElapsedTimer m_clock;
    QTcpServer *m_server = nullptr;
};

DelayProxy::DelayProxy(QString socketPath, int delayMs)
{
    m_relay = new DelayRelay(std::move(socketPath), delayMs);
    m_relay->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_relay, [this] { return m_relay->listen(); }, Qt::BlockingQueuedConnection, &m_port);
}

DelayProxy::~DelayProxy()
{
    QMetaObject::invokeMethod(
        m_relay, [this] { delete m_relay; }, Qt::BlockingQueuedConnection);
    m_thread.quit();
    m_thread.wait();
}

void DelayProxy::drop()
{
    QMetaObject::invokeMethod(
        m_relay, [this] { m_relay->drop(); }, Qt::BlockingQueuedConnection);
}

QString DelayProxy::relayed(const QString &target) const
{
    QString text = target;
    text.replace(QRegularExpression(QStringLiteral("host=\\S+")), QStringLiteral("host=127.0.0.1"));
    text.replace(QRegularExpression(QStringLiteral("port=\\S+")), QStringLiteral("port=%1").arg(m_port));
    return text;
}

QString DelayProxy::socketOf(const QString &target)
{
    const auto host = QRegularExpression(QStringLiteral("host=(\\S+)")).match(target);
    const auto port = QRegularExpression(QStringLiteral("port=(\\S+)")).match(target);
    return host.captured(1) + QStringLiteral("/.s.PGSQL.") +
           (port.hasMatch() ? port.captured(1) : QStringLiteral("5432"));
}

} // namespace Bench
