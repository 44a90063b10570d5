#pragma once
// The rolling backup: at start-up, before anything is written, a copy of the
// database is made with SQLite's online backup API into the "backups" folder
// beside it, one per day (dbData-YYYY-MM-DD.mdb); the newest seven are kept.
// The database itself is only read.

#include <QDate>
#include <QString>

namespace Backup {

inline constexpr int copiesKept = 7;

// The folder beside the database that holds the copies.
QString folderFor(const QString &databasePath);

// Makes today's copy of the database unless it exists, then removes all but
// the newest copiesKept copies. Returns the copy's path, or empty text when
// there is no database to copy. Throws Error when the copy cannot be made.
QString makeDailyCopy(const QString &databasePath, const QDate &today = QDate::currentDate());

} // namespace Backup
