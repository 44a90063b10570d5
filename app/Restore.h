#pragma once
// Bringing a backup back: offered at start-up when the database fails its
// check, and run from the command line with "marrowdesk --restore FILE".

#include <QString>

class QTextStream;

// Tells the user that the database failed its check (finding says how) and
// offers to restore the newest sound backup, naming its date and issue
// count; without one, says so and how to restore later. Returns true when a
// backup was restored.
bool offerRestore(const QString &databasePath, const QString &finding);

// "marrowdesk --restore FILE": restores FILE over the database of the data
// folder unless a Marrowdesk runs on that folder. Prints one line to out on
// success, one to err on failure. Returns the exit status: 0 or 1.
int restoreCommand(const QString &backupFile, QTextStream &out, QTextStream &err);
