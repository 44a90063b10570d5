#pragma once
// A second session on the database a connection is open on, for reads made
// on a worker thread: a connection serves one thread at a time, and the
// window's own must never wait behind a long read.

#include <QString>

#include <memory>

class Connection;

namespace SessionBeside {

// The text that opens another connection to the same database: the
// server's target (it may hold a password, so it is never shown), or the
// file's data source. Empty when the connection is closed.
QString targetOf(const Connection &connection);

// A new connection opened on that text. Throws Error.
std::unique_ptr<Connection> open(const QString &target);

} // namespace SessionBeside
