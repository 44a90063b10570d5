#include "data/BackupChoice.h"

#include "data/Connection.h"
#include "data/sqlite/SqliteFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#include <sqlite3.h>

#include <algorithm>

namespace Backup {
namespace {

// The header's change counter and its "valid for" twin: equal, so SQLite
// still trusts the page count the header states.
constexpr qint64 counterAt = 24;
constexpr qint64 validForAt = 92;

quint32 madeNumber(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    const QByteArray head = file.read(100);
    if (head.size() < 100)
        return 0;
    return qFromBigEndian<quint32>(head.constData() + counterAt);
}

} // namespace

QString unreadable(const QString &path)
{
    // A file that is not an SQLite database at all (empty, another kind) is
    // named as such by the open that follows, with what to do about it.
    QFile file(path);
    if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly) ||
        file.read(16) != QByteArrayLiteral("SQLite format 3\0"))
        return QString();
    file.close();
    SqliteFile::Handle handle;
    int rc = SqliteFile::open(handle, path, SQLITE_OPEN_READWRITE);
    // Reading the schema reads the header first, and SQLite refuses a file
    // shorter than the pages its header counts.
    QStringList count;
    if (rc == SQLITE_OK)
        rc = SqliteFile::texts(handle.db, "SELECT count(*) FROM sqlite_master", count);
    const int primary = rc & 0xFF;
    if (primary == SQLITE_CORRUPT || primary == SQLITE_NOTADB)
        return QStringLiteral("cannot be read: %1.").arg(QString::fromUtf8(sqlite3_errmsg(handle.db)));
    return QString();
}

QList<SoundCopy> soundCopies(const QString &databasePath, Candidates candidates)
{
    QList<std::pair<quint32, SoundCopy>> found;
    for (const Copy &copy : copies(databasePath))
        if (copy.sound && problemWith(copy.path).isEmpty())
            found.append({madeNumber(copy.path), {copy, issueCount(copy.path)}});
    // copies() gives them newest modification first; a stable sort keeps
    // that order among equal numbers.
    std::stable_sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a.first > b.first; });
    QList<SoundCopy> sound;
    for (const auto &entry : found)
        sound.append(entry.second);
    if (candidates == Candidates::BackupsAndSetAside)
        for (const Copy &copy : setAside(databasePath))
            if (problemWith(copy.path).isEmpty())
                sound.append({copy, issueCount(copy.path)});
    return sound;
}

bool markNewest(const QString &copyPath)
{
    quint32 newest = 0;
    const QFileInfo info(copyPath);
    for (const QFileInfo &other : QDir(info.absolutePath()).entryInfoList({QStringLiteral("*.mdb")}, QDir::Files))
        if (other.absoluteFilePath() != info.absoluteFilePath())
            newest = std::max(newest, madeNumber(other.filePath()));
    uchar number[4];
    qToBigEndian<quint32>(newest + 1, number);
    QFile file(copyPath);
    const QDateTime made = info.lastModified();
    if (!file.open(QIODevice::ReadWrite) || file.size() < 100)
        return false;
    const bool written = file.seek(counterAt) && file.write(reinterpret_cast<const char *>(number), 4) == 4 &&
                         file.seek(validForAt) && file.write(reinterpret_cast<const char *>(number), 4) == 4 &&
                         file.flush();
    file.setFileTime(made, QFileDevice::FileModificationTime);
    return written;
}

} // namespace Backup
