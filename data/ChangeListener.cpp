#include "data/ChangeListener.h"

#include "data/Connection.h"
#include "data/ServerWaits.h"
#include "data/postgres/PgSession.h"
#include "data/postgres/PgWait.h"

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
    m_retry->setSingleShot(true);
    m_retry->setInterval(retryMilliseconds);
    QObject::connect(m_retry, &QTimer::timeout, this, &ChangeListener::retry);
    m_deadline = new QTimer(this);
    m_deadline->setSingleShot(true);
    QObject::connect(m_deadline, &QTimer::timeout, this, &ChangeListener::attemptFailed);
    openSession();
}

ChangeListener::~ChangeListener()
{
    if (m_deadline)
        closeSession();
}

const QStringList &ChangeListener::tables()
{
    static const QStringList all = {QStringLiteral("Issues"),     QStringLiteral("Contacts"),
                                    QStringLiteral("Status"),     QStringLiteral("Categories"),
                                    QStringLiteral("Priorities"), QStringLiteral("Notes")};
    return all;
}

void ChangeListener::openSession()
{
    // Started here and driven by the socket (advance), so that an attempt
    // at a host that does not answer never holds the window.
    const QByteArray timeout = QByteArray::number(ServerWaits::limits().connectSeconds);
    m_connection = connectWithKeepalives(m_target, timeout.constData());
    m_attempt.start();
    if (!m_connection || PQstatus(m_connection) == CONNECTION_BAD) {
        // From the event loop, as every other outcome of an attempt.
        QTimer::singleShot(0, this, &ChangeListener::attemptFailed);
        return;
    }
    m_phase = Phase::Connecting;
    m_deadline->start(PgWait::connectTimeoutOf(m_connection, ServerWaits::limits().connectSeconds) * 1000);
    watch(true); // libpq starts as if its last poll asked to write
}

void ChangeListener::watch(bool forWriting)
{
    // The notifier may be the one whose signal is being handled; and the
    // socket may change between polls (another address of the host).
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
    }
    m_notifier =
        new QSocketNotifier(PQsocket(m_connection), forWriting ? QSocketNotifier::Write : QSocketNotifier::Read, this);
    QObject::connect(m_notifier, &QSocketNotifier::activated, this, &ChangeListener::advance);
}

void ChangeListener::advance()
{
    if (m_phase == Phase::Listening) {
        readNotifications();
        return;
    }
    if (m_phase == Phase::Connecting) {
        const PostgresPollingStatusType state = PQconnectPoll(m_connection);
        if (state == PGRES_POLLING_FAILED) {
            attemptFailed();
        } else if (state != PGRES_POLLING_OK) {
            watch(state == PGRES_POLLING_WRITING);
        } else if (PQsetnonblocking(m_connection, 1) != 0 || !PQsendQuery(m_connection, "LISTEN marrowdesk_changes") ||
                   PQflush(m_connection) < 0) {
            attemptFailed();
        } else {
            m_phase = Phase::Subscribing;
            watch(false);
        }
        return;
    }
    // Subscribing: the answer to LISTEN.
    if (!PQconsumeInput(m_connection)) {
        attemptFailed();
        return;
    }
    bool listening = true;
    while (!PQisBusy(m_connection)) {
        PGresult *result = PQgetResult(m_connection);
        if (!result) {
            if (listening)
                subscribed();
            else
                attemptFailed();
            return;
        }
        listening = listening && PQresultStatus(result) == PGRES_COMMAND_OK;
        PQclear(result);
    }
}

void ChangeListener::subscribed()
{
    m_phase = Phase::Listening;
    m_deadline->stop();
    m_retry->stop();
    emit listening();
    if (!m_lost)
        return;
    m_lost = false;
    emit reconnected();
    for (const QString &table : tables())
        emit changed(table, QString());
}

void ChangeListener::attemptFailed()
{
    const bool quick = m_attempt.elapsed() < quickAttemptMilliseconds;
    closeSession();
    if (!m_lost) {
        lose();
        return;
    }
    // An attempt at a host that drops packets waits its whole connect
    // timeout: the longer such a server stays away, the rarer the
    // attempts, up to one every half minute. A server that refuses at once
    // (stopped, restarting) costs nothing to ask, and is asked every
    // second, so the list is back as soon as it is.
    m_retry->start(quick ? retryMilliseconds : qMin(m_retry->interval() * 2, longestRetryMilliseconds));
}

void ChangeListener::closeSession()
{
    // The notifier may be the one whose signal is being handled.
    if (m_notifier) {
        m_notifier->setEnabled(false);
        m_notifier->deleteLater();
    }
    m_notifier = nullptr;
    m_deadline->stop();
    PQfinish(m_connection);
    m_connection = nullptr;
    m_phase = Phase::Closed;
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
    if (!m_connection)
        openSession();
}
