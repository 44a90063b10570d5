#pragma once
// What start-up needs when the database may be damaged: whether it can be
// read at all (on every start, cheaply: the full check comes with the day's
// backup), and which backups are sound to offer, newest first.
//
// "Newest" is the order the copies were made in, recorded inside each copy
// when it is made: a number one above every copy already in the folder,
// kept in the SQLite header's change counter (which SQLite itself only
// compares for equality, to tell that another program wrote). A clock set
// wrong moves a file's modification time and the date in its name, never
// this number. Copies made before it was recorded all count as made first,
// in the order of their modification times.

#include "data/Backup.h"

#include <QList>
#include <QString>

namespace Backup {

// Why an SQLite file cannot be read, as the end of a sentence ("cannot be
// read: database disk image is malformed."), or empty text when it can, or
// is no SQLite file at all, or does not exist. Reads the header and the
// schema only; a journal a crash left hot is rolled back first, as any open
// would.
QString unreadable(const QString &path);

struct SoundCopy {
    Copy copy;
    int issues = 0;
};

// The files a restore may bring back: the backups, or those and the files
// earlier restores kept aside beside the database.
enum class Candidates { Backups, BackupsAndSetAside };

// The candidates that pass the check opening makes (and SQLite's
// quick_check), newest made first, each with its number of issues. Files
// kept aside come after every backup, newest first: each was a database a
// restore replaced on purpose, and its header counts its own writes, not
// the order copies were made in.
QList<SoundCopy> soundCopies(const QString &databasePath, Candidates candidates = Candidates::Backups);

// Records in a copy just made (closed) that it is the newest in its folder.
// Returns false when the file could not be written.
bool markNewest(const QString &copyPath);

} // namespace Backup
