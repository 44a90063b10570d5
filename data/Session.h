#pragma once
// One engine under a Connection: a database file over SQLite
// (data/sqlite/SqliteSession) or a team's database on a PostgreSQL server
// (data/postgres/PgSession). Whatever differs between the two engines lives
// behind this interface, so that the rest of the data layer asks what a
// database can do, never which engine it is.
//
// Statements reach a session in its own dialect: translate() turns the
// program's dialect into it. Failures throw Error (or Refusal, when the
// user can mend the cause) with a description fit to show a user.

#include "data/Value.h"

#include <QByteArray>
#include <QDateTime>
#include <QString>
#include <QStringList>

#include <optional>

// Receives the rows of a query as the engine reads them: the column names
// once, then every value, row after row, column after column.
class RowSink {
public:
    virtual void columns(const QStringList &names) = 0;
    virtual void value(Value value) = 0;

protected:
    ~RowSink() = default;
};

class Session {
public:
    virtual ~Session() = default;

    // The program's statement in this engine's dialect (JetSql).
    virtual QString translate(const QString &statement) const = 0;

    // Runs exactly one statement of the engine's dialect and returns the
    // number of rows it changed; text holding a second one is refused whole.
    virtual int execute(const QString &statement) = 0;

    // Runs one query of the engine's dialect and hands its rows to rows:
    // integers, reals, text, and dates (a date-time when the time of day is
    // not midnight) where the column holds dates.
    virtual void query(const QString &statement, RowSink &rows) = 0;

    // The same for a query in the dialect both engines share (double-quoted
    // names, no translation) whose placeholders $1, $2 ... take the given
    // texts, each read as the type its place wants: typed text never
    // becomes statement text.
    virtual void query(const QString &statement, const QStringList &parameters, RowSink &rows) = 0;

    // Bytes in and out of that shared dialect, for content no statement
    // should carry as text (an attachment's chunks): runs one statement
    // whose placeholders $1 .. $n take the texts as above and $n+1 the bytes
    // as a binary value, returning the rows it changed; and reads the first
    // column of a query's first row as bytes, none when there is no row or
    // the value is null. A failure of either inside a transaction may end
    // it: the transaction is to be given up.
    virtual int executeWithBytes(const QString &statement, const QStringList &texts, const QByteArray &bytes) = 0;
    virtual std::optional<QByteArray> readBytes(const QString &statement, const QStringList &parameters) = 0;

    // A condition in that shared dialect: the text of `expression` (null
    // as empty) holds the text of the placeholder `needle`, letter case and
    // accents aside; the needle's text is folded by
    // Engine::withoutCaseAndAccents.
    virtual QString foldedContains(const QString &expression, const QString &needle) const = 0;

    // The ID of the issue or contact the last insert of this session added;
    // 0 when none has.
    virtual qint64 lastInsertedId() = 0;

    // How a transaction begins (data/Transaction.h).
    enum class Begin {
        Change,   // a change; the engine takes its locks as it goes
        Snapshot, // reads only, all of them as of one moment
        Exclusive // a change that holds off every other writer from the start
    };
    virtual void begin(Begin kind) = 0;
    // Whether a transaction is open, so that a guard nests a savepoint.
    virtual bool inTransaction() const = 0;

    // The deletes from now on are named command for the trash. oneGroup
    // makes them one group, so that one undo brings all of them back;
    // otherwise each statement's deletes are a group of their own.
    virtual void nameDeletes(const QByteArray &command, bool oneGroup) = 0;
    // By what the changes from now on are made, for the history's triggers
    // (data/ChangeSource.h).
    virtual void nameChanges(const QByteArray &source) = 0;
    // Numbers every later group above floor (a file's trash clock,
    // data/TrashClock.h); a server numbers them by its own clock.
    virtual void keepDeleteGroupsAbove(qint64 floor) = 0;
    // A new group number from the database's clock, in microseconds since
    // 1970: the server's, shared by the team; a file's is this machine's.
    virtual qint64 newDeleteGroup() = 0;
    // Takes one group out of the trash, or every group deleted before
    // cutoff (as old by the database's clock as it is by this machine's);
    // returns the rows taken out. A team's trash is guarded by its owner's
    // functions, which a member may call, and which never purge what the
    // trash still keeps.
    virtual void forgetDeleteGroup(qint64 group) = 0;
    virtual int purgeDeleteGroupsBefore(const QDateTime &cutoff) = 0;

    // Whether many users share the database at once (a team's server): the
    // trash records who deleted each group, a read-then-write locks its rows
    // with the read, and others' changes are announced (notificationTarget).
    virtual bool isShared() const = 0;

    // The read (the program's dialect) of a row about to be changed, made to
    // hold off other writers from the read to the transaction's end.
    virtual QString lockedRead(const QString &table, const QString &select) = 0;

    // A copy of another database into this one may hold issues naming
    // contacts that are not there (older files hold such issues) and notes
    // and attachments of trashed issues, whose time and author are the
    // source's. The rules refusing such rows and stamping notes and
    // attachments are set aside from
    // setCopying(true) to setCopying(false), which puts them back, inside one
    // transaction.
    virtual void setCopying(bool copying) = 0;
    // New IDs of table continue above top.
    virtual void continueIdsAbove(const QString &table, qint64 top) = 0;

    // Where a second session hears the changes others commit (a target for
    // ChangeListener), and the number this session's own news carries;
    // empty and 0 where the engine announces nothing.
    virtual QString notificationTarget() const { return QString(); }
    virtual int notificationSender() const { return 0; }

    // Whether the database can be reached, as far as the last statement
    // learned; tryReconnect connects again now when it cannot.
    virtual bool isConnected() const = 0;
    virtual bool tryReconnect() = 0;

    // The database as a message names it (a file's path; a server's
    // database, user and host, never a password), and who this user is as a
    // shared database records changes ("ann@desk7"; empty on a file).
    virtual QString displayName() const = 0;
    virtual QString account() const = 0;
    // The open file's path; empty on a server.
    virtual QString fileName() const { return QString(); }

    // From now on refuses statements that would change the schema's own
    // objects (marrowdesk-sql). A server's roles guard its schema already.
    virtual void guardSchema() {}
};

namespace DeleteGroups {
// A new group number from this machine's clock: the time in microseconds
// since 1970 (UTC), but above floor, and never the same twice in one
// process.
qint64 next(qint64 floor = 0);
} // namespace DeleteGroups
