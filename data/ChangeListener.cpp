#include "data/ChangeListener.h"

#include "data/Connection.h"
#include "data/postgres/PgSession.h"

#include <QSocketNotifier>
#include <QTimer>

#include <libpq-fe.h>

ChangeListener::ChangeListener(const Connection &connection, QObject *parent) : QObject(parent)
{
    if (!connection.server())
        return;
    m_target = connection.server()->target();
    m_retry = new QTimer(this);
    m_retry->setInterval(retryMilliseconds);
    QObject::connect(m_retry, &QTimer::timeout, this, &ChangeListener::retry);
    if (!openSession())
        QTimer::singleShot(0, this, &ChangeListener::lose);
}

ChangeListener::~ChangeListener()
{
    closeSession();
}

const QStringList &ChangeListener::tables()
{
    static const QStringList all = {QStringLiteral("Issues"), QStringLiteral("Contacts"), QStringLiteral("Status"),
                                    QStringLiteral("Categories"), QStringLiteral("Priorities")};
    return all;
}

bool ChangeListener::openSession()
{
    // Tried on the window's thread every second while the server is away:
    // a host that does not answer may hold it up to 3 s, unless the target
    // names its own connect_timeout (the expanded target overrides this one).
    const QByteArray target = m_target.toUtf8();
    const char *keywords[] = {"connect_timeout", "dbname", nullptr};
    const char *values[] = {"3", target.constData(), nullptr};
    pg_conn *connection = PQconnectdbParams(keywords, values, 1);
    if (PQstatus(connection) == CONNECTION_OK) {
        PGresult *result = PQexec(connection, "LISTEN marrowdesk_changes");
        const bool listening = PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
        if (listening && PQsetnonblocking(connection, 1) == 0) {
            m_connection = connection;
            m_notifier = new QSocketNotifier(PQsocket(connection), QSocketNotifier::Read, this);
            QObject::connect(m_notifier, &QSocketNotifier::activated, this, &ChangeListener::readNotifications);
            return true;
        }
    }
    PQfinish(connection);
    return false;
}

void ChangeListener::closeSession()
{
    // The notifier may be the one whose signal is being handled.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
    }
    m_notifier = nullptr;
    PQfinish(m_connection);
    m_connection = nullptr;
}

void ChangeListener::readNotifications()
{
    // A closed socket reads as ready too: the server gone or restarting.
    if (!PQconsumeInput(m_connection) || PQstatus(m_connection) != CONNECTION_OK) {
        lose();
        return;
    }
    QStringList heard;
    while (PGnotify *notify = PQnotifies(m_connection)) {
        heard << QString::fromUtf8(notify->extra);
        PQfreemem(notify);
    }
    // Emitted after the loop: a slot may delete this listener.
    for (const QString &table : heard)
        emit changed(table);
}

void ChangeListener::lose()
{
    closeSession();
    m_retry->start(retryMilliseconds);
    if (m_lost)
        return;
    m_lost = true;
    emit connectionLost();
}

void ChangeListener::retry()
{
    if (!openSession()) {
        // Each attempt at a host that drops packets holds the window up to
        // its connect timeout: the longer the server stays away, the rarer
        // the attempts, up to one every half minute.
        m_retry->start(qMin(m_retry->interval() * 2, longestRetryMilliseconds));
        return;
    }
    m_retry->stop();
    m_lost = false;
    emit reconnected();
    for (const QString &table : tables())
        emit changed(table);
}
