#pragma once
// Start-up's answer to a database that cannot be used as it is: a summary
// line with the newest sound backup to restore, and, behind "Show Details",
// what was found, every sound backup newest first with its issue count, and
// how to restore one later from the command line.

#include <QString>

// Tells the user that the database failed its check (finding says how) and
// offers to restore the newest sound backup; without one, says so. Returns
// true when a backup was restored.
bool offerRestore(const QString &databasePath, const QString &finding);

// On every start: offers a backup when the database cannot even be read
// (cut short, its schema overwritten). Returns true when it could not be
// read, whatever the user chose, so that no daily copy is tried of it.
bool offerRestoreWhenUnreadable(const QString &databasePath);
