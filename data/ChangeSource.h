#pragma once
// By what a change was made, as the history records it beside who made it:
// the program, marrowdesk-sql, a CSV import, a restore. Each connection
// tells its database (a file's SQL function, a server's session setting);
// a change made where nothing said so is "another program".

#include <QString>

class Connection;

namespace ChangeSource {

inline constexpr const char *program = "the program";
inline constexpr const char *sqlShell = "marrowdesk-sql";
inline constexpr const char *csvImport = "CSV import";
inline constexpr const char *restore = "a restore";
inline constexpr const char *unnamed = "another program";

// What every connection opened later in this process names, until it is
// told otherwise (Connection::setChangeSource). Set once, at start-up.
void setForProcess(const QString &source);
QString forProcess();

// Names the connection's changes source while it lives, then puts back
// what was named before.
class Scope {
public:
    Scope(Connection &connection, const QString &source);
    ~Scope();
    Scope(const Scope &) = delete;
    Scope &operator=(const Scope &) = delete;

private:
    Connection &m_connection;
    QString m_before;
};

} // namespace ChangeSource
