#include "data/sqlite/SqliteFile.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Hardening.h"
#include "data/sqlite/Engine.h"

#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace SqliteFile {

Handle::~Handle()
{
    sqlite3_close(db);
}

QString Handle::error() const
{
    return QString::fromUtf8(db ? sqlite3_errmsg(db) : "out of memory");
}

int open(Handle &handle, const QString &path, int flags, Engine::DeletingCommand *deleting)
{
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &handle.db, flags, nullptr);
    if (rc == SQLITE_OK)
        rc = Engine::registerExtensions(handle.db, deleting);
    if (rc == SQLITE_OK)
        rc = Hardening::apply(handle.db);
    if (rc == SQLITE_OK) {
        sqlite3_extended_result_codes(handle.db, 1);
        sqlite3_busy_timeout(handle.db, 5000);
    }
    return rc;
}

sqlite3 *openRaw(const QString &path, bool create, Engine::DeletingCommand *deleting)
{
    Handle handle;
    const int flags = SQLITE_OPEN_READWRITE | (create ? SQLITE_OPEN_CREATE : 0) | SQLITE_OPEN_NOMUTEX;
    const int rc = open(handle, path, flags, deleting);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(handle.db, rc, path));
    return std::exchange(handle.db, nullptr);
}

int texts(sqlite3 *db, const char *sql, QStringList &out, int rows)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    while (rc == SQLITE_OK && (rc = sqlite3_step(statement)) == SQLITE_ROW) {
        if (out.size() < rows)
            out << QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
        rc = SQLITE_OK;
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_DONE ? SQLITE_OK : rc;
}

QString kindProblem(const QString &path)
{
    struct stat info {};
    if (::stat(QFile::encodeName(path).constData(), &info) != 0) {
        // A folder on the way that may not be searched hides the file
        // without its being missing.
        if (errno != ENOENT && errno != ENOTDIR)
            return QStringLiteral("cannot be read: %1.").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return QFileInfo(path).isSymLink() ? QStringLiteral("is a link to a file that does not exist.")
                                           : QStringLiteral("does not exist.");
    }
    if (S_ISREG(info.st_mode))
        return QString();
    if (S_ISDIR(info.st_mode))
        return QStringLiteral("is a folder, not a database file.");
    if (S_ISFIFO(info.st_mode))
        return QStringLiteral("is a named pipe (FIFO), not a database file.");
    if (S_ISSOCK(info.st_mode))
        return QStringLiteral("is a socket, not a database file.");
    if (S_ISCHR(info.st_mode) || S_ISBLK(info.st_mode))
        return QStringLiteral("is a device, not a database file.");
    return QStringLiteral("is not a regular file, so not a database file.");
}

QString headerProblem(const QString &path)
{
    if (!kindProblem(path).isEmpty())
        return QString();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot be read: %1.").arg(file.errorString());
    const QByteArray head = file.read(19);
    if (head.isEmpty())
        return QStringLiteral("is empty (zero bytes), so it is not a Marrowdesk database.");
    if (head.mid(4) == "Standard Jet DB" || head.mid(4) == "Standard ACE DB")
        return QStringLiteral("is a Microsoft Access file. Marrowdesk keeps its data in its own format and cannot "
                              "open it.");
    if (!head.startsWith(QByteArrayLiteral("SQLite format 3\0")))
        return QStringLiteral("is not a Marrowdesk database: its contents are of an unknown kind.");
    return QString();
}

QStringList companions(const QString &path)
{
    const QFileInfo info(path);
    const QString file = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    QStringList found;
    for (const char *suffix : {"-journal", "-wal"}) {
        // A link made to reach a file (and its journal) by another name
        // stands for the journal too.
        if (QFileInfo::exists(path + QLatin1String(suffix)))
            found << path + QLatin1String(suffix);
        else if (QFileInfo::exists(file + QLatin1String(suffix)))
            found << file + QLatin1String(suffix);
    }
    return found;
}

namespace {

// Copies the bytes of one file over target. Returns empty text or why not.
QString copyBytes(const QString &source, const QString &target, const std::function<void()> &progress)
{
    QFile from(source);
    if (!from.open(QIODevice::ReadOnly))
        return from.errorString();
    QFile to(target);
    if (!to.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return to.errorString();
    QByteArray chunk;
    while (!(chunk = from.read(1 << 20)).isEmpty()) {
        if (to.write(chunk) != chunk.size() || !to.flush())
            return to.errorString();
        if (progress)
            progress();
    }
    if (from.error() != QFileDevice::NoError)
        return from.errorString();
    return QString();
}

} // namespace

QString copyRecovered(const QString &source, const QString &target, const std::function<void()> &progress)
{
    const auto notCopied = [&](const QString &why) {
        return QStringLiteral("could not be copied to \"%1\": %2.").arg(target, why);
    };
    const QStringList beside = companions(source);
    for (const char *suffix : {"-journal", "-wal", "-shm"})
        QFile::remove(target + QLatin1String(suffix));
    if (const QString why = copyBytes(source, target, progress); !why.isEmpty())
        return notCopied(why);
    for (const QString &companion : beside) {
        const QString suffix =
            companion.endsWith(QLatin1String("-wal")) ? QStringLiteral("-wal") : QStringLiteral("-journal");
        if (const QString why = copyBytes(companion, target + suffix, progress); !why.isEmpty())
            return notCopied(why);
    }
    Handle copy;
    int rc = open(copy, target, SQLITE_OPEN_READWRITE);
    // The first read rolls a hot journal back; leaving WAL mode moves the
    // log's committed changes into the file and removes the log.
    QStringList ignored;
    if (rc == SQLITE_OK)
        rc = texts(copy.db, "select count(*) from sqlite_schema", ignored);
    if (rc == SQLITE_OK)
        rc = texts(copy.db, "PRAGMA journal_mode=DELETE", ignored);
    if ((rc & 0xFF) == SQLITE_CORRUPT || (rc & 0xFF) == SQLITE_NOTADB)
        return QStringLiteral("is damaged (%1).").arg(copy.error());
    if (rc != SQLITE_OK)
        return QStringLiteral("could not be read as SQLite reads it after a crash: %1.").arg(copy.error());
    if (progress)
        progress();
    if (sqlite3_close(copy.db) != SQLITE_OK)
        return notCopied(QStringLiteral("the copy could not be closed"));
    copy.db = nullptr;
    // What is still there SQLite found not hot (a journal of a finished
    // transaction): it belongs to no change.
    for (const QString &left : companions(target))
        if (!QFile::remove(left))
            return notCopied(QStringLiteral("\"%1\" could not be removed").arg(left));
    return QString();
}

bool sync(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace SqliteFile
