#pragma once
// What happened to an issue or contact, as the database's triggers recorded
// it (data/SchemaUpgrade.cpp, version 7; data/postgres/PgHistory.sql), the
// notes on an issue, and putting changes back.
//
// The history holds one entry per changed field of every change, whoever
// made it and by whatever program; an insert, a delete and a restore are
// one entry each. Entries of one transaction share a change ID, so that a
// whole save is put back at once. Reverting goes through the same check as
// a save (data/ConcurrentSave.h): only while the item is still at the
// version the change left; otherwise ConcurrentSave::ChangedMeanwhile
// carries the item as it is now, and nothing is changed.
//
// Every call works on a file and on a server alike and throws Error (or
// Refusal, when the user can mend the cause).

#include "data/Value.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class Connection;
class Recordset;

namespace IssueHistory {

enum class Item { Issue, Contact };

enum class Kind {
    Added,
    Changed,
    Closed,   // the Status changed from an open one to a closed one
    Reopened, // and back
    Deleted,
    Restored,   // put back from the trash
    KnownSince, // the item was there when the history began
    NoteAdded,
    NoteRemoved,
    Attached, // a file attached, or its removal taken back (noteId names the attachment)
    AttachmentRemoved,
};

// The kind as the database stores it ("changed", "known since"), and back;
// none for text that names no kind.
QString kindText(Kind kind);
std::optional<Kind> kindOf(const QString &text);

struct Entry {
    qint64 seq = 0; // the order entries were recorded in, whatever the clocks said
    Item item = Item::Issue;
    qint64 itemId = 0;
    Kind kind = Kind::Changed;
    // The column changed ("Due Date"); empty for an entry about the whole item
    // or a note.
    QString field;
    // As the column holds them: dates as dates, contacts' IDs as integers,
    // text as text; null for none. An insert or restore has the issue's
    // title (the contact's name) as its new value, a delete as its old one;
    // a note's entry its text.
    Value oldValue;
    Value newValue;
    QDateTime when; // local time; the server's clock on a server
    QString who;    // account@machine, or the server login that has no such name
    QString role;   // the server login role; empty on a file
    QString via;    // "the program", "marrowdesk-sql", "CSV import", "a restore", "another program"
    qint64 changeId = 0;
    qint64 versionAfter = 0; // the item's Version once changed (0 when unknown)
    qint64 noteId = 0;       // the note of a note's entry, the attachment of an attachment's
};

struct Note {
    qint64 id = 0;
    qint64 issueId = 0;
    QDateTime added; // local time
    QString author;  // as Entry::who
    QString text;
};

// Every entry of the item, newest first; a deleted item's too.
QList<Entry> entries(Connection &connection, Item item, qint64 id);

// The columns an entry is read from, for a statement over [History] of the
// program's dialect (data/ReportQueries.cpp), and the entries of rows read
// with them, in the rows' order.
QString entryColumns();
QList<Entry> entriesOf(const Recordset &rows);

// The entries of one change, in the order recorded.
QList<Entry> change(Connection &connection, qint64 changeId);

// Who this connection's changes are recorded as (Entry::who).
QString currentUser(Connection &connection);

// The newest change this user made (its newest entry, whose changeId names
// the whole change), "known since" entries aside; none when they made none.
std::optional<Entry> lastChangeBy(Connection &connection, const QString &who);

// The issue's notes, newest first.
QList<Note> notes(Connection &connection, qint64 issueId);

// Adds a note to the issue, by this user, now; returns its ID. Refuses
// text that is empty or only blanks, and an issue that no longer exists.
qint64 addNote(Connection &connection, qint64 issueId, const QString &text);

// Takes a note back (the history keeps its text); false when it was gone.
bool removeNote(Connection &connection, qint64 noteId);

// Puts back the old value of one field entry (changed, closed, reopened),
// or takes back the note of a "note added" entry, when the item is still at
// the entry's versionAfter. Throws ConcurrentSave::ChangedMeanwhile or
// DeletedMeanwhile when it is not, Refusal for an entry of another kind.
void revertEntry(Connection &connection, qint64 seq);

// The same for every entry of one change, as one transaction: each field
// gets the value it had before the change, each note the change added goes.
// Refuses a change that deleted, added or restored an item (the trash
// undoes deletes) and any item changed since.
void revertChange(Connection &connection, qint64 changeId);

} // namespace IssueHistory
