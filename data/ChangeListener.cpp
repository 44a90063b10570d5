#include "data/ChangeListener.h"

#include "data/Connection.h"
#include "data/postgres/PgSession.h"

#include <QElapsedTimer>
#include <QList>
#include <QSocketNotifier>
#include <QTimer>

#include <libpq-fe.h>

#include <utility>

ChangeListener::ChangeListener(const Connection &connection, QObject *parent) : QObject(parent)
{
    m_program = connection.session();
    m_target = m_program ? m_program->notificationTarget() : QString();
    if (m_target.isEmpty())
        return;
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
    pg_conn *connection = connectWithKeepalives(m_target, "3");
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
    QList<std::pair<QString, QString>> heard;
    const int ours = m_program->notificationSender();
    while (PGnotify *notify = PQnotifies(m_connection)) {
        // "Issues ann@desk7"; older databases send the table alone, and
        // then only this program's own session can be told apart.
        const QString payload = QString::fromUtf8(notify->extra);
        const qsizetype blank = payload.indexOf(QLatin1Char(' '));
        QString by = blank < 0 ? QString() : payload.mid(blank + 1);
        if (by.isEmpty() && ours != 0 && notify->be_pid == ours)
            by = m_program->account();
        heard.append({blank < 0 ? payload : payload.left(blank), by});
        PQfreemem(notify);
    }
    // Emitted after the loop: a slot may delete this listener.
    for (const auto &[table, by] : heard)
        emit changed(table, by);
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
    QElapsedTimer attempt;
    attempt.start();
    if (!openSession()) {
        // Each attempt at a host that drops packets holds the window up to
        // its connect timeout: the longer such a server stays away, the
        // rarer the attempts, up to one every half minute. A server that
        // refuses at once (stopped, restarting) costs nothing to ask, and is
        // asked every second, so the list is back as soon as it is.
        const bool quick = attempt.elapsed() < quickAttemptMilliseconds;
        m_retry->start(quick ? retryMilliseconds : qMin(m_retry->interval() * 2, longestRetryMilliseconds));
        return;
    }
    m_retry->stop();
    m_lost = false;
    emit reconnected();
    for (const QString &table : tables())
        emit changed(table, QString());
}
