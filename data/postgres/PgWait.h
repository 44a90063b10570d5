#pragma once
// Waiting on the server without blocking in libpq: the statement or the
// connection attempt is started by the caller, then driven here on the
// socket in short slices, with the wait hook asked between them
// (ServerWaits), so the window keeps painting and the user can stop it.

#include <QString>

struct pg_conn;
struct pg_result;

namespace PgWait {

// Why a wait ended without an answer.
enum class Outcome { Answered, Stopped, Unanswered };

// Waits for every result of the query sent on connection and returns the
// last one (null when none came), the first failure in preference. A wait
// the user stops cancels the statement on the server (PQcancel, from a
// thread of its own, since the server may not answer that either);
// outcome is then Stopped. A server that stays silent past
// deadlineMilliseconds, or for long after a cancel, is given up:
// outcome Unanswered, and the connection must not be used again.
pg_result *result(pg_conn *connection, const QString &what, qint64 deadlineMilliseconds, Outcome &outcome);

// Drives a connect (PQconnectStartParams) or a reset (PQresetStart, with
// reset true) to its end. Returns whether the connection is up; on a
// timeout of timeoutSeconds, or a wait the user stopped, the connection's
// error says nothing useful, so timedOut or stopped says which it was.
bool connect(pg_conn *connection, bool reset, int timeoutSeconds, const QString &what, bool &timedOut, bool &stopped);

// The connect_timeout the connection runs with (its target's own when it
// names one), or fallbackSeconds when it has none.
int connectTimeoutOf(pg_conn *connection, int fallbackSeconds);

} // namespace PgWait
