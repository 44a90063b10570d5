// Backup::restore and what goes with it; the daily copies are in Backup.cpp.

#include "data/Backup.h"

#include "data/sqlite/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

#include <unistd.h>

namespace Backup {
namespace {

std::function<void()> &stepHook()
{
    static std::function<void()> hook;
    return hook;
}

void stepDone()
{
    if (stepHook())
        stepHook()();
}

// The file a database path names: the end of its links, so that a restore
// replaces that file and keeps that file aside, not the link.
// Empty when a link's target cannot be reached by the name read from it (a
// name that is not valid text): then the file cannot be named at all.
QString fileNamedBy(const QString &databasePath)
{
    QFileInfo info(databasePath);
    for (int links = 0; info.isSymLink() && links < 40; ++links) {
        const QFileInfo next(info.symLinkTarget());
        if (info.exists() && !next.exists() && !next.isSymLink())
            return QString();
        info = next;
    }
    return info.absoluteFilePath();
}

// A dated name beside the file that no file has yet, nor a journal that
// would be applied to the file given that name.
QString asideName(const QFileInfo &database, const QDateTime &now)
{
    const QString stem = QStringLiteral("%1/%2-before-restore-%3")
                             .arg(database.absolutePath(), database.completeBaseName(),
                                  now.toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    const auto taken = [](const QString &name) {
        return QFileInfo(name).isSymLink() || QFileInfo::exists(name) || !SqliteFile::companions(name).isEmpty();
    };
    QString aside = stem + QStringLiteral(".mdb");
    for (int n = 2; taken(aside); ++n)
        aside = QStringLiteral("%1-%2.mdb").arg(stem).arg(n);
    return aside;
}

// A write lock on the database, taken through SQLite, so that no other
// connection is in a transaction on it while it is swapped. Taking it rolls
// back a journal a crash left hot, so no journal stays behind to be applied
// to the new file. A file SQLite cannot read at all is not locked: no other
// connection can use it either.
class WriteLock {
public:
    // Returns empty text, or why the database is not to be swapped.
    QString take(const QString &path)
    {
        if (SqliteFile::open(m_handle, path, SQLITE_OPEN_READWRITE) != SQLITE_OK)
            return m_handle.error();
        const int rc = sqlite3_exec(m_handle.db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
        if ((rc & 0xFF) == SQLITE_BUSY || (rc & 0xFF) == SQLITE_LOCKED)
            return QStringLiteral("another program (the SQL shell, or another Marrowdesk) has it open in a "
                                  "transaction; close it and try again");
        if (rc != SQLITE_OK && (rc & 0xFF) != SQLITE_CORRUPT && (rc & 0xFF) != SQLITE_NOTADB)
            return m_handle.error();
        return QString();
    }

private:
    SqliteFile::Handle m_handle; // closing it ends the transaction and the lock
};

} // namespace

void setRestoreStepHook(std::function<void()> hook)
{
    stepHook() = std::move(hook);
}

QList<Copy> setAside(const QString &databasePath)
{
    const QFileInfo database(fileNamedBy(databasePath));
    QList<Copy> found;
    if (database.filePath().isEmpty())
        return found;
    for (const QFileInfo &info :
         QDir(database.absolutePath())
             .entryInfoList({database.completeBaseName() + QStringLiteral("-before-restore-*.mdb")}, QDir::Files,
                            QDir::Time))
        found.append({info.filePath(), info.lastModified()});
    return found;
}

void removeLeftovers(const QString &databasePath)
{
    const QFileInfo database(fileNamedBy(databasePath));
    if (database.filePath().isEmpty())
        return;
    QDir folder(database.absolutePath());
    for (const QString &name : folder.entryList({database.fileName() + QStringLiteral(".*.restoring*")}, QDir::Files))
        folder.remove(name);
}

QString restore(const QString &backupPath, const QString &databasePath, const QDateTime &now)
{
    const QString target = fileNamedBy(databasePath);
    const QFileInfo database(target);
    const auto fail = [&](const QString &why) {
        throw Error(QStringLiteral("The backup \"%1\" was not restored: %2 The database was left as it was.")
                        .arg(backupPath, why));
    };
    if (target.isEmpty())
        fail(QStringLiteral("the database \"%1\" is a link to a file whose name is not valid text; restore into "
                            "that file by a name that is, or rename it.")
                 .arg(databasePath));
    if (QFileInfo(backupPath).canonicalFilePath() == database.canonicalFilePath() && database.exists())
        fail(QStringLiteral("it is the database itself."));
    if (const QString problem = SqliteFile::kindProblem(backupPath) + SqliteFile::headerProblem(backupPath);
        !problem.isEmpty())
        fail(QStringLiteral("the file ") + problem);
    const bool hadFile = database.exists();
    if (const QString kind = SqliteFile::kindProblem(target); hadFile && !kind.isEmpty())
        fail(QStringLiteral("the database \"%1\" %2").arg(target, kind));

    // The copy is made beside the database, so that the rename into place
    // stays within one file system and happens whole. Until then it has a
    // name of its own, which the next start removes if the restore dies.
    const QString folder = database.absolutePath();
    QTemporaryFile incoming(folder + QLatin1Char('/') + database.fileName() + QStringLiteral(".XXXXXX.restoring"));
    if (!incoming.open())
        fail(QStringLiteral("no new file could be made in \"%1\": %2.").arg(folder, incoming.errorString()));
    incoming.close();
    stepDone();
    if (const QString why = SqliteFile::copyRecovered(backupPath, incoming.fileName(), stepDone); !why.isEmpty())
        fail(QStringLiteral("the file ") + why);
    if (const QString problem = problemWith(incoming.fileName()); !problem.isEmpty())
        fail(QStringLiteral("the file ") + problem);
    if (!SqliteFile::sync(incoming.fileName()))
        fail(QStringLiteral("the copy could not be written to the disk in \"%1\".").arg(folder));
    stepDone();

    WriteLock lock;
    if (hadFile)
        if (const QString why = lock.take(target); !why.isEmpty())
            fail(QStringLiteral("the database \"%1\" could not be locked: %2.").arg(target, why));
    stepDone();
    // The old file gets its second name before the new one takes the first,
    // so the database's name never stands empty.
    const QString aside = asideName(database, now);
    if (hadFile && ::link(QFile::encodeName(target).constData(), QFile::encodeName(aside).constData()) != 0)
        fail(QStringLiteral("the current database could not be kept as \"%1\": %2.")
                 .arg(aside, QString::fromLocal8Bit(strerror(errno))));
    stepDone();
    // A journal SQLite could not roll back (the file is unreadable) goes
    // with its file, and must never meet the new one.
    QStringList moved;
    for (const QString &journal : SqliteFile::companions(target)) {
        const QString suffix = journal.mid(journal.lastIndexOf(QLatin1Char('-')));
        if (!QFile::rename(journal, aside + suffix)) {
            for (const QString &back : moved)
                QFile::rename(aside + back, target + back);
            if (hadFile)
                QFile::remove(aside);
            fail(QStringLiteral("the database's journal \"%1\" could not be moved aside.").arg(journal));
        }
        moved << suffix;
        stepDone();
    }
    if (::rename(QFile::encodeName(incoming.fileName()).constData(), QFile::encodeName(target).constData()) != 0) {
        const QString why = QString::fromLocal8Bit(strerror(errno));
        for (const QString &suffix : moved)
            QFile::rename(aside + suffix, target + suffix);
        if (hadFile)
            QFile::remove(aside);
        fail(QStringLiteral("the copy could not be renamed to \"%1\": %2.").arg(target, why));
    }
    stepDone();
    SqliteFile::sync(folder);
    stepDone();
    return hadFile ? aside : QString();
}

} // namespace Backup
