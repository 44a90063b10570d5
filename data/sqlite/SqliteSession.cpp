#include "data/sqlite/SqliteSession.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Hardening.h"
#include "data/JetSql.h"
#include "data/PreparedStatement.h"
#include "data/SchemaObjects.h"
#include "data/SchemaUpgrade.h"
#include "data/Transaction.h"
#include "data/sqlite/SqliteFile.h"

#include <QFileInfo>

#include <sqlite3.h>

#include <algorithm>
#include <vector>

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

bool isDateColumn(const char *declaredType)
{
    return declaredType && QByteArray(declaredType).toUpper().contains("DATE");
}

Value readValue(sqlite3_stmt *statement, int column, bool dateColumn)
{
    switch (sqlite3_column_type(statement, column)) {
    case SQLITE_NULL:
        return Value();
    case SQLITE_INTEGER:
        return Value(static_cast<qint64>(sqlite3_column_int64(statement, column)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(statement, column));
    default:
        break;
    }
    const auto *utf8 = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    QString text = QString::fromUtf8(utf8, sqlite3_column_bytes(statement, column));
    if (dateColumn) {
        if (const auto date = DateText::fromIso(text)) {
            if (const QDate *plain = std::get_if<QDate>(&*date))
                return Value(*plain);
            return Value(std::get<QDateTime>(*date));
        }
    }
    return Value(std::move(text));
}

const char *const trashTables[] = {"TrashIssues", "TrashContacts", "TrashValues"};

} // namespace

SqliteSession::SqliteSession(const QString &fileName) : m_fileName(fileName) {}

SqliteSession::~SqliteSession()
{
    m_bytesWrite.prepared.reset();
    m_bytesRead.prepared.reset();
    sqlite3_close_v2(m_db);
}

std::unique_ptr<SqliteSession> SqliteSession::openFile(const QString &path)
{
    checkFileHeader(path);
    std::unique_ptr<SqliteSession> session(new SqliteSession(path));
    sqlite3 *db = session->m_db = SqliteFile::openRaw(path, false, &session->m_deleting);
    runPragma(db, "PRAGMA synchronous=FULL", path);
    runPragma(db, "PRAGMA recursive_triggers=OFF", path);
    if (queryInteger(db, "PRAGMA application_id", path) != Connection::applicationId)
        throw Error(QStringLiteral("The file \"%1\" is an SQLite database, but not a Marrowdesk database.").arg(path));
    // Rollback journal: the file stays a single file that can be copied.
    runPragma(db, "PRAGMA journal_mode=DELETE", path);
    session->m_repairNotice = SchemaUpgrade::upgrade(*session).notice(path);
    return session;
}

std::unique_ptr<SqliteSession> SqliteSession::openInMemory()
{
    std::unique_ptr<SqliteSession> session(new SqliteSession(QString()));
    session->m_db = SqliteFile::openRaw(QStringLiteral(":memory:"), true, &session->m_deleting);
    return session;
}

std::unique_ptr<SqliteSession> SqliteSession::create(const QString &path)
{
    std::unique_ptr<SqliteSession> session(new SqliteSession(path));
    session->m_db = SqliteFile::openRaw(path, true, &session->m_deleting);
    return session;
}

void SqliteSession::runScript(const QByteArray &script)
{
    char *message = nullptr;
    const int rc = sqlite3_exec(m_db, script.constData(), nullptr, nullptr, &message);
    if (rc != SQLITE_OK) {
        const QString why = message ? QString::fromUtf8(message) : DbErrors::describe(m_db, rc, m_fileName);
        sqlite3_free(message);
        throw Error(QStringLiteral("The schema script failed: %1").arg(why));
    }
}

void SqliteSession::guardSchema()
{
    SchemaObjects::all(); // made now: the engine's callback must not be where it throws
    const int rc = Hardening::guardSchema(m_db);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(m_db, rc, m_fileName));
}

QString SqliteSession::translate(const QString &statement) const
{
    return JetSql::toSqlite(statement);
}

int SqliteSession::execute(const QString &statement)
{
    PreparedStatement prepared(m_db, statement, m_fileName);
    if (!m_deleting.held)
        m_deleting.group = 0;
    prepared.runToEnd();
    return sqlite3_changes(m_db);
}

void SqliteSession::query(const QString &statement, RowSink &rows)
{
    query(statement, QStringList(), rows);
}

namespace {

// $1 is a name to SQLite, numbered by where it first appears: bound by
// name, whatever order the statement names them in.
int placeholder(sqlite3_stmt *handle, qsizetype number)
{
    return sqlite3_bind_parameter_index(handle, QByteArray("$" + QByteArray::number(number)).constData());
}

} // namespace

void SqliteSession::bindTexts(sqlite3_stmt *handle, const QStringList &parameters)
{
    for (qsizetype i = 0; i < parameters.size(); ++i) {
        const int index = placeholder(handle, i + 1);
        const QByteArray text = parameters[i].toUtf8();
        if (index <= 0)
            continue;
        if (const int rc = sqlite3_bind_text(handle, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            rc != SQLITE_OK)
            throw Error(DbErrors::describe(m_db, rc, m_fileName));
    }
}

sqlite3_stmt *SqliteSession::kept(Kept &slot, const QString &statement)
{
    // A statement that failed was finalized (PreparedStatement::fail).
    if (!slot.prepared || !slot.prepared->handle() || slot.text != statement) {
        slot.prepared.reset();
        slot.prepared = std::make_unique<PreparedStatement>(m_db, statement, m_fileName);
        slot.text = statement;
    }
    return slot.prepared->handle();
}

// Leaves a kept statement as if new: no read left open, no bytes bound
// that are the caller's. One that failed is gone already.
class SqliteSession::Rewind {
public:
    explicit Rewind(Kept &slot) : m_slot(slot) {}
    ~Rewind()
    {
        if (sqlite3_stmt *handle = m_slot.prepared ? m_slot.prepared->handle() : nullptr) {
            sqlite3_reset(handle);
            sqlite3_clear_bindings(handle);
        }
    }
    Rewind(const Rewind &) = delete;
    Rewind &operator=(const Rewind &) = delete;

private:
    Kept &m_slot;
};

int SqliteSession::executeWithBytes(const QString &statement, const QStringList &texts, const QByteArray &bytes)
{
    sqlite3_stmt *handle = kept(m_bytesWrite, statement);
    PreparedStatement &prepared = *m_bytesWrite.prepared;
    const Rewind rewind(m_bytesWrite);
    bindTexts(handle, texts);
    // The bytes stay the caller's until the statement has run.
    if (const int index = placeholder(handle, texts.size() + 1); index > 0)
        if (const int rc =
                sqlite3_bind_blob64(handle, index, bytes.constData(), sqlite3_uint64(bytes.size()), SQLITE_STATIC);
            rc != SQLITE_OK)
            throw Error(DbErrors::describe(m_db, rc, m_fileName));
    prepared.runToEnd();
    return sqlite3_changes(m_db);
}

std::optional<QByteArray> SqliteSession::readBytes(const QString &statement, const QStringList &parameters)
{
    sqlite3_stmt *handle = kept(m_bytesRead, statement);
    PreparedStatement &prepared = *m_bytesRead.prepared;
    const Rewind rewind(m_bytesRead);
    bindTexts(handle, parameters);
    if (!prepared.step() || sqlite3_column_type(handle, 0) == SQLITE_NULL)
        return std::nullopt;
    const void *data = sqlite3_column_blob(handle, 0);
    return QByteArray(static_cast<const char *>(data), sqlite3_column_bytes(handle, 0));
}

void SqliteSession::query(const QString &statement, const QStringList &parameters, RowSink &rows)
{
    PreparedStatement prepared(m_db, statement, m_fileName);
    sqlite3_stmt *handle = prepared.handle();
    bindTexts(handle, parameters);
    // The columns are read after the first step: when the schema changed
    // since the prepare (another program redefined a view), SQLite prepares
    // the statement again inside that step, and only then do names, count
    // and declared types match the values it delivers.
    bool row = prepared.step();
    const int columns = sqlite3_column_count(handle);
    QStringList names;
    std::vector<bool> dateColumns(columns);
    for (int c = 0; c < columns; ++c) {
        names.append(QString::fromUtf8(sqlite3_column_name(handle, c)));
        dateColumns[c] = isDateColumn(sqlite3_column_decltype(handle, c));
    }
    rows.columns(names);
    for (; row; row = prepared.step())
        for (int c = 0; c < columns; ++c)
            rows.value(readValue(handle, c, dateColumns[c]));
}

QString SqliteSession::foldedContains(const QString &expression, const QString &needle) const
{
    return QStringLiteral("instr(marrow_folded(coalesce(%1, '')), %2) > 0").arg(expression, needle);
}

qint64 SqliteSession::lastInsertedId()
{
    return sqlite3_last_insert_rowid(m_db);
}

void SqliteSession::begin(Begin kind)
{
    execute(kind == Begin::Exclusive ? QStringLiteral("BEGIN IMMEDIATE") : QStringLiteral("begin"));
}

bool SqliteSession::inTransaction() const
{
    return sqlite3_get_autocommit(m_db) == 0;
}

void SqliteSession::nameDeletes(const QByteArray &command, bool oneGroup)
{
    // The group itself is made when its first row is deleted (Engine).
    m_deleting.name = command;
    m_deleting.group = 0;
    m_deleting.held = oneGroup;
}

void SqliteSession::nameChanges(const QByteArray &source)
{
    m_deleting.changeSource = source;
}

void SqliteSession::keepDeleteGroupsAbove(qint64 floor)
{
    m_deleting.floor = std::max(m_deleting.floor, floor);
}

qint64 SqliteSession::newDeleteGroup()
{
    return DeleteGroups::next(m_deleting.floor);
}

void SqliteSession::forgetDeleteGroup(qint64 group)
{
    for (const char *table : trashTables)
        execute(QStringLiteral("DELETE FROM %1 WHERE DeleteGroup = %2").arg(QLatin1String(table)).arg(group));
}

int SqliteSession::purgeDeleteGroupsBefore(const QDateTime &cutoff)
{
    const qint64 before = cutoff.toMSecsSinceEpoch() * 1000;
    int removed = 0;
    Transaction together(*this);
    for (const char *table : trashTables)
        removed +=
            execute(QStringLiteral("DELETE FROM %1 WHERE DeleteGroup < %2").arg(QLatin1String(table)).arg(before));
    together.commit();
    return removed;
}

QString SqliteSession::lockedRead(const QString &table, const QString &select)
{
    // A file's write lock is taken by a write that changes nothing, before
    // the read, so that no other program can write between the two.
    execute(translate(QStringLiteral("update %1 set Version=Version where 1=0").arg(table)));
    return select;
}

void SqliteSession::setCopying(bool copying)
{
    // The rules' triggers are taken away for the transaction and put back,
    // unchanged, before the commit.
    if (copying) {
        PreparedStatement rules(m_db,
                                QStringLiteral("select name, sql from sqlite_master where type = 'trigger' and name in "
                                               "('IssuesContactsOnInsert', 'NotesOnInsert', 'AttachmentsOnInsert')"),
                                m_fileName);
        QStringList names;
        while (rules.step()) {
            names << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(rules.handle(), 0)));
            m_rulesAside << QByteArray(reinterpret_cast<const char *>(sqlite3_column_text(rules.handle(), 1)));
        }
        for (const QString &name : names)
            execute(QStringLiteral("DROP TRIGGER %1").arg(name));
        return;
    }
    for (const QByteArray &rule : std::exchange(m_rulesAside, {})) {
        char *message = nullptr;
        if (sqlite3_exec(m_db, rule.constData(), nullptr, nullptr, &message) != SQLITE_OK) {
            const QString why = QString::fromUtf8(message);
            sqlite3_free(message);
            throw Error(QStringLiteral("The copy could not put back a rule of the database: %1").arg(why));
        }
    }
}

void SqliteSession::continueIdsAbove(const QString &table, qint64 top)
{
    // A table that never had a row has no counter yet; it gets one.
    execute(translate(
        QStringLiteral("update sqlite_sequence set seq = %2 where name = '%1' and seq < %2").arg(table).arg(top)));
    if (top > 0)
        execute(translate(QStringLiteral("insert into sqlite_sequence (name, seq) select '%1', %2 where not exists "
                                         "(select 1 from sqlite_sequence where name = '%1')")
                              .arg(table)
                              .arg(top)));
}
