#include "data/Backup.h"

#include "data/BackupChoice.h"

#include "data/Connection.h"
#include "data/SchemaUpgrade.h"
#include "data/sqlite/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <sqlite3.h>

#include <algorithm>

namespace Backup {
namespace {

using SqliteFile::Handle;
using SqliteFile::texts;

// Why the database open in db is not to be copied, or empty text when it
// is a Marrowdesk database.
QString reasonNotToCopy(sqlite3 *db)
{
    QStringList id;
    const int rc = texts(db, "PRAGMA application_id", id);
    if (rc == SQLITE_OK && id.value(0) == QString::number(Connection::applicationId))
        return QString();
    if (rc == SQLITE_OK || (rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
        return QStringLiteral("the database file is empty, damaged or not a Marrowdesk database, so it was not "
                              "copied. The earlier copies in that folder are kept.");
    return QString::fromUtf8(sqlite3_errmsg(db)); // locked, unreadable: the engine says which
}

// Copies every page of the database open in from into the file target
// through the online backup API, which gives a consistent copy even while
// another program writes. Returns empty text, or why it failed.
QString copyPages(sqlite3 *from, const QString &target)
{
    Handle to;
    if (SqliteFile::open(to, target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) != SQLITE_OK)
        return to.error();
    sqlite3_backup *backup = sqlite3_backup_init(to.db, "main", from, "main");
    if (!backup)
        return to.error();
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        return QString::fromUtf8(sqlite3_errstr(rc));
    const int closed = sqlite3_close(to.db);
    to.db = nullptr;
    return closed == SQLITE_OK ? QString() : QStringLiteral("the copy could not be closed");
}

// Copies the live database into target. Opening it for writing lets SQLite
// roll back a journal that a crash left hot; a read-only open could not, and
// would fail with "attempt to write a readonly database". Throws Error.
void copyDatabase(const QString &source, const QString &target)
{
    const auto fail = [&](const QString &why) {
        throw Error(QStringLiteral("The daily backup of the database could not be made in \"%1\": %2")
                        .arg(QFileInfo(target).absolutePath(), why));
    };
    Handle from;
    if (SqliteFile::open(from, source, SQLITE_OPEN_READWRITE) != SQLITE_OK)
        fail(from.error());
    // Only a Marrowdesk database is copied: a copy of an empty, damaged or
    // foreign file would count as one of the copies kept and push a good
    // copy out.
    if (const QString reason = reasonNotToCopy(from.db); !reason.isEmpty())
        fail(reason);
    if (const QString why = copyPages(from.db, target); !why.isEmpty())
        fail(why);
}

void stamp(const QString &path, const QDateTime &made)
{
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(made, QFileDevice::FileModificationTime);
}

QString baseNameOf(const QString &databasePath)
{
    return QFileInfo(databasePath).completeBaseName();
}

QList<Copy> copiesIn(const QString &folder, const QString &baseName)
{
    const QString pattern = baseName + QStringLiteral("-\?\?\?\?-\?\?-\?\?");
    QList<Copy> found;
    for (const QFileInfo &info : QDir(folder).entryInfoList(
             {pattern + QStringLiteral(".mdb"), pattern + QStringLiteral(".damaged.mdb")}, QDir::Files))
        found.append({info.filePath(), info.lastModified(), !info.fileName().endsWith(QLatin1String(".damaged.mdb"))});
    std::sort(found.begin(), found.end(),
              [](const Copy &a, const Copy &b) { return a.made != b.made ? a.made > b.made : a.path > b.path; });
    return found;
}

// Keeps, of the sound copies and of the damaged ones each, the newest
// copiesKept by the time they were made, and the copy just made whatever its
// time says; removes the rest. The newest sound copy is thus always kept.
// Partial files that a killed program left are removed after a day.
void rotate(const QString &folder, const QString &baseName, const QString &justMade)
{
    int sound = 0;
    int damaged = 0;
    for (const Copy &copy : copiesIn(folder, baseName)) {
        int &kept = copy.sound ? sound : damaged;
        if (kept < copiesKept || copy.path == justMade)
            ++kept;
        else
            QFile::remove(copy.path);
    }
    const QDateTime dayAgo = QDateTime::currentDateTime().addDays(-1);
    for (const QFileInfo &partial : QDir(folder).entryInfoList({baseName + QStringLiteral("-*.partial")}, QDir::Files))
        if (partial.lastModified() < dayAgo)
            QFile::remove(partial.filePath());
}

} // namespace

QString folderFor(const QString &databasePath)
{
    return QFileInfo(databasePath).absolutePath() + QStringLiteral("/backups");
}

QList<Copy> copies(const QString &databasePath)
{
    return copiesIn(folderFor(databasePath), baseNameOf(databasePath));
}

Copy newestSound(const QString &databasePath)
{
    for (const Copy &copy : copies(databasePath))
        if (copy.sound)
            return copy;
    return Copy();
}

namespace {

// Why the file is not sound; with `ofSchema`, also why opening would refuse
// it. A copy from a newer Marrowdesk is a sound copy all the same.
QString problemIn(const QString &path, bool ofSchema)
{
    if (const QString kind = SqliteFile::kindProblem(path); !kind.isEmpty())
        return kind;
    // A journal or log beside the file holds changes SQLite would apply, or
    // undo, on opening it: the file is judged as SQLite would read it, in a
    // private copy, so that the file itself is never written.
    if (!SqliteFile::companions(path).isEmpty()) {
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("recovered.mdb"));
        if (!folder.isValid())
            return QStringLiteral("has a journal beside it, and no private copy could be made to read it as SQLite "
                                  "would.");
        if (const QString why = SqliteFile::copyRecovered(path, copy); !why.isEmpty())
            return why;
        return problemIn(copy, ofSchema);
    }
    if (const QString header = SqliteFile::headerProblem(path); !header.isEmpty())
        return header;
    Handle handle;
    if (SqliteFile::open(handle, path, SQLITE_OPEN_READONLY) != SQLITE_OK)
        return QStringLiteral("cannot be read: %1.").arg(handle.error());
    QStringList id;
    int rc = texts(handle.db, "PRAGMA application_id", id);
    if (rc == SQLITE_OK && id.value(0) != QString::number(Connection::applicationId))
        return QStringLiteral("is an SQLite database, but not a Marrowdesk database.");
    QStringList findings;
    if (rc == SQLITE_OK)
        rc = texts(handle.db, "PRAGMA quick_check", findings, 3);
    if (rc != SQLITE_OK)
        return QStringLiteral("is damaged (%1).").arg(handle.error());
    if (findings != QStringList{QStringLiteral("ok")})
        return QStringLiteral("is damaged: SQLite's check found \"%1\".").arg(findings.join(QLatin1String("; ")));
    if (!ofSchema)
        return QString();
    try {
        return SchemaUpgrade::problemWith(handle.db, path);
    } catch (const Error &error) {
        return QStringLiteral("cannot be read: %1").arg(error.description());
    }
}

} // namespace

QString problemWith(const QString &path)
{
    return problemIn(path, true);
}

int issueCount(const QString &path)
{
    if (!SqliteFile::companions(path).isEmpty()) {
        QTemporaryDir folder;
        const QString copy = folder.filePath(QStringLiteral("recovered.mdb"));
        return folder.isValid() && SqliteFile::copyRecovered(path, copy).isEmpty() ? issueCount(copy) : -1;
    }
    Handle handle;
    QStringList count;
    if (SqliteFile::open(handle, path, SQLITE_OPEN_READONLY) != SQLITE_OK ||
        texts(handle.db, "select count(*) from Issues", count) != SQLITE_OK)
        return -1;
    return count.value(0).toInt();
}

QString makeDailyCopy(const QString &databasePath, const QDate &today)
{
    return makeDailyCopy(databasePath, QDateTime(today, QTime::currentTime()));
}

QString makeDailyCopy(const QString &databasePath, const QDateTime &now)
{
    if (!QFileInfo::exists(databasePath))
        return QString();
    const QString folder = folderFor(databasePath);
    if (!QFileInfo::exists(folder) && !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        throw Error(QStringLiteral("The backup folder \"%1\" could not be made. Check that you may write to the "
                                   "data folder.")
                        .arg(folder));
    const QString baseName = baseNameOf(databasePath);
    const QString dated = QStringLiteral("%1/%2-%3").arg(folder, baseName, now.date().toString(Qt::ISODate));
    const QString copy = dated + QStringLiteral(".mdb");
    if (!QFileInfo::exists(copy)) {
        // Written under a name of its own, so a half-made copy never looks
        // like a backup and two programs never write the same file.
        QTemporaryFile partial(dated + QStringLiteral(".XXXXXX.partial"));
        if (!partial.open())
            throw Error(QStringLiteral("The daily backup could not be written to \"%1\": %2.")
                            .arg(partial.fileTemplate(), partial.errorString()));
        partial.close();
        copyDatabase(databasePath, partial.fileName());
        markNewest(partial.fileName());
        stamp(partial.fileName(), now);
        if (const QString problem = problemIn(partial.fileName(), false); !problem.isEmpty()) {
            const QString damaged = dated + QStringLiteral(".damaged.mdb");
            QFile::remove(damaged);
            const bool keptApart = QFile::rename(partial.fileName(), damaged);
            rotate(folder, baseName, damaged);
            throw DamagedDatabase(
                QStringLiteral("The database \"%1\" %2 Today's copy of it was kept apart as \"%3\"; it does not "
                               "count as a backup, and the earlier backups are all kept.")
                    .arg(databasePath, problem, keptApart ? damaged : partial.fileName()),
                keptApart ? damaged : QString());
        }
        // Another program may have made the same day's copy meanwhile: then
        // that one stands, and this one is dropped with the temporary file.
        if (!QFile::rename(partial.fileName(), copy) && !QFileInfo::exists(copy))
            throw Error(QStringLiteral("The daily backup could not be stored as \"%1\".").arg(copy));
    }
    rotate(folder, baseName, copy);
    return copy;
}

} // namespace Backup
