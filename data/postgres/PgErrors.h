#pragma once
// The server's failures in the program's words, as DbErrors does for SQLite:
// a refusal (a rule of the data, a conflict with another user, the server
// gone or full) is the user's to act on; anything else is a fault.

#include <QByteArray>
#include <QString>

struct pg_conn;
struct pg_result;

namespace PgErrors {

// The description for a failed call; result may be null (no answer came).
QString describe(pg_conn *connection, const pg_result *result, const QString &target);

// Whether the SQLSTATE (five characters; empty when no answer came, as
// when the connection is lost) is a refusal rather than a program fault.
bool isRefusal(const QByteArray &sqlState);

// Why a connection could not be made, from libpq's message, in words that
// say what to check: the server running, the host's name, the password in
// ~/.pgpass, the database's name, the root certificate.
QString describeConnectFailure(const QString &libpqMessage, const QString &user, const QString &database);

// Throws Refusal or Error for the failed call; ServerWaits::LockTimeout for
// a lock held past the lock limit.
[[noreturn]] void raise(pg_conn *connection, const pg_result *result, const QString &target);

} // namespace PgErrors
