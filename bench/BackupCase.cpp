// The first start of a day makes the daily backup: the copy and its check,
// against the same copy through the backup API alone.

#include "Cases.h"
#include "Harness.h"

#include "data/Backup.h"

#include <QDir>
#include <QFile>

#include <sqlite3.h>

namespace Bench {

void backupCase(const Run &run, int size, const QString &database)
{
    const QString folder = run.folder + QStringLiteral("/backup-%1").arg(size);
    const QString live = folder + QStringLiteral("/dbData.mdb");
    const QString copies = Backup::folderFor(live);
    QDir().mkpath(folder);
    if (!QFile::exists(live) && !QFile::copy(database, live))
        qFatal("cannot copy %s", qPrintable(database));
    const auto fresh = [&] {
        QDir(copies).removeRecursively();
        QDir().mkpath(copies);
    };
    const auto copyAlone = [&] {
        sqlite3 *from = nullptr;
        sqlite3 *to = nullptr;
        sqlite3_open_v2(QFile::encodeName(live).constData(), &from, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_open_v2(QFile::encodeName(copies + QStringLiteral("/copy.mdb")).constData(), &to,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
        sqlite3_backup *backup = sqlite3_backup_init(to, "main", from, "main");
        if (!backup || sqlite3_backup_step(backup, -1) != SQLITE_DONE)
            qFatal("the floor's copy failed");
        sqlite3_backup_finish(backup);
        sqlite3_close(from);
        sqlite3_close(to);
    };
    const Harness::Pair pair = Harness::medianPair(
        [&] {
            fresh();
            return Harness::timedMs([&] { Backup::makeDailyCopy(live); });
        },
        [&] {
            fresh();
            return Harness::timedMs(copyAlone);
        },
        run.runs(size));
    Harness::report(QStringLiteral("Daily backup with its check vs the copy alone"), QString::number(size), pair, 0);
    QDir(folder).removeRecursively();
}

} // namespace Bench
