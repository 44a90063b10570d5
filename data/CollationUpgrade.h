#pragma once
// What a file meets when it moves to the program's one text collation
// (schema version 6, data/TextCollator.h): values its lists keep as
// different may now be the same value, and statuses spelt unlike "Closed"
// may now close their issue. Nothing is rewritten or dropped; the user is
// told what changed. The value lists keep every value they hold, and refuse
// any new one equal to a value already there.

#include <QString>
#include <QStringList>

struct sqlite3;

namespace CollationUpgrade {

// Makes each unique index that another program added (the schema has none
// of its own) safe to rebuild: one whose rows now hold equal values is made
// again as an ordinary index, so that no row must go and the file still
// opens. Returns a sentence for each index changed. Runs inside the
// upgrade's transaction, before the indexes are rebuilt. Throws Error.
QStringList mendUniqueIndexes(sqlite3 *db, const QString &fileName);

// After the move: sentences naming the list values that now count as the
// same (table and values) and how many issues the closed rule now closes
// that it did not before. Empty when there are none. Throws Error.
QStringList findings(sqlite3 *db, const QString &fileName);

} // namespace CollationUpgrade
