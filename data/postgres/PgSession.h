#pragma once
// One session with a PostgreSQL server through libpq: the engine under a
// Connection whose target names a server. It runs statements already in the
// server's dialect (JetSql::toPostgres) and turns the server's refusals into
// Error or Refusal with a description fit for a user.
//
// Like SQLite's side, a statement that fails inside a transaction undoes only
// itself: each one runs under a savepoint there, so the transaction can go
// on or be rolled back by the caller as before.
//
// A lost connection (the server restarted, the network gone) is a Refusal
// saying so. The session then reconnects by itself before its next
// statement, once; when the server is still away, that statement is refused
// as not sent. A session the server ended while it was idle (a restart, a
// shutdown, an idle timeout: the server says so on the socket before it
// closes it) is noticed before the next statement, which then runs on a new
// session instead of failing on the dead one. A transaction the loss cut short is never carried on in a
// new session: every statement of it up to its rollback is refused, its
// commit too, so the caller learns that none of it was saved.

#include "data/Session.h"
#include "data/Value.h"

#include <QByteArray>
#include <QString>

#include <memory>

struct pg_conn;
struct pg_result;

// The rows of one query, held by the server's library until this goes.
class PgResult {
public:
    explicit PgResult(pg_result *result);
    ~PgResult();
    PgResult(PgResult &&) noexcept;
    PgResult(const PgResult &) = delete;
    PgResult &operator=(const PgResult &) = delete;

    int rowCount() const;
    int columnCount() const;
    QString columnName(int column) const;
    // The value as SQLite's side gives it: integers, reals, text, a date, or
    // a date-time when the time of day is not midnight; a boolean is 1 or 0.
    Value value(int row, int column) const;

private:
    pg_result *m_result;
    std::unique_ptr<unsigned int[]> m_types;
};

// Starts a libpq connection to target (PQconnectStartParams) with keepalives,
// which tell a peer that vanished (a host gone, a network cut) within about
// 25 s instead of the system's two hours, and a connect timeout of
// connectTimeout seconds unless the target names its own (the expanded
// target overrides it). The caller drives it to its end on the socket, and
// owns the result, whatever its status, and ends it with PQfinish.
pg_conn *connectWithKeepalives(const QString &target, const char *connectTimeout);

class PgSession : public Session {
public:
    // Connects to the target (a postgresql:// URI or libpq's key=value
    // form; libpq reads ~/.pgpass, PGPASSWORD and sslmode as usual), in
    // UTF-8, with ISO dates and the limits of ServerWaits. Throws Refusal,
    // saying what to check, when the server cannot be reached or refuses
    // the login.
    //
    // Nothing here blocks in libpq: connects, reconnects and statements wait
    // on the socket in slices with the wait hook asked between them
    // (ServerWaits). A wait the user stops is refused with
    // ServerWaits::Stopped, a lock held past the lock limit with
    // ServerWaits::LockTimeout; a server silent well past the statement
    // limit (paused) is given up, and the next statement reconnects.
    explicit PgSession(const QString &target);
    ~PgSession() override;
    PgSession(const PgSession &) = delete;
    PgSession &operator=(const PgSession &) = delete;

    // Whether text names a server rather than a database file: a
    // postgresql:// or postgres:// URI, or key=value pairs libpq accepts.
    static bool recognises(const QString &text);

    // Runs one statement of the server's dialect; returns the rows it changed.
    int execute(const QString &statement) override;
    PgResult query(const QString &statement);
    void query(const QString &statement, RowSink &rows) override;
    void query(const QString &statement, const QStringList &parameters, RowSink &rows) override;
    int executeWithBytes(const QString &statement, const QStringList &texts, const QByteArray &bytes) override;
    std::optional<QByteArray> readBytes(const QString &statement, const QStringList &parameters) override;
    QString foldedContains(const QString &expression, const QString &needle) const override;
    QString translate(const QString &statement) const override;

    // Runs a script of many statements as it stands (the schema); on a
    // failure, rolls back an open transaction and throws.
    void runScript(const QByteArray &script);

    // The ID of the issue or contact the last insert of this session added
    // (0 when none has); the schema's insert triggers record it.
    qint64 lastInsertedId() override;

    // A new trash group from the server's clock, in microseconds since
    // 1970: the team's groups are ordered, and purged after 30 days, by one
    // clock rather than by each machine's own. The local clock while the
    // server is away.
    qint64 newDeleteGroup() override;

    // Names the deletes of this session for the trash; group 0 lets each
    // statement be a group of its own.
    void setDeleting(const QByteArray &command, qint64 group);

    // Who this is, as the trash and the change news record it: the system
    // account and the machine ("ann@desk7").
    QString account() const override { return m_account; }

    // The target as messages name it: database, user and host, no password.
    QString displayName() const override { return m_displayName; }

    // The target as given to the constructor, for a second session on the
    // same database (ChangeListener); it may hold a password.
    const QString &target() const { return m_target; }

    // Whether the session's connection is up, as far as the last call knows.
    bool isConnected() const override;

    // Reads what the server sent since the last statement; false when it
    // ended the session or closed the connection. Cheap: no round trip.
    bool checkAlive();

    // Connects again when the connection is down; returns whether it is up.
    // A transaction cut short stays refused until its rollback (see above).
    bool tryReconnect() override;

    // The rest of the Session interface (PgSessionShared.cpp).
    void begin(Begin kind) override;
    bool inTransaction() const override;
    void nameDeletes(const QByteArray &command, bool oneGroup) override;
    void nameChanges(const QByteArray &source) override;
    void keepDeleteGroupsAbove(qint64) override {}
    void forgetDeleteGroup(qint64 group) override;
    int purgeDeleteGroupsBefore(const QDateTime &cutoff) override;
    bool isShared() const override { return true; }
    QString lockedRead(const QString &table, const QString &select) override;
    void setCopying(bool copying) override;
    void continueIdsAbove(const QString &table, qint64 top) override;
    QString notificationTarget() const override { return m_target; }
    int notificationSender() const override;

    pg_conn *handle() const { return m_connection; }

private:
    // Bytes that travel as they are, never as text: a last parameter, and
    // a result in the binary format.
    struct Binary {
        const QByteArray *parameter;
        bool result;
    };
    pg_result *run(const QString &statement, bool savepoint, const QStringList &parameters = {})
    {
        return run(statement, savepoint, parameters, Binary{nullptr, false});
    }
    pg_result *run(const QString &statement, bool savepoint, const QStringList &parameters, Binary binary);
    pg_result *runOnce(const QString &statement, bool savepoint, const QStringList &parameters, Binary binary);
    // Sends one statement and waits for its answer (null when none came,
    // the connection lost); values null sends a script of many. lengths
    // and formats as PQsendQueryParams takes them (null: all text).
    pg_result *exchange(const char *statement, int parameterCount = 0, const char *const *values = nullptr,
                        const int *lengths = nullptr, const int *formats = nullptr, int resultFormat = 0);
    void setLockTimeout(int milliseconds);
    void restoreLockTimeout();
    // Leaves a connection the server stopped answering on for good; before
    // is the transaction status (PGTransactionStatusType) the statement met.
    void abandon(int before);
    void prepareSession();
    void applyDeleting();
    void reconnectBefore(const QString &statement);
    static void noticeReceived(void *session, const pg_result *notice);

    pg_conn *m_connection = nullptr;
    QString m_target;
    QString m_displayName;
    QString m_account;
    QByteArray m_deletingCommand;
    QByteArray m_changeSource = "another program";
    qint64 m_deleteGroup = 0;
    bool m_lostInTransaction = false;
    // Set when the server announced the end of this session (a FATAL error
    // or an administrator's shutdown), which libpq passes on as a notice
    // only; cleared by a reconnect.
    // Also set when the server stopped answering (abandon).
    bool m_endedByServer = false;
    // A statement or reconnect waits on this connection.
    bool m_waiting = false;
    QString m_resetFailure;
    void (*m_forwardNotice)(void *, const pg_result *) = nullptr;
};
