#include "data/Connection.h"

#include "data/ChangeSource.h"
#include "data/Error.h"
#include "data/Hardening.h"
#include "data/sqlite/SqliteSession.h"

#include <sqlite3.h>

#include <algorithm>

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

Connection::Connection() : m_changeSource(ChangeSource::forProcess()) {}

Connection::~Connection()
{
    Close();
}

void Connection::Open(const QString &connectionString)
{
    Close();
    m_repairNotice.clear();
    if (ConnectionText::namesServer(connectionString)) {
        m_session = openServerSession(connectionString);
    } else {
        const QString path = ConnectionText::fileName(connectionString);
        if (path.isEmpty())
            throw Error(QStringLiteral("The connection string names no database file (\"data source=\" is missing)."));
        auto file = SqliteSession::openFile(path);
        m_repairNotice = file->repairNotice();
        m_session = std::move(file);
    }
    m_session->keepDeleteGroupsAbove(m_deleteFloor);
    m_session->nameDeletes(m_deletingName, m_deletingHeld);
    m_session->nameChanges(m_changeSource.toUtf8());
}

void Connection::guardSchema()
{
    if (m_session)
        m_session->guardSchema();
}

QString Connection::displayName() const
{
    return m_session ? m_session->displayName() : QString();
}

QString Connection::fileName() const
{
    return m_session ? m_session->fileName() : QString();
}

void Connection::OpenInMemory()
{
    Close();
    m_session = SqliteSession::openInMemory();
    m_session->keepDeleteGroupsAbove(m_deleteFloor);
    m_session->nameDeletes(m_deletingName, m_deletingHeld);
    m_session->nameChanges(m_changeSource.toUtf8());
}

int Connection::Execute(const QString &statement)
{
    if (!m_session)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    return m_session->execute(m_session->translate(statement));
}

qint64 Connection::lastInsertedId() const
{
    return m_session ? m_session->lastInsertedId() : 0;
}

void Connection::beginDeleting(const QString &command)
{
    m_deletingName = command.toUtf8();
    m_deletingHeld = true;
    if (m_session)
        m_session->nameDeletes(m_deletingName, true);
}

void Connection::endDeleting()
{
    m_deletingName = m_programName;
    m_deletingHeld = false;
    if (m_session)
        m_session->nameDeletes(m_deletingName, false);
}

void Connection::keepDeleteGroupsAbove(qint64 floor)
{
    m_deleteFloor = std::max(m_deleteFloor, floor);
    if (m_session)
        m_session->keepDeleteGroupsAbove(floor);
}

void Connection::setChangeSource(const QString &source)
{
    m_changeSource = source;
    if (m_session)
        m_session->nameChanges(m_changeSource.toUtf8());
}

void Connection::setProgramName(const QString &name)
{
    m_programName = name.toUtf8();
    if (!m_deletingHeld) {
        m_deletingName = m_programName;
        if (m_session)
            m_session->nameDeletes(m_deletingName, false);
    }
}

int Connection::State() const
{
    return m_session ? 1 : 0;
}

bool Connection::isConnected() const
{
    return m_session && m_session->isConnected();
}

QString Connection::account() const
{
    return m_session ? m_session->account() : QString();
}

bool Connection::tryReconnect()
{
    return m_session && m_session->tryReconnect();
}

sqlite3 *Connection::handle() const
{
    const auto *file = dynamic_cast<const SqliteSession *>(m_session.get());
    return file ? file->handle() : nullptr;
}

void Connection::Close()
{
    m_session.reset();
}
