#include "data/Connection.h"

#include "data/sqlite/Engine.h"
#include "data/Error.h"
#include "data/Hardening.h"
#include "data/JetSql.h"
#include "data/PreparedStatement.h"
#include "data/SchemaObjects.h"
#include "data/SchemaUpgrade.h"
#include "data/sqlite/SqliteFile.h"
#include "data/postgres/PgSchema.h"
#include "data/postgres/PgSession.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace {

// Checks the file before SQLite sees it: SQLite would open a zero-byte
// file as an empty database and report other files only at the first
// statement. The texts are those a backup gives for the same file.
void checkFileHeader(const QString &path)
{
    const QString sentence = QStringLiteral("The database file \"%1\" ").arg(path);
    if (const QString kind = SqliteFile::kindProblem(path); !kind.isEmpty())
        throw Error(sentence + kind);
    if (const QString header = SqliteFile::headerProblem(path); !header.isEmpty())
        throw Error(sentence + header +
                    (QFileInfo(path).isReadable()
                         ? QStringLiteral(" Restore it from a backup, or move it away to start with a new one.")
                         : QStringLiteral(" Check its permissions.")));
}

void runPragma(sqlite3 *db, const char *sql, const QString &path)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(db, rc, path));
}

int queryInteger(sqlite3 *db, const char *sql, const QString &path)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    int value = 0;
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW) {
            value = sqlite3_column_int(statement, 0);
            rc = SQLITE_OK;
        }
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(db, rc, path));
    return value;
}

} // namespace

namespace ConnectionText {

QString dataSource(const QString &path)
{
    const auto isQuote = [](QChar c) { return c == QLatin1Char('"') || c == QLatin1Char('\''); };
    const bool plain =
        !path.contains(QLatin1Char(';')) &&
        (path.isEmpty() || (!isQuote(path.front()) && !path.front().isSpace() && !path.back().isSpace()));
    if (plain)
        return QStringLiteral("data source=") + path;
    QString quoted = path;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QStringLiteral("data source=\"") + quoted + QLatin1Char('"');
}

QString fileName(const QString &connectionString)
{
    const QString &text = connectionString;
    const QString key = QStringLiteral("data source=");
    const qsizetype start = text.indexOf(key, 0, Qt::CaseInsensitive);
    if (start < 0)
        return QString();
    qsizetype at = start + key.size();
    while (at < text.size() && text[at].isSpace())
        ++at;
    if (at < text.size() && (text[at] == QLatin1Char('"') || text[at] == QLatin1Char('\''))) {
        const QChar quote = text[at];
        QString value;
        for (++at; at < text.size(); ++at) {
            if (text[at] == quote) {
                if (at + 1 == text.size() || text[at + 1] != quote)
                    break;
                ++at; // a doubled quote stands for one
            }
            value.append(text[at]);
        }
        return value;
    }
    const qsizetype end = text.indexOf(QLatin1Char(';'), at);
    return text.mid(at, end < 0 ? -1 : end - at).trimmed();
}

bool namesServer(const QString &connectionString)
{
    return PgSession::recognises(connectionString);
}

} // namespace ConnectionText

namespace DbErrors {

QString describe(sqlite3 *db, int resultCode, const QString &fileName)
{
    const QString engine = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QString::fromUtf8(sqlite3_errstr(resultCode));
    const QString file = fileName.isEmpty() ? QStringLiteral("the database") : QStringLiteral("\"%1\"").arg(fileName);
    if ((resultCode & 0xFF) == SQLITE_AUTH || engine.startsWith(QLatin1String("not authorized")))
        return QStringLiteral("Marrowdesk refused the statement. %1 (%2)").arg(Hardening::lastRefusal(), engine);
    if (resultCode == SQLITE_CONSTRAINT_TRIGGER || resultCode == SQLITE_CONSTRAINT_FUNCTION)
        return engine;
    switch (resultCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("The database %1 is in use by another program or another copy of Marrowdesk, and it "
                              "stayed locked for too long. Close the other program and try again. (%2)")
            .arg(file, engine);
    case SQLITE_READONLY:
        return QStringLiteral("Marrowdesk cannot save changes: the database %1 or its folder is read-only. Check the "
                              "file's permissions. (%2)")
            .arg(file, engine);
    case SQLITE_FULL:
        return QStringLiteral("The disk holding the database %1 is full; nothing was saved. Free some space and try "
                              "again. (%2)")
            .arg(file, engine);
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("The database %1 is damaged or is not a Marrowdesk database. Restore it from a backup. "
                              "(%2)")
            .arg(file, engine);
    case SQLITE_IOERR:
    case SQLITE_CANTOPEN:
    case SQLITE_PERM:
        return QStringLiteral("The database %1 could not be read or written. Check that the disk is available and "
                              "that you may use the file. (%2)")
            .arg(file, engine);
    case SQLITE_TOOBIG:
        return QStringLiteral("The text is too long to be stored. (%1)").arg(engine);
    case SQLITE_CONSTRAINT:
        return QStringLiteral("The database refused the change because it breaks one of its rules. (%1)").arg(engine);
    default:
        break;
    }
    if (engine.contains(QLatin1String("syntax error")) || engine.startsWith(QLatin1String("unrecognized token")) ||
        engine.startsWith(QLatin1String("incomplete input")))
        return QStringLiteral("The statement could not be understood. (%1)").arg(engine);
    if (engine.startsWith(QLatin1String("no such table")))
        return QStringLiteral("The table or query named in the statement does not exist. (%1)").arg(engine);
    if (engine.startsWith(QLatin1String("no such column")))
        return QStringLiteral("A column named in the statement does not exist. (%1)").arg(engine);
    if (engine.contains(QLatin1String("values were supplied")) || engine.contains(QLatin1String("has no column")))
        return QStringLiteral("The values do not fit the columns of the table. (%1)").arg(engine);
    return engine;
}

bool isRefusal(int resultCode)
{
    switch (resultCode & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
    case SQLITE_READONLY:
    case SQLITE_FULL:
    case SQLITE_CONSTRAINT:
        return true;
    default:
        return false;
    }
}

} // namespace DbErrors

Connection::Connection() = default;

Connection::~Connection()
{
    Close();
}

sqlite3 *Connection::openRaw(const QString &path, bool create, Engine::DeletingCommand *deleting)
{
    sqlite3 *db = nullptr;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr);
    if (rc == SQLITE_OK)
        rc = Engine::registerExtensions(db, deleting);
    if (rc == SQLITE_OK)
        rc = Hardening::apply(db);
    if (rc != SQLITE_OK) {
        const QString description = DbErrors::describe(db, rc, path);
        sqlite3_close(db);
        throw Error(description);
    }
    sqlite3_extended_result_codes(db, 1);
    sqlite3_busy_timeout(db, 5000);
    return db;
}

void Connection::Open(const QString &connectionString)
{
    Close();
    m_repairNotice.clear();
    if (ConnectionText::namesServer(connectionString)) {
        openServer(connectionString);
        return;
    }
    const QString path = ConnectionText::fileName(connectionString);
    if (path.isEmpty())
        throw Error(QStringLiteral("The connection string names no database file (\"data source=\" is missing)."));
    checkFileHeader(path);
    sqlite3 *db = openRaw(path, false, &m_deleting);
    try {
        runPragma(db, "PRAGMA synchronous=FULL", path);
        runPragma(db, "PRAGMA recursive_triggers=OFF", path);
        if (queryInteger(db, "PRAGMA application_id", path) != applicationId)
            throw Error(
                QStringLiteral("The file \"%1\" is an SQLite database, but not a Marrowdesk database.").arg(path));
        // Rollback journal: the file stays a single file that can be copied.
        runPragma(db, "PRAGMA journal_mode=DELETE", path);
        const QStringList madeAgain = SchemaUpgrade::upgrade(db, path);
        if (!madeAgain.isEmpty())
            m_repairNotice = QStringLiteral("The database \"%1\" lacked part of the schema that keeps its rules (%2), "
                                            "removed by another program. Marrowdesk has made it again; no row was "
                                            "changed.")
                                 .arg(path, madeAgain.join(QStringLiteral(", ")));
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    m_db = db;
    m_fileName = path;
}

void Connection::guardSchema()
{
    if (!m_db)
        return;
    SchemaObjects::all(); // made now: the engine's callback must not be where it throws
    const int rc = Hardening::guardSchema(m_db);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(m_db, rc, m_fileName));
}

void Connection::openServer(const QString &target)
{
    auto session = std::make_unique<PgSession>(target);
    PgSchema::check(*session);
    session->setDeleting(m_deleting.name, 0);
    m_server = std::move(session);
}

QString Connection::displayName() const
{
    return m_server ? m_server->displayName() : m_fileName;
}

void Connection::OpenInMemory()
{
    Close();
    m_db = openRaw(QStringLiteral(":memory:"), true, &m_deleting);
}

int Connection::Execute(const QString &statement)
{
    if (m_server)
        return m_server->execute(JetSql::toPostgres(statement));
    if (!m_db)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    PreparedStatement prepared(m_db, JetSql::toSqlite(statement), m_fileName);
    if (!m_deleting.held)
        m_deleting.group = 0;
    prepared.runToEnd();
    return sqlite3_changes(m_db);
}

qint64 Connection::lastInsertedId() const
{
    if (m_server)
        return m_server->lastInsertedId();
    return m_db ? sqlite3_last_insert_rowid(m_db) : 0;
}

void Connection::beginDeleting(const QString &command)
{
    m_deleting.name = command.toUtf8();
    m_deleting.group = 0;
    m_deleting.held = true;
    // The server's triggers cannot wait for the first delete to make the
    // group, as SQLite's do: it is made now.
    if (m_server)
        m_server->setDeleting(m_deleting.name, m_server->newDeleteGroup());
}

void Connection::endDeleting()
{
    m_deleting.name = m_programName;
    m_deleting.group = 0;
    m_deleting.held = false;
    if (m_server)
        m_server->setDeleting(m_deleting.name, 0);
}

void Connection::setProgramName(const QString &name)
{
    m_programName = name.toUtf8();
    if (!m_deleting.held) {
        m_deleting.name = m_programName;
        if (m_server)
            m_server->setDeleting(m_deleting.name, 0);
    }
}

int Connection::State() const
{
    return m_db || m_server ? 1 : 0;
}

bool Connection::isConnected() const
{
    return m_server ? m_server->isConnected() : m_db != nullptr;
}

QString Connection::account() const
{
    return m_server ? m_server->account() : QString();
}

bool Connection::tryReconnect()
{
    return m_server ? m_server->tryReconnect() : m_db != nullptr;
}

void Connection::Close()
{
    m_server.reset();
    if (!m_db)
        return;
    sqlite3_close_v2(m_db);
    m_db = nullptr;
    m_fileName.clear();
}
