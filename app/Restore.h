#pragma once
// Bringing a backup back from the command line with "marrowdesk --restore
// FILE" (start-up's offer is app/DamagedStart.h).

#include <QString>

class QTextStream;

// "marrowdesk --restore FILE": restores FILE over the database of the data
// folder unless a Marrowdesk runs on that folder. Prints one line to out on
// success, one to err on failure. Returns the exit status: 0 or 1.
int restoreCommand(const QString &backupFile, QTextStream &out, QTextStream &err);
