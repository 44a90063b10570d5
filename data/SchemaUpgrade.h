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
//  6  text compares with the one collation a server has (data/TextCollator.h):
//     its indexes are rebuilt, the closed rule follows it; values it now
//     holds equal are kept and told (data/CollationUpgrade.h)
//  7  the history of every change to issues and contacts, and notes on
//     issues (data/IssueHistory.h)
//  8  saved views (data/SavedViews.h), the order of the value lists
//     (data/ValueOrder.h), and the history found by who changed
//  9  attachments to issues, their content kept once (data/Attachments.h)
// 10  the issues each person watches and how far they have seen them
//     (data/Watches.h)
// 11  statuses besides "Closed" that close an issue (data/IssueStatus.h);
//     the views and the history follow them

#include <QString>
#include <QStringList>

struct sqlite3;
class SqliteSession;

namespace SchemaUpgrade {

inline constexpr int currentVersion = 11;

// Why the open database is not one this program may use, as the end of a
// sentence that begins with the file's name ("has no Marrowdesk tables
// ..."): no schema version, a version from a newer program, whose rules this
// one would break by writing, or a table of the first version missing.
// Empty text when it may be used. Throws Error when it cannot be read.
QString problemWith(sqlite3 *db, const QString &fileName);

// What an upgrade did that the user should be told.
struct Outcome {
    // What was made again ("the trigger IssuesToTrash"), apart from what
    // the steps made.
    QStringList madeAgain;
    // What the steps found, one sentence each (CollationUpgrade).
    QStringList findings;

    // Both told as one message; empty when there is nothing to tell.
    QString notice(const QString &fileName) const;
};

// Checks the database with problemWith, then brings it up to
// currentVersion and, in a file that has all of the schema's tables, makes
// again whatever of the newest schema's indexes, triggers and views it lacks
// (SchemaObjects: another program may have dropped one), all in one
// transaction. A read-only database is checked but left as it is. Throws
// Error.
Outcome upgrade(SqliteSession &file);

// Runs the steps after version `from` up to currentVersion, in the caller's
// transaction, without setting user_version.
void runSteps(sqlite3 *db, int from, const QString &fileName);

} // namespace SchemaUpgrade
