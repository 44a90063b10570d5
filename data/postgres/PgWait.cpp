#include "data/postgres/PgWait.h"

#include "data/ServerWaits.h"

#include <QElapsedTimer>

#include <libpq-fe.h>
#include <poll.h>

#include <cerrno>

#include <thread>

namespace PgWait {
namespace {

// How long a cancelled statement may take to say so before the
// connection is given up.
constexpr qint64 cancelGraceMilliseconds = 2000;

// Waits up to one slice for the socket; false when it failed.
bool awaitSocket(pg_conn *connection, bool forWriting)
{
    pollfd entry{};
    entry.fd = PQsocket(connection);
    if (entry.fd < 0)
        return false;
    entry.events = forWriting ? POLLOUT : POLLIN;
    return poll(&entry, 1, ServerWaits::sliceMilliseconds) >= 0 || errno == EINTR;
}

void cancelOnTheServer(pg_conn *connection)
{
    PGcancel *cancel = PQgetCancel(connection);
    if (!cancel)
        return;
    // PQcancel opens a connection of its own and blocks on it: a server
    // that does not answer must not hold the window with it.
    std::thread([cancel] {
        char why[256];
        PQcancel(cancel, why, sizeof why);
        PQfreeCancel(cancel);
    }).detach();
}

} // namespace

pg_result *result(pg_conn *connection, const QString &what, qint64 deadlineMilliseconds, Outcome &outcome)
{
    ServerWaits::Scope scope;
    QElapsedTimer clock;
    clock.start();
    outcome = Outcome::Answered;
    qint64 cancelledAt = -1;
    pg_result *kept = nullptr;
    for (;;) {
        const int flushed = PQflush(connection);
        if (flushed < 0)
            break;
        // A connection that failed to read has its error result ready.
        if (flushed == 0 && (!PQconsumeInput(connection) || !PQisBusy(connection))) {
            pg_result *next = PQgetResult(connection);
            if (!next)
                break;
            // Keep the first failure; otherwise the last answer.
            const ExecStatusType status = PQresultStatus(next);
            const bool failed = status == PGRES_FATAL_ERROR || status == PGRES_BAD_RESPONSE;
            const bool keptFailed =
                kept && (PQresultStatus(kept) == PGRES_FATAL_ERROR || PQresultStatus(kept) == PGRES_BAD_RESPONSE);
            if (keptFailed && !failed) {
                PQclear(next);
            } else {
                PQclear(kept);
                kept = next;
            }
            continue;
        }
        if (PQstatus(connection) != CONNECTION_OK)
            break;
        const qint64 elapsed = clock.elapsed();
        // A statement answered within a slice never turns the event loop;
        // after a cancel it goes on turning until the answer comes.
        const bool goOn = elapsed < ServerWaits::sliceMilliseconds || scope.proceed(what, elapsed);
        if (cancelledAt < 0 && !goOn) {
            cancelOnTheServer(connection);
            cancelledAt = elapsed;
            outcome = Outcome::Stopped;
        }
        if ((cancelledAt >= 0 && elapsed - cancelledAt > cancelGraceMilliseconds) || elapsed > deadlineMilliseconds) {
            if (cancelledAt < 0)
                outcome = Outcome::Unanswered;
            PQclear(kept);
            return nullptr;
        }
        if (!awaitSocket(connection, flushed == 1))
            break;
    }
    return kept;
}

bool connect(pg_conn *connection, bool reset, int timeoutSeconds, const QString &what, bool &timedOut, bool &stopped)
{
    timedOut = false;
    stopped = false;
    if (!connection || PQstatus(connection) == CONNECTION_BAD)
        return false;
    ServerWaits::Scope scope;
    QElapsedTimer clock;
    clock.start();
    // libpq starts as if its last poll asked to write.
    PostgresPollingStatusType state = PGRES_POLLING_WRITING;
    for (;;) {
        if (state == PGRES_POLLING_OK)
            return true;
        if (state == PGRES_POLLING_FAILED)
            return false;
        const qint64 elapsed = clock.elapsed();
        if (timeoutSeconds > 0 && elapsed >= qint64(timeoutSeconds) * 1000) {
            timedOut = true;
            return false;
        }
        if (elapsed >= ServerWaits::sliceMilliseconds && !scope.proceed(what, elapsed)) {
            stopped = true;
            return false;
        }
        pollfd entry{};
        entry.fd = PQsocket(connection);
        entry.events = state == PGRES_POLLING_WRITING ? POLLOUT : POLLIN;
        const int ready = entry.fd < 0 ? 0 : poll(&entry, 1, ServerWaits::sliceMilliseconds);
        if (ready > 0)
            state = reset ? PQresetPoll(connection) : PQconnectPoll(connection);
    }
}

int connectTimeoutOf(pg_conn *connection, int fallbackSeconds)
{
    int seconds = fallbackSeconds;
    if (PQconninfoOption *options = PQconninfo(connection)) {
        for (PQconninfoOption *option = options; option->keyword; ++option)
            if (qstrcmp(option->keyword, "connect_timeout") == 0 && option->val && *option->val)
                seconds = QByteArray(option->val).toInt();
        PQconninfoFree(options);
    }
    return seconds;
}

} // namespace PgWait
