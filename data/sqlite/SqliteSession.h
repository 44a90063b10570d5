#pragma once
// A database file over SQLite 3: the engine under a Connection whose string
// names a file (data/Session.h).
//
// Open never creates a database: the file must exist and be a Marrowdesk
// database. The engine runs with a rollback journal, synchronous=FULL (a
// commit survives a crash or power loss) and a busy timeout of 5 s, so that
// a brief lock by another process is waited out.

#include "data/PreparedStatement.h"
#include "data/Session.h"
#include "data/sqlite/Engine.h"

#include <memory>

struct sqlite3;
struct sqlite3_stmt;

class SqliteSession : public Session {
public:
    // Opens the file, checks that it is a Marrowdesk database, and upgrades
    // or mends its schema. Throws Error, leaving the file untouched, when it
    // is missing, unreadable or not a Marrowdesk database.
    static std::unique_ptr<SqliteSession> openFile(const QString &path);
    // A new, empty database held in memory, with the program's SQL
    // functions and collation.
    static std::unique_ptr<SqliteSession> openInMemory();
    // Opens a file without the database checks, creating it: for building
    // the template.
    static std::unique_ptr<SqliteSession> create(const QString &path);
    ~SqliteSession() override;
    // Runs a script of many statements as it stands (the schema), stopping
    // at the first that fails; throws Error naming it.
    void runScript(const QByteArray &script);
    SqliteSession(const SqliteSession &) = delete;
    SqliteSession &operator=(const SqliteSession &) = delete;

    // What opening found missing of the schema and made again, as a
    // sentence for the user; empty when nothing was.
    const QString &repairNotice() const { return m_repairNotice; }

    QString translate(const QString &statement) const override;
    int execute(const QString &statement) override;
    void query(const QString &statement, RowSink &rows) override;
    void query(const QString &statement, const QStringList &parameters, RowSink &rows) override;
    int executeWithBytes(const QString &statement, const QStringList &texts, const QByteArray &bytes) override;
    std::optional<QByteArray> readBytes(const QString &statement, const QStringList &parameters) override;
    QString foldedContains(const QString &expression, const QString &needle) const override;
    qint64 lastInsertedId() override;
    void begin(Begin kind) override;
    bool inTransaction() const override;
    void nameDeletes(const QByteArray &command, bool oneGroup) override;
    void nameChanges(const QByteArray &source) override;
    void keepDeleteGroupsAbove(qint64 floor) override;
    qint64 newDeleteGroup() override;
    void forgetDeleteGroup(qint64 group) override;
    int purgeDeleteGroupsBefore(const QDateTime &cutoff) override;
    bool isShared() const override { return false; }
    QString lockedRead(const QString &table, const QString &select) override;
    void setCopying(bool copying) override;
    void continueIdsAbove(const QString &table, qint64 top) override;
    bool isConnected() const override { return true; }
    bool tryReconnect() override { return true; }
    QString displayName() const override { return m_fileName; }
    QString account() const override { return QString(); }
    QString fileName() const override { return m_fileName; }
    void guardSchema() override;

    sqlite3 *handle() const { return m_db; }

private:
    SqliteSession(const QString &fileName);
    void bindTexts(sqlite3_stmt *handle, const QStringList &parameters);

    // A statement kept prepared from one call to the next: a file's chunks
    // go in and out by the hundred, each through the same statement.
    struct Kept {
        QString text;
        std::unique_ptr<PreparedStatement> prepared;
    };
    sqlite3_stmt *kept(Kept &slot, const QString &statement);
    class Rewind;

    sqlite3 *m_db = nullptr;
    QString m_fileName;
    QString m_repairNotice;
    // Read by the trash's SQL functions; lives as long as the handle.
    Engine::DeletingCommand m_deleting;
    // The rule set aside while copying into this file.
    QList<QByteArray> m_rulesAside;
    Kept m_bytesWrite;
    Kept m_bytesRead;
};
