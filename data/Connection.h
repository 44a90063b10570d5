#pragma once
// The program's one connection to its database: a file, over SQLite 3, or a
// team's database on a PostgreSQL server (data/postgres), through the same
// calls and the same SQL dialect.
//
// Open never creates a database: the file must exist and be a Marrowdesk
// database; a server's database must hold the Marrowdesk tables. The engine runs with a rollback journal, synchronous=FULL (a
// commit survives a crash or power loss) and a busy timeout of 5 s, so that
// a brief lock by another process is waited out. Failures throw Error with a
// description a user can act on.

#include "data/Session.h"

#include <QString>

#include <memory>

struct sqlite3;

class Connection {
public:
    Connection();
    ~Connection();
    Connection(const Connection &) = delete;
    Connection &operator=(const Connection &) = delete;

    // Opens the file named by "data source=" in the connection string (the
    // rest of the string is ignored). Fails when the file is missing,
    // unreadable, or not a Marrowdesk database; the file is left untouched.
    // A connection string that names a server instead (a postgresql:// URI
    // or libpq's key=value form, see ConnectionText::namesServer) connects
    // to it; ~/.pgpass, PGPASSWORD and sslmode work as libpq has them. A
    // build without server support refuses it with a message saying so.
    void Open(const QString &connectionString);

    // What Open found missing of the schema's own indexes, triggers and
    // views and made again, and what upgrading the file found (values now
    // counted as the same), as sentences for the user; empty when nothing
    // was. Told once: the next Open finds the file upgraded and whole.
    QString repairNotice() const { return m_repairNotice; }

    // From now on, refuses statements that would drop, alter or replace the
    // schema's own tables, indexes, triggers and views, or change the file's
    // schema version or application id: for a connection that runs whatever
    // a user types (marrowdesk-sql). A file only; a server's roles guard
    // its schema.
    void guardSchema();

    // Opens a new, empty database held in memory, with the program's SQL
    // functions and collation; used to check that the data layer works.
    void OpenInMemory();

    // Runs exactly one statement of the program's dialect and returns the
    // number of rows it changed. Text holding more than one statement is
    // refused whole, and nothing of it runs.
    int Execute(const QString &statement);

    // The ID of the row the last insert on this connection added (0 when
    // none has); a statement that adds a contact is followed by this to
    // learn the contact's ID.
    qint64 lastInsertedId() const;

    // 0 when closed, 1 when open.
    int State() const;

    // Whether the database can be reached: a file always; a server when its
    // connection is up as far as the last statement learned. After a lost
    // connection the next statement reconnects by itself, once, and is
    // refused with the lost-connection message when the server is still
    // away; a transaction the loss cut short is refused up to its rollback
    // and never carried on (PgSession).
    bool isConnected() const;

    // Connects to the server again now; returns whether the connection is
    // up. A file, or a connection that is up, returns true at once.
    bool tryReconnect();

    // Every row deleted from here to endDeleting goes to one group of the
    // trash, named after the command, so that one undo brings it all back.
    // Outside such a command each statement's deletes are a group of their
    // own, named after the program (setProgramName; "Marrowdesk" unless set).
    void beginDeleting(const QString &command);
    void endDeleting();
    // Numbers every later trash group of this connection above floor (a
    // file's trash clock, data/TrashClock.h).
    void keepDeleteGroupsAbove(qint64 floor);
    void setProgramName(const QString &name);
    // By what this connection's changes are made, as the history records
    // it (data/ChangeSource.h); kept across a reopen. Starts as the
    // process's (ChangeSource::forProcess).
    void setChangeSource(const QString &source);
    QString changeSource() const { return m_changeSource; }

    void Close();

    // The engine under the connection; null when closed.
    Session *session() const { return m_session.get(); }

    // Whether many users share the database at once (Session::isShared).
    bool isShared() const { return m_session && m_session->isShared(); }

    // The open file's path (empty when closed or on a server).
    QString fileName() const;

    // Who this user is as a server records changes and deletes
    // ("ann@desk7"); empty on a file.
    QString account() const;

    // The database as a message names it: the file's path, or the server's
    // database, user and host (never a password).
    QString displayName() const;

    // The file's SQLite handle, for tests and benchmarks that look under the
    // data layer; null when closed or on a server.
    sqlite3 *handle() const;

    // The application id stamped into every Marrowdesk database file.
    static constexpr int applicationId = 0x4D52444B; // "MRDK"

private:
    std::unique_ptr<Session> m_session;
    QString m_repairNotice;
    QByteArray m_programName = "Marrowdesk";
    // Who deletes, kept across a reopen and told to each new session.
    QByteArray m_deletingName = "Marrowdesk";
    bool m_deletingHeld = false;
    qint64 m_deleteFloor = 0;
    QString m_changeSource;
};

// The session for a server target (data/postgres), or, in a build without
// server support, an Error saying so.
std::unique_ptr<Session> openServerSession(const QString &target);

// How a connection string names its database file.
namespace ConnectionText {
// "data source=" and the path. The path stands as it is, unless a ';' in it
// would end the entry early, or a quote or blank at either end would be read
// as part of the syntax: then it stands in double quotes, with each '"'
// inside doubled.
QString dataSource(const QString &path);

// The file a connection string names after "data source=" (the key in any
// letter case): up to the next ';' with blanks trimmed, or the whole quoted
// text when it begins with '"' or '\'', the quote doubled inside. Empty when
// the key is missing.
QString fileName(const QString &connectionString);

// Whether the text names a PostgreSQL server rather than a file: a
// postgresql:// or postgres:// URI, or libpq's key=value form (without a
// "data source=" key).
bool namesServer(const QString &connectionString);
} // namespace ConnectionText

namespace DbErrors {
// The description for a failed engine call: our own wording for what only a
// programmer would understand, with the engine's text after it. The schema's
// own refusals (its triggers and functions) already speak to the user and
// stand as they are.
QString describe(sqlite3 *db, int resultCode, const QString &fileName);

// Whether a failed engine call is a refusal (a rule of the data, the file
// busy, read-only or its disk full) rather than a fault of the program.
bool isRefusal(int resultCode);
} // namespace DbErrors
