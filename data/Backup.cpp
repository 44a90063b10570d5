#include "data/Backup.h"

#include "data/Connection.h"
#include "data/Error.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <sqlite3.h>

namespace Backup {
namespace {

// Why the database open in db is not to be copied, or empty text when it
// is a Marrowdesk database.
QString reasonNotToCopy(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, "PRAGMA application_id", -1, &statement, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    const bool ours = rc == SQLITE_ROW && sqlite3_column_int(statement, 0) == Connection::applicationId;
    const QString engine = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    if (ours)
        return QString();
    if (rc == SQLITE_ROW || (rc & 0xFF) == SQLITE_NOTADB || (rc & 0xFF) == SQLITE_CORRUPT)
        return QStringLiteral("the database file is empty, damaged or not a Marrowdesk database, so it was not "
                              "copied. The earlier copies in that folder are kept.");
    return engine; // locked, unreadable: the engine says which
}

// Copies every page of source into a new file at target through the online
// backup API, which gives a consistent copy even while another program
// writes. Throws Error.
void copyDatabase(const QString &source, const QString &target)
{
    sqlite3 *from = nullptr;
    sqlite3 *to = nullptr;
    auto fail = [&](const QString &why) {
        sqlite3_close(from);
        sqlite3_close(to);
        QFile::remove(target);
        throw Error(QStringLiteral("The daily backup of the database could not be made in \"%1\": %2")
                        .arg(QFileInfo(target).absolutePath(), why));
    };
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &from, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(from)));
    if (sqlite3_open_v2(QFile::encodeName(target).constData(), &to, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE,
                        nullptr) != SQLITE_OK)
        fail(QString::fromUtf8(sqlite3_errmsg(to)));
    sqlite3_busy_timeout(from, 5000);
    // Only a Marrowdesk database is copied: a copy of an empty, damaged or
    // foreign file would count as one of the copies kept and push a good
    // copy out.
    if (const QString reason = reasonNotToCopy(from); !reason.isEmpty())
        fail(reason);
    sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
    if (!backup)
        fail(QString::fromUtf8(sqlite3_errmsg(to)));
    const int rc = sqlite3_backup_step(backup, -1);
    sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE)
        fail(QString::fromUtf8(sqlite3_errstr(rc)));
    sqlite3_close(from);
    if (sqlite3_close(to) != SQLITE_OK)
        fail(QStringLiteral("the copy could not be closed"));
}

} // namespace

QString folderFor(const QString &databasePath)
{
    return QFileInfo(databasePath).absolutePath() + QStringLiteral("/backups");
}

QString makeDailyCopy(const QString &databasePath, const QDate &today)
{
    if (!QFileInfo::exists(databasePath))
        return QString();
    const QString folder = folderFor(databasePath);
    if (!QFileInfo::exists(folder) &&
        !QDir().mkdir(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner))
        throw Error(QStringLiteral("The backup folder \"%1\" could not be made. Check that you may write to the "
                                   "data folder.")
                        .arg(folder));
    const QString baseName = QFileInfo(databasePath).completeBaseName();
    const QString copy =
        QStringLiteral("%1/%2-%3.mdb").arg(folder, baseName, today.toString(QStringLiteral("yyyy-MM-dd")));
    if (!QFileInfo::exists(copy)) {
        // Written under a temporary name, so a half-made copy never looks like a backup.
        const QString partial = copy + QStringLiteral(".partial");
        QFile::remove(partial);
        {
            QFile create(partial);
            if (!create.open(QIODevice::WriteOnly))
                throw Error(QStringLiteral("The daily backup could not be written to \"%1\": %2.")
                                .arg(partial, create.errorString()));
            create.setPermissions(QFile::ReadOwner | QFile::WriteOwner);
        }
        copyDatabase(databasePath, partial);
        if (!QFile::rename(partial, copy)) {
            QFile::remove(partial);
            throw Error(QStringLiteral("The daily backup could not be stored as \"%1\".").arg(copy));
        }
    }
    // Names sort by date, so the newest copies are last.
    const QStringList copies = QDir(folder).entryList({baseName + QStringLiteral("-\?\?\?\?-\?\?-\?\?.mdb")}, QDir::Files,
                                                      QDir::Name);
    for (qsizetype i = 0; i + copiesKept < copies.size(); ++i)
        QFile::remove(folder + QLatin1Char('/') + copies[i]);
    return copy;
}

} // namespace Backup
