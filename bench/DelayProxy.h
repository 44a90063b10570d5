#pragma once
// A server far away, on this machine: a TCP relay on 127.0.0.1 to a
// PostgreSQL server's Unix socket that holds every chunk for a fixed delay
// in each direction. It runs on a thread of its own, so that a busy window
// thread never adds to the delay, nor the relay to the window's stalls.

#include <QString>
#include <QThread>

namespace Bench {

class DelayRelay;

class DelayProxy {
public:
    DelayProxy(QString socketPath, int delayMs);
    ~DelayProxy();
    DelayProxy(const DelayProxy &) = delete;
    DelayProxy &operator=(const DelayProxy &) = delete;

    // The loopback port it listens on.
    quint16 port() const { return m_port; }
    // The server target with its host and port replaced by the relay's.
    QString relayed(const QString &target) const;
    // The server lost: every relayed connection closes at once and new ones
    // are refused.
    void drop();

    // The Unix socket a libpq target ("host=DIR port=N ...") names.
    static QString socketOf(const QString &target);

private:
    QThread m_thread;
    DelayRelay *m_relay = nullptr;
    quint16 m_port = 0;
};

} // namespace Bench
