#pragma once
// What every SQLite connection of the program needs before its first
// statement: the case-insensitive collation and the SQL functions that the
// translated statements, the schema's views and its triggers call.
//
//  MARROW_NOCASE                 the program's one text collation
//                                (data/TextCollator.h), as the server has it
//  jet_add(a, b)                 "+" of the program's dialect
//  jet_first(x, rowid), jet_last the value in the first / last row by rowid
//  marrow_date_in(x)             date text (ISO or the locale's short form)
//                                to the stored ISO text; fails on non-dates
//  marrow_refuse_duplicate(l, v) fails with a message naming the value
//  marrow_delete_group()         the trash group of the rows being deleted
//  marrow_deleting_command()     the name of the command deleting them
//  marrow_changed_by()           who changes, account@machine, for the history
//  marrow_change_source()        by what ("the program", "marrowdesk-sql")
//  marrow_change_id()            the number grouping one transaction's entries
//  marrow_change_time()          this machine's time, milliseconds since 1970

#include <QByteArray>
#include <QString>

struct sqlite3;

namespace Engine {

// Who is deleting on one connection, for the trash's triggers. A command
// holds one group for all its statements; outside a command every statement
// starts a group of its own (the owner sets group to 0 before each one), and
// the group is made when its first row is deleted.
struct DeletingCommand {
    QByteArray name = "Marrowdesk";
    qint64 group = 0;
    qint64 floor = 0; // every group made is above it (data/TrashClock.h)
    bool held = false;
    // Who changes, and by what, for the history's triggers.
    QByteArray changedBy;
    QByteArray changeSource = "another program";
    // The change ID of the open transaction, 0 until its first history
    // entry; the commit or rollback ends it.
    qint64 change = 0;
};

// Registers the collation, the functions and the hooks that end a change.
// The trash's and the history's functions read deleting, which must outlive
// the handle. Without one the handle gets a
// record of its own that no one resets: whatever it deletes, over its whole
// life, is one group named "Marrowdesk" (the template's build and the
// backup's checks delete nothing).
int registerExtensions(sqlite3 *db, DeletingCommand *deleting = nullptr);

// The text without its accents and case folded, for finding a typed text
// inside others whatever their accents ("cafe" finds "Café").
QString withoutCaseAndAccents(const QString &text);

} // namespace Engine
