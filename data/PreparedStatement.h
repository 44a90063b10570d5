#pragma once
// One SQLite statement prepared from exactly one statement of text. Text that
// holds a second statement is refused before anything runs.

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

class PreparedStatement {
public:
    // Prepares sqliteText (already translated). Throws Error on failure.
    PreparedStatement(sqlite3 *db, const QString &sqliteText, const QString &fileName);
    ~PreparedStatement();
    PreparedStatement(const PreparedStatement &) = delete;
    PreparedStatement &operator=(const PreparedStatement &) = delete;

    // Steps once: true when a row is ready, false when done. Throws on failure.
    bool step();

    // Steps until done, ignoring any rows.
    void runToEnd();

    sqlite3_stmt *handle() const { return m_statement; }

private:
    [[noreturn]] void fail(int resultCode);

    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
    QString m_fileName;
};
