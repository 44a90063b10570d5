#pragma once
// The rolling backup: at start-up, before anything is written, a copy of the
// database is made with SQLite's online backup API into the "backups" folder
// beside it, one per day (dbData-YYYY-MM-DD.mdb), and the copy is checked
// with SQLite's quick_check. A copy that fails the check is kept apart as
// dbData-YYYY-MM-DD.damaged.mdb and never counts among the copies kept.
// Each copy records inside it the order it was made in (data/BackupChoice.h).
// Copies are kept by the time they were made (the file's modification time),
// not by their names, so a clock set wrong cannot push out a newer copy: the
// newest seven sound copies stay, the copy just made always stays, and so
// does the newest sound one. The database itself is only read, except that a
// journal left hot by a crash is rolled back first, as any open would.
//
// A restore brings a sound backup back in place of the database. The backup
// is copied beside the database, with any journal or log of its own applied
// there, and checked as opening checks a database. Then, under a write lock
// taken through SQLite, the current file gets a second, dated name (a hard
// link) and one rename puts the copy in its place: at every instant the
// database's name holds either the old file or the new one.

#include "data/Error.h"

#include <QDate>
#include <QDateTime>
#include <QList>
#include <QString>

#include <functional>

namespace Backup {

inline constexpr int copiesKept = 7;

// The folder beside the database that holds the copies.
QString folderFor(const QString &databasePath);

struct Copy {
    QString path;
    QDateTime made;    // the file's modification time
    bool sound = true; // false for a copy kept apart as damaged
};

// Every copy of the database in its backups folder, newest made first.
QList<Copy> copies(const QString &databasePath);

// The newest sound copy; its path is empty when there is none.
Copy newestSound(const QString &databasePath);

// Thrown by makeDailyCopy when the database fails the check. The description
// says so and names the copy kept apart; the earlier copies are all kept.
class DamagedDatabase : public Error {
public:
    DamagedDatabase(const QString &description, QString damagedCopy)
        : Error(description), m_damagedCopy(std::move(damagedCopy))
    {
    }
    const QString &damagedCopy() const { return m_damagedCopy; }

private:
    QString m_damagedCopy;
};

// Makes today's copy of the database unless a sound one exists, checks it,
// then removes the copies no longer kept. now is the time the copy is
// stamped with (its modification time) and its name's date. Returns the
// copy's path, or empty text when there is no database to copy. Throws
// DamagedDatabase when the database fails the check, Error when no copy can
// be made.
QString makeDailyCopy(const QString &databasePath, const QDateTime &now);
// The same, stamped with the given day at the present time of day.
QString makeDailyCopy(const QString &databasePath, const QDate &today = QDate::currentDate());

// Why the file is not a sound Marrowdesk database, as the end of a sentence
// ("is empty (zero bytes), so it is not a Marrowdesk database."); empty
// text when it is sound. Checks what opening checks (application id, schema version, tables) and SQLite's
// quick_check. A journal or log beside the file is applied, as SQLite would,
// in a private copy; the file itself is only read.
QString problemWith(const QString &path);

// The number of issues in a database file, or -1 when it cannot be read;
// a journal or log beside it is applied in a private copy first.
int issueCount(const QString &path);

// The files earlier restores kept aside beside the database
// (dbData-before-restore-*.mdb), newest made first; whether each is sound
// is for problemWith to say.
QList<Copy> setAside(const QString &databasePath);

// Replaces the database with the backup; a database given as a link is
// restored into the file the link names. The backup is read as SQLite would
// read it after a crash and checked first. Other connections to the
// database are waited for (5 s) and refused after. The current file keeps a
// second name, dbData-before-restore-YYYY-MM-DD-HHMMSS.mdb in the
// database's folder, and the checked copy is renamed over the database.
// Returns the name the current file was kept under (empty when there was
// none). Throws Error, and then the database is as it was. A restore killed
// at any point leaves the old file or the new one in place, and maybe a
// *.restoring file, which removeLeftovers takes away.
QString restore(const QString &backupPath, const QString &databasePath,
                const QDateTime &now = QDateTime::currentDateTime());

// Removes what a restore that was killed left beside the database: its
// unfinished copies (*.restoring). No restore may run meanwhile.
void removeLeftovers(const QString &databasePath);

// For tests: called after each step of a restore that writes, links or
// renames a file, so that a test can kill the program at each of them.
void setRestoreStepHook(std::function<void()> hook);

} // namespace Backup
