#pragma once
// Reading a database file apart from the program's connection, as backups
// and restores do: a handle that closes itself, what kind of file a path
// names, and a copy of a file as SQLite would read it after a crash (its
// journal or write-ahead log applied), made without writing to the file.

#include "data/sqlite/Engine.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>

struct sqlite3;

namespace SqliteFile {

// An SQLite handle closed when it goes out of scope.
struct Handle {
    sqlite3 *db = nullptr;
    Handle() = default;
    Handle(const Handle &) = delete;
    Handle &operator=(const Handle &) = delete;
    ~Handle();
    QString error() const;
};

// Opens a handle as every handle of the program is opened: with its
// collation, functions and protections (which a check of the schema's
// indexes needs too), extended result codes and the busy timeout of 5 s.
// deleting, when given, names the deletes made on the handle and must
// outlive it (Engine::registerExtensions). Returns an SQLite result code.
int open(Handle &handle, const QString &path, int flags, Engine::DeletingCommand *deleting = nullptr);

// The same for a handle its caller closes, read and written from one thread,
// creating the file if asked. Throws Error, with the engine's reason in
// words, on failure.
sqlite3 *openRaw(const QString &path, bool create, Engine::DeletingCommand *deleting = nullptr);

// Runs a statement and gives its rows' first column as text, at most `rows`
// of them. Returns an SQLite result code.
int texts(sqlite3 *db, const char *sql, QStringList &out, int rows = 1);

// Why the path cannot be read as a database file, as the end of a sentence
// ("is a named pipe (FIFO), not a database file."); empty for a regular
// file or a link to one. Never opens the path, so a FIFO cannot block.
QString kindProblem(const QString &path);

// Why the file's first bytes are not an SQLite database's, as the end of a
// sentence; empty when they are, or when kindProblem already says why not.
QString headerProblem(const QString &path);

// The journal and write-ahead log that SQLite reads with the file, those of
// them that exist. They lie beside the file a link names, as SQLite finds
// them.
QStringList companions(const QString &path);

// Copies the file, with its journal or write-ahead log, to target (target
// + "-journal", target + "-wal"), then opens the copy for writing, so that
// SQLite rolls back a hot journal or takes in the log's committed changes
// there, as it would in the original, and leaves the copy one file in
// rollback-journal mode. The source is only read. `progress` is called
// after each write. Returns empty text, or why it failed as the end of a
// sentence about the source ("is damaged (...).").
QString copyRecovered(const QString &source, const QString &target, const std::function<void()> &progress = {});

// Flushes the file, or the folder's entries, to the disk. Returns whether
// it could.
bool sync(const QString &path);

} // namespace SqliteFile
