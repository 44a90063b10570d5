#include "data/PreparedStatement.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/SqlText.h"

#include <sqlite3.h>

PreparedStatement::PreparedStatement(sqlite3 *db, const QString &sqliteText, const QString &fileName)
    : m_db(db), m_fileName(fileName)
{
    SqlText::refuseNul(sqliteText);
    const QByteArray utf8 = sqliteText.toUtf8();
    const char *tail = nullptr;
    const int rc = sqlite3_prepare_v2(db, utf8.constData(), utf8.size() + 1, &m_statement, &tail);
    if (rc != SQLITE_OK)
        fail(rc);
    if (!m_statement)
        throw Error(QStringLiteral("The statement is empty: there is nothing to run."));
    const QByteArray rest = tail ? QByteArray(tail).trimmed() : QByteArray();
    if (!rest.isEmpty()) {
        sqlite3_stmt *second = nullptr;
        const int secondRc = sqlite3_prepare_v2(db, rest.constData(), rest.size() + 1, &second, nullptr);
        const bool onlyComments = secondRc == SQLITE_OK && !second;
        sqlite3_finalize(second);
        if (!onlyComments) {
            sqlite3_finalize(m_statement);
            m_statement = nullptr;
            throw Error(QStringLiteral("The text holds more than one statement; Marrowdesk runs one statement at a "
                                       "time, so none of it was run."));
        }
    }
}

PreparedStatement::~PreparedStatement()
{
    sqlite3_finalize(m_statement);
}

bool PreparedStatement::step()
{
    const int rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW)
        return true;
    if (rc == SQLITE_DONE)
        return false;
    fail(rc);
}

void PreparedStatement::runToEnd()
{
    while (step()) {
    }
}

void PreparedStatement::fail(int resultCode)
{
    const QString description = DbErrors::describe(m_db, resultCode, m_fileName);
    sqlite3_finalize(m_statement);
    m_statement = nullptr;
    if (DbErrors::isRefusal(resultCode))
        throw Refusal(description);
    throw Error(description);
}
