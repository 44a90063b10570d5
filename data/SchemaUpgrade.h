#pragma once
// The schema's versions after the first. schema.sql makes version 1; each
// later version is one step here, run in order on a database whose
// user_version is below it. The template is made the same way, so a new file
// and an upgraded old one end up with the same schema. A step runs again
// harmlessly on a file that has it already (a user_version set back by
// hand): it makes only what is missing.
//
//  2  the database refuses an issue whose [Assigned To] or [Opened By] names
//     no contact (rows stored earlier stay as they are and still list)
//  3  the trash: deleted issues, contacts and list values are kept, by the
//     command that deleted them, until restored or purged (data/Trash.h)
//  4  every issue and contact carries a Version, 1 when added and counted
//     up by every change of the row
//  5  the trash keeps the Version, and a restore counts it up

#include <QString>
#include <QStringList>

struct sqlite3;
class SqliteSession;

namespace SchemaUpgrade {

inline constexpr int currentVersion = 5;

// Why the open database is not one this program may use, as the end of a
// sentence that begins with the file's name ("has no Marrowdesk tables
// ..."): no schema version, a version from a newer program, whose rules this
// one would break by writing, or a table of the first version missing.
// Empty text when it may be used. Throws Error when it cannot be read.
QString problemWith(sqlite3 *db, const QString &fileName);

// Checks the database with problemWith, then brings it up to
// currentVersion and, in a file that has all of the schema's tables, makes
// again whatever of the newest schema's indexes, triggers and views it lacks
// (SchemaObjects: another program may have dropped one), all in one
// transaction. Returns what was made again
// ("the trigger IssuesToTrash"), apart from what the steps made. A
// read-only database is checked but left as it is. Throws Error.
QStringList upgrade(SqliteSession &file);

// Runs the steps after version `from` up to currentVersion, in the caller's
// transaction, without setting user_version.
void runSteps(sqlite3 *db, int from, const QString &fileName);

} // namespace SchemaUpgrade
