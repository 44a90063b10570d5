#pragma once
// Start-up's look at the database file before it makes a new, empty one:
// a database that is gone while its backups, or files a restore kept aside,
// are still there is never replaced by an empty one without a word.

// Removes what a restore killed midway left beside the database. When the
// database file is missing and backups or set-aside files exist, offers to
// restore the newest sound one, chosen as for a damaged database
// (data/BackupChoice.h); without a sound one, or when the user says
// No, says what is there and that an empty database is made. Does nothing
// on a server, or on a first run with nothing there.
void recoverMissingDatabase();
