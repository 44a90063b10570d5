#include "data/SchemaUpgrade.h"

#include "data/CollationUpgrade.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/PreparedStatement.h"
#include "data/SchemaObjects.h"
#include "data/Transaction.h"
#include "data/sqlite/SqliteSession.h"

#include <QSet>
#include <QStringList>

#include <vector>

#include <sqlite3.h>

namespace SchemaUpgrade {
namespace {

// Every step can run again on a file that has it already, as on a file
// whose user_version was set back by hand: what a step makes is made only
// where it is missing, and its columns (listed with the step, as SQLite has
// no ALTER TABLE ... ADD COLUMN IF NOT EXISTS) only to a table without them.

// Triggers rather than a foreign key: SQLite cannot add one to an existing
// table without rebuilding it, and files holding issues of deleted contacts
// must still open. A missing contact (Null) is not a contact that does not
// exist, and stays allowed.
const char *const toVersion2 = R"sql(
CREATE TRIGGER IF NOT EXISTS IssuesContactsOnInsert BEFORE INSERT ON Issues
WHEN (NEW.[Assigned To] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Assigned To]))
  OR (NEW.[Opened By] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Opened By]))
BEGIN
    SELECT RAISE(ABORT, 'The issue names a contact that does not exist (it may have been deleted meanwhile). Choose another contact.');
END;

CREATE TRIGGER IF NOT EXISTS IssuesContactsOnUpdate BEFORE UPDATE OF [Assigned To], [Opened By] ON Issues
WHEN (NEW.[Assigned To] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Assigned To]))
  OR (NEW.[Opened By] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Opened By]))
BEGIN
    SELECT RAISE(ABORT, 'The issue names a contact that does not exist (it may have been deleted meanwhile). Choose another contact.');
END;
)sql";

// The trash: every issue, contact and list value deleted, by any statement of
// any program that uses our data layer, is copied here first by a trigger,
// so that a delete can be undone. DeleteGroup numbers the rows one command
// (or one statement outside a command) deleted; it is the time of that
// delete in microseconds since 1970 (UTC), so the groups also sort by time.
// DeletedBy names the command. Both come from the connection
// (marrow_delete_group, marrow_deleting_command in data/Engine.cpp).
const char *const toVersion3 = R"sql(
CREATE TABLE IF NOT EXISTS TrashIssues (
    DeleteGroup INTEGER NOT NULL,
    DeletedBy TEXT,
    ID INTEGER,
    Title TEXT COLLATE MARROW_NOCASE,
    [Assigned To] INTEGER,
    [Opened By] INTEGER,
    [Opened Date] DATE,
    Status TEXT COLLATE MARROW_NOCASE,
    Category TEXT COLLATE MARROW_NOCASE,
    Priority TEXT COLLATE MARROW_NOCASE,
    Comment TEXT COLLATE MARROW_NOCASE,
    [Due Date] DATE
);
CREATE TABLE IF NOT EXISTS TrashContacts (
    DeleteGroup INTEGER NOT NULL,
    DeletedBy TEXT,
    ID INTEGER,
    [First Name] TEXT COLLATE MARROW_NOCASE,
    [Last Name] TEXT COLLATE MARROW_NOCASE,
    [E-mail Address] TEXT COLLATE MARROW_NOCASE,
    Company TEXT COLLATE MARROW_NOCASE,
    [Job Title] TEXT COLLATE MARROW_NOCASE,
    [Business Phone] TEXT COLLATE MARROW_NOCASE,
    [Home Phone] TEXT COLLATE MARROW_NOCASE,
    [Mobile Phone] TEXT COLLATE MARROW_NOCASE,
    [Fax Number] TEXT COLLATE MARROW_NOCASE,
    Address TEXT COLLATE MARROW_NOCASE,
    City TEXT COLLATE MARROW_NOCASE,
    State TEXT COLLATE MARROW_NOCASE,
    ZIP TEXT COLLATE MARROW_NOCASE,
    Country TEXT COLLATE MARROW_NOCASE,
    [Web Page] TEXT COLLATE MARROW_NOCASE,
    Notes TEXT COLLATE MARROW_NOCASE
);
CREATE TABLE IF NOT EXISTS TrashValues (
    DeleteGroup INTEGER NOT NULL,
    DeletedBy TEXT,
    List TEXT NOT NULL,
    Value TEXT COLLATE MARROW_NOCASE
);
CREATE INDEX IF NOT EXISTS TrashIssuesByGroup ON TrashIssues (DeleteGroup);
CREATE INDEX IF NOT EXISTS TrashContactsByGroup ON TrashContacts (DeleteGroup);
CREATE INDEX IF NOT EXISTS TrashValuesByGroup ON TrashValues (DeleteGroup);

CREATE TRIGGER IF NOT EXISTS IssuesToTrash AFTER DELETE ON Issues
BEGIN
    INSERT INTO TrashIssues VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD.ID, OLD.Title, OLD.[Assigned To], OLD.[Opened By], OLD.[Opened Date], OLD.Status, OLD.Category, OLD.Priority, OLD.Comment, OLD.[Due Date]);
END;

CREATE TRIGGER IF NOT EXISTS ContactsToTrash AFTER DELETE ON Contacts
BEGIN
    INSERT INTO TrashContacts VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD.ID, OLD.[First Name], OLD.[Last Name], OLD.[E-mail Address], OLD.Company, OLD.[Job Title], OLD.[Business Phone], OLD.[Home Phone], OLD.[Mobile Phone], OLD.[Fax Number], OLD.Address, OLD.City, OLD.State, OLD.ZIP, OLD.Country, OLD.[Web Page], OLD.Notes);
END;

CREATE TRIGGER IF NOT EXISTS StatusToTrash AFTER DELETE ON Status
BEGIN
    INSERT INTO TrashValues VALUES (marrow_delete_group(), marrow_deleting_command(), 'Status', OLD.Status);
END;

CREATE TRIGGER IF NOT EXISTS CategoriesToTrash AFTER DELETE ON Categories
BEGIN
    INSERT INTO TrashValues VALUES (marrow_delete_group(), marrow_deleting_command(), 'Categories', OLD.Category);
END;

CREATE TRIGGER IF NOT EXISTS PrioritiesToTrash AFTER DELETE ON Priorities
BEGIN
    INSERT INTO TrashValues VALUES (marrow_delete_group(), marrow_deleting_command(), 'Priorities', OLD.Priority);
END;
)sql";

// Every issue and contact carries a version, 1 when added and one more on
// every change, so that an editor can tell whether the row changed since it
// read it. The version a change leaves is the one the statement wrote (the
// row's own when it writes none) plus one; the server does the same
// (data/postgres/PgSchema.sql). One trigger after an update both converts
// the dates and counts up: SQLite runs no trigger twice for one change, so
// the update made by the insert trigger, which counts up too, first steps
// the version back.
const char *const toVersion4 = R"sql(
DROP TRIGGER IF EXISTS IssuesDatesOnInsert;
DROP TRIGGER IF EXISTS IssuesDatesOnUpdate;

CREATE TRIGGER IF NOT EXISTS IssuesDatesOnInsert AFTER INSERT ON Issues
BEGIN
    UPDATE Issues
       SET [Opened Date] = marrow_date_in(NEW.[Opened Date]),
           [Due Date] = marrow_date_in(NEW.[Due Date]),
           Version = NEW.Version - 1
     WHERE ID = NEW.ID;
END;

CREATE TRIGGER IF NOT EXISTS IssuesOnUpdate AFTER UPDATE ON Issues
BEGIN
    UPDATE Issues
       SET [Opened Date] = marrow_date_in(NEW.[Opened Date]),
           [Due Date] = marrow_date_in(NEW.[Due Date]),
           Version = NEW.Version + 1
     WHERE ID = NEW.ID;
END;

CREATE TRIGGER IF NOT EXISTS ContactsVersion AFTER UPDATE ON Contacts
BEGIN
    UPDATE Contacts SET Version = NEW.Version + 1 WHERE ID = NEW.ID;
END;
)sql";

// The trash keeps each row's Version, and a restore counts it up once more:
// an editor still open on the row as it was before the delete must find it
// changed, not save over what was restored.
const char *const toVersion5 = R"sql(
DROP TRIGGER IF EXISTS IssuesToTrash;
DROP TRIGGER IF EXISTS ContactsToTrash;

CREATE TRIGGER IF NOT EXISTS IssuesToTrash AFTER DELETE ON Issues
BEGIN
    INSERT INTO TrashIssues VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD.ID, OLD.Title, OLD.[Assigned To], OLD.[Opened By], OLD.[Opened Date], OLD.Status, OLD.Category, OLD.Priority, OLD.Comment, OLD.[Due Date], OLD.Version);
END;

CREATE TRIGGER IF NOT EXISTS ContactsToTrash AFTER DELETE ON Contacts
BEGIN
    INSERT INTO TrashContacts VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD.ID, OLD.[First Name], OLD.[Last Name], OLD.[E-mail Address], OLD.Company, OLD.[Job Title], OLD.[Business Phone], OLD.[Home Phone], OLD.[Mobile Phone], OLD.[Fax Number], OLD.Address, OLD.City, OLD.State, OLD.ZIP, OLD.Country, OLD.[Web Page], OLD.Notes, OLD.Version);
END;
)sql";

// Text compares with the program's one collation (data/TextCollator.h), the
// one a server's marrow_nocase has: the indexes ordered by the collation are
// rebuilt in its new order, and the closed rule compares with it too (before,
// only "Closed" in ASCII letters of any case closed an issue). The value
// lists' triggers compare with the column's collation, so they refuse a new
// value equal to one there under the new rule without being made again.
const char *const toVersion6 = R"sql(
REINDEX MARROW_NOCASE;

DROP VIEW IF EXISTS [Open Issues];
DROP VIEW IF EXISTS [Closed Issues];

CREATE VIEW [Open Issues] AS
SELECT * FROM [Issues With Names] WHERE coalesce(trim(Status), '') COLLATE MARROW_NOCASE <> 'Closed';

CREATE VIEW [Closed Issues] AS
SELECT * FROM [Issues With Names] WHERE coalesce(trim(Status), '') COLLATE MARROW_NOCASE = 'Closed';
)sql";

// The history: every insert, change, close, reopen and delete of an issue
// or contact, and every note, leaves entries here, one per changed field,
// written by the triggers whatever program runs the statement. Seq gives
// the order (a clock set back on this machine does not reorder them),
// ChangedAt the wall time in milliseconds since 1970, ChangeID groups one
// transaction's entries (the Seq of its first), VersionAfter is the item's
// Version once the change is made, for a revert against it. Who and by what
// come from the connection (marrow_changed_by, marrow_change_source in
// data/sqlite/Engine.cpp). Values compare as stored, so a change of letter
// case counts; dates as they are stored, in ISO form. The server has the
// same (data/postgres/PgHistory.sql). Items known before the history start
// with one "known since" entry. An issue's fields are recorded by triggers
// of their own, apart from the one that counts the version, each only for
// an update of its columns: SQLite builds a trigger's program into every
// statement that may fire it, and the update an insert makes to store its
// dates need not carry the others. That update is no change of its own
// and leaves no entry: it alone writes a version one below the row's.
const char *const toVersion7 = R"sql(
CREATE TABLE IF NOT EXISTS History (
    Seq INTEGER PRIMARY KEY,
    Item TEXT NOT NULL,
    ItemID INTEGER NOT NULL,
    Kind TEXT NOT NULL,
    Field TEXT,
    OldValue,
    NewValue,
    ChangedAt INTEGER NOT NULL,
    ChangedBy TEXT,
    Role TEXT,
    Via TEXT,
    ChangeID INTEGER NOT NULL,
    VersionAfter INTEGER,
    NoteID INTEGER
);
CREATE INDEX IF NOT EXISTS HistoryByItem ON History (ItemID, Item);
CREATE INDEX IF NOT EXISTS HistoryByChange ON History (ChangeID);

CREATE TABLE IF NOT EXISTS Notes (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    [Issue ID] INTEGER NOT NULL,
    Added INTEGER,
    Author TEXT,
    Text TEXT
);
CREATE INDEX IF NOT EXISTS NotesByIssue ON Notes ([Issue ID]);

CREATE INDEX IF NOT EXISTS TrashIssuesByID ON TrashIssues (ID);
CREATE INDEX IF NOT EXISTS TrashContactsByID ON TrashContacts (ID);

DROP TRIGGER IF EXISTS IssuesDatesOnInsert;
DROP TRIGGER IF EXISTS ContactsVersion;

CREATE TRIGGER IF NOT EXISTS IssuesDatesOnInsert AFTER INSERT ON Issues
BEGIN
    UPDATE Issues
       SET [Opened Date] = marrow_date_in(NEW.[Opened Date]),
           [Due Date] = marrow_date_in(NEW.[Due Date]),
           Version = NEW.Version - 1
     WHERE ID = NEW.ID;
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Issue', NEW.ID,
            CASE WHEN EXISTS (SELECT 1 FROM TrashIssues WHERE ID = NEW.ID AND coalesce(Version, 0) + 1 = NEW.Version)
                 THEN 'restored' ELSE 'added' END,
            NULL, NULL, NEW.Title, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version, NULL);
END;

CREATE TRIGGER IF NOT EXISTS IssuesHistoryOnUpdate
AFTER UPDATE OF Title, [Assigned To], [Opened By], Status, Category, Priority, Comment ON Issues
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Issue', NEW.ID,
           CASE WHEN f <> 'Status' OR (coalesce(trim(o), '') COLLATE MARROW_NOCASE = 'Closed') = (coalesce(trim(n), '') COLLATE MARROW_NOCASE = 'Closed') THEN 'changed'
                WHEN coalesce(trim(n), '') COLLATE MARROW_NOCASE = 'Closed' THEN 'closed'
                ELSE 'reopened' END,
           f, o, n, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version + 1, NULL
      FROM (SELECT 'Title' AS f, OLD.Title AS o, NEW.Title AS n
            UNION ALL SELECT 'Assigned To', OLD.[Assigned To], NEW.[Assigned To]
            UNION ALL SELECT 'Opened By', OLD.[Opened By], NEW.[Opened By]
            UNION ALL SELECT 'Status', OLD.Status, NEW.Status
            UNION ALL SELECT 'Category', OLD.Category, NEW.Category
            UNION ALL SELECT 'Priority', OLD.Priority, NEW.Priority
            UNION ALL SELECT 'Comment', OLD.Comment, NEW.Comment)
     WHERE o IS NOT n COLLATE BINARY;
END;

CREATE TRIGGER IF NOT EXISTS IssuesDatesHistoryOnUpdate AFTER UPDATE OF [Opened Date], [Due Date] ON Issues
WHEN NEW.Version <> OLD.Version - 1
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Issue', NEW.ID, 'changed', f, o, n, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version + 1, NULL
      FROM (SELECT 'Opened Date' AS f, marrow_date_in(OLD.[Opened Date]) AS o, marrow_date_in(NEW.[Opened Date]) AS n
            UNION ALL SELECT 'Due Date', marrow_date_in(OLD.[Due Date]), marrow_date_in(NEW.[Due Date]))
     WHERE o IS NOT n COLLATE BINARY;
END;

CREATE TRIGGER IF NOT EXISTS IssuesHistoryOnDelete AFTER DELETE ON Issues
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Issue', OLD.ID, 'deleted', NULL, OLD.Title, NULL, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), OLD.Version, NULL);
END;

CREATE TRIGGER IF NOT EXISTS ContactsHistoryOnInsert AFTER INSERT ON Contacts
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Contact', NEW.ID,
            CASE WHEN EXISTS (SELECT 1 FROM TrashContacts WHERE ID = NEW.ID AND coalesce(Version, 0) + 1 = NEW.Version)
                 THEN 'restored' ELSE 'added' END,
            NULL, NULL, trim(coalesce(NEW.[First Name], '') || ' ' || coalesce(NEW.[Last Name], '')), marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version, NULL);
END;

CREATE TRIGGER IF NOT EXISTS ContactsVersion AFTER UPDATE ON Contacts
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Contact', NEW.ID, 'changed', f, o, n, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version + 1, NULL
      FROM (SELECT 'First Name' AS f, OLD.[First Name] AS o, NEW.[First Name] AS n
            UNION ALL SELECT 'Last Name', OLD.[Last Name], NEW.[Last Name]
            UNION ALL SELECT 'E-mail Address', OLD.[E-mail Address], NEW.[E-mail Address]
            UNION ALL SELECT 'Company', OLD.Company, NEW.Company
            UNION ALL SELECT 'Job Title', OLD.[Job Title], NEW.[Job Title]
            UNION ALL SELECT 'Business Phone', OLD.[Business Phone], NEW.[Business Phone]
            UNION ALL SELECT 'Home Phone', OLD.[Home Phone], NEW.[Home Phone]
            UNION ALL SELECT 'Mobile Phone', OLD.[Mobile Phone], NEW.[Mobile Phone]
            UNION ALL SELECT 'Fax Number', OLD.[Fax Number], NEW.[Fax Number]
            UNION ALL SELECT 'Address', OLD.Address, NEW.Address
            UNION ALL SELECT 'City', OLD.City, NEW.City
            UNION ALL SELECT 'State', OLD.State, NEW.State
            UNION ALL SELECT 'ZIP', OLD.ZIP, NEW.ZIP
            UNION ALL SELECT 'Country', OLD.Country, NEW.Country
            UNION ALL SELECT 'Web Page', OLD.[Web Page], NEW.[Web Page]
            UNION ALL SELECT 'Notes', OLD.Notes, NEW.Notes)
     WHERE o IS NOT n COLLATE BINARY;
    UPDATE Contacts SET Version = NEW.Version + 1 WHERE ID = NEW.ID;
END;

CREATE TRIGGER IF NOT EXISTS ContactsHistoryOnDelete AFTER DELETE ON Contacts
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Contact', OLD.ID, 'deleted', NULL, trim(coalesce(OLD.[First Name], '') || ' ' || coalesce(OLD.[Last Name], '')), NULL, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), OLD.Version, NULL);
END;

CREATE TRIGGER IF NOT EXISTS NotesOnInsert AFTER INSERT ON Notes
BEGIN
    SELECT RAISE(ABORT, 'The issue no longer exists (it may have been deleted meanwhile); the note was not added.')
     WHERE NOT EXISTS (SELECT 1 FROM Issues WHERE ID = NEW.[Issue ID]);
    UPDATE Notes SET Added = marrow_change_time(), Author = marrow_changed_by() WHERE ID = NEW.ID;
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Issue', NEW.[Issue ID], 'note added', NULL, NULL, NEW.Text, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), Version, NEW.ID
      FROM Issues WHERE ID = NEW.[Issue ID];
END;

CREATE TRIGGER IF NOT EXISTS NotesOnDelete AFTER DELETE ON Notes
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Issue', OLD.[Issue ID], 'note removed', NULL, OLD.Text, NULL, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(),
            (SELECT Version FROM Issues WHERE ID = OLD.[Issue ID]), OLD.ID);
END;

INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
SELECT 'Issue', ID, 'known since', NULL, NULL, Title, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), Version, NULL
  FROM Issues WHERE NOT EXISTS (SELECT 1 FROM History h WHERE h.ItemID = Issues.ID AND h.Item = 'Issue') ORDER BY ID;
INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
SELECT 'Contact', ID, 'known since', NULL, NULL, trim(coalesce(Contacts.[First Name], '') || ' ' || coalesce(Contacts.[Last Name], '')), marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), Version, NULL
  FROM Contacts WHERE NOT EXISTS (SELECT 1 FROM History h WHERE h.ItemID = Contacts.ID AND h.Item = 'Contact') ORDER BY ID;
)sql";

// Saved views and the order of the value lists. A view is a query of the
// find box with its sort, its shown columns (their captions, one per line;
// empty for all) and whether closed issues show. On a file every view is the
// user's, Owner Null; a server names the login that saved it and lets
// others read it when Shared (data/postgres/PgViews.sql). One owner names a
// view once. ValueOrder gives a value of a list ('Status', 'Categories',
// 'Priorities', as the trash names them) its place in the list's sort; a
// value without one sorts after them. The history by who changed, newest
// first, is what Undo looks up.
const char *const toVersion8 = R"sql(
CREATE TABLE IF NOT EXISTS SavedViews (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    Name TEXT NOT NULL COLLATE MARROW_NOCASE,
    Query TEXT,
    SortColumn TEXT,
    SortDescending INTEGER NOT NULL DEFAULT 0,
    Columns TEXT,
    ShowClosed INTEGER NOT NULL DEFAULT 0,
    Owner TEXT,
    Shared INTEGER NOT NULL DEFAULT 0
);
CREATE UNIQUE INDEX IF NOT EXISTS SavedViewsByOwner ON SavedViews (coalesce(Owner, ''), Name);

CREATE TABLE IF NOT EXISTS ValueOrder (
    List TEXT NOT NULL,
    Value TEXT NOT NULL COLLATE MARROW_NOCASE,
    Position INTEGER NOT NULL,
    PRIMARY KEY (List, Value)
);

CREATE INDEX IF NOT EXISTS HistoryByWho ON History (ChangedBy, Seq);
)sql";

// Attachments to issues. A file's content is kept once, however many
// attachments name it: AttachmentContent by its SHA-256 (hex) with its
// size, written first so that a second writer of the same content finds
// it there, and its bytes in AttachmentChunks, numbered from 0. An
// attachment names its issue, the content and the type sniffed from the
// content; the trigger stamps when and by whom it was added. Removing one
// sets Removed (a time) and taking that back clears it, each an entry of
// the issue's history. An attachment keeps its issue ID while the issue is
// in the trash, as notes do; the purge of the issue's last trash row
// deletes its attachments, and content no attachment names goes with them.
// The history's NoteID names the attachment of its entries.
const char *const toVersion9 = R"sql(
CREATE TABLE IF NOT EXISTS AttachmentContent (
    Hash TEXT PRIMARY KEY,
    Size INTEGER NOT NULL
);
CREATE TABLE IF NOT EXISTS AttachmentChunks (
    Hash TEXT NOT NULL,
    Number INTEGER NOT NULL,
    Data BLOB NOT NULL,
    PRIMARY KEY (Hash, Number)
);
CREATE TABLE IF NOT EXISTS Attachments (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
    [Issue ID] INTEGER NOT NULL,
    Name TEXT NOT NULL,
    Type TEXT,
    Size INTEGER NOT NULL,
    Hash TEXT NOT NULL REFERENCES AttachmentContent (Hash),
    Added INTEGER,
    AddedBy TEXT,
    Removed INTEGER,
    RemovedBy TEXT
);
CREATE INDEX IF NOT EXISTS AttachmentsByIssue ON Attachments ([Issue ID]);
CREATE INDEX IF NOT EXISTS AttachmentsByHash ON Attachments (Hash);

CREATE TRIGGER IF NOT EXISTS AttachmentsOnInsert AFTER INSERT ON Attachments
BEGIN
    SELECT RAISE(ABORT, 'The issue no longer exists (it may have been deleted meanwhile); the file was not attached.')
     WHERE NOT EXISTS (SELECT 1 FROM Issues WHERE ID = NEW.[Issue ID]);
    UPDATE Attachments SET Added = marrow_change_time(), AddedBy = marrow_changed_by() WHERE ID = NEW.ID;
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Issue', NEW.[Issue ID], 'attached', NULL, NULL, NEW.Name, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), Version, NEW.ID
      FROM Issues WHERE ID = NEW.[Issue ID];
END;

CREATE TRIGGER IF NOT EXISTS AttachmentsOnRemove AFTER UPDATE OF Removed ON Attachments
WHEN (OLD.Removed IS NULL) <> (NEW.Removed IS NULL)
BEGIN
    UPDATE Attachments
       SET Removed = CASE WHEN NEW.Removed IS NULL THEN NULL ELSE marrow_change_time() END,
           RemovedBy = CASE WHEN NEW.Removed IS NULL THEN NULL ELSE marrow_changed_by() END
     WHERE ID = NEW.ID;
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    VALUES ('Issue', NEW.[Issue ID], CASE WHEN NEW.Removed IS NULL THEN 'attached' ELSE 'attachment removed' END, NULL,
            CASE WHEN NEW.Removed IS NULL THEN NULL ELSE NEW.Name END, CASE WHEN NEW.Removed IS NULL THEN NEW.Name END,
            marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(),
            (SELECT Version FROM Issues WHERE ID = NEW.[Issue ID]), NEW.ID);
END;

CREATE TRIGGER IF NOT EXISTS AttachmentsPurged AFTER DELETE ON TrashIssues
WHEN NOT EXISTS (SELECT 1 FROM Issues WHERE ID = OLD.ID) AND NOT EXISTS (SELECT 1 FROM TrashIssues WHERE ID = OLD.ID)
BEGIN
    DELETE FROM Attachments WHERE [Issue ID] = OLD.ID;
END;

CREATE TRIGGER IF NOT EXISTS AttachmentContentFreed AFTER DELETE ON Attachments
WHEN NOT EXISTS (SELECT 1 FROM Attachments WHERE Hash = OLD.Hash)
BEGIN
    DELETE FROM AttachmentChunks WHERE Hash = OLD.Hash;
    DELETE FROM AttachmentContent WHERE Hash = OLD.Hash;
END;
)sql";

// Issues a person watches, and how far each has seen an issue's history.
// Who is the account as marrow_changed_by() names it. Watching is 1 for an
// issue the person chose to watch, 0 for a row that only keeps SeenSeq of
// an issue watched without choosing (one they opened or are assigned).
// SeenSeq is the newest History Seq of the issue the person has seen.
const char *const toVersion10 = R"sql(
CREATE TABLE IF NOT EXISTS Watches (
    Who TEXT NOT NULL,
    [Issue ID] INTEGER NOT NULL,
    Watching INTEGER NOT NULL DEFAULT 1,
    SeenSeq INTEGER NOT NULL DEFAULT 0,
    PRIMARY KEY (Who, [Issue ID])
);
)sql";

// Statuses that close an issue besides "Closed" (a team's "Done", "Won't
// fix"), kept without the blanks around them. "Closed" itself closes
// whatever the table holds, so no statement of any program can make it
// open. The two views and the history's "closed" and "reopened" follow the
// marks; the history keeps what each change was under the marks of its
// time.
const char *const toVersion11 = R"sql(
CREATE TABLE IF NOT EXISTS ClosingStatuses (
    Status TEXT NOT NULL COLLATE MARROW_NOCASE PRIMARY KEY
);

DROP VIEW IF EXISTS [Open Issues];
DROP VIEW IF EXISTS [Closed Issues];

CREATE VIEW [Open Issues] AS
SELECT * FROM [Issues With Names]
 WHERE coalesce(trim(Status), '') COLLATE MARROW_NOCASE <> 'Closed'
   AND coalesce(trim(Status), '') COLLATE MARROW_NOCASE NOT IN (SELECT Status FROM ClosingStatuses);

CREATE VIEW [Closed Issues] AS
SELECT * FROM [Issues With Names]
 WHERE coalesce(trim(Status), '') COLLATE MARROW_NOCASE = 'Closed'
    OR coalesce(trim(Status), '') COLLATE MARROW_NOCASE IN (SELECT Status FROM ClosingStatuses);

DROP TRIGGER IF EXISTS IssuesHistoryOnUpdate;

CREATE TRIGGER IF NOT EXISTS IssuesHistoryOnUpdate
AFTER UPDATE OF Title, [Assigned To], [Opened By], Status, Category, Priority, Comment ON Issues
BEGIN
    INSERT INTO History (Item, ItemID, Kind, Field, OldValue, NewValue, ChangedAt, ChangedBy, Via, ChangeID, VersionAfter, NoteID)
    SELECT 'Issue', NEW.ID,
           CASE WHEN f <> 'Status' OR oc = nc THEN 'changed' WHEN nc THEN 'closed' ELSE 'reopened' END,
           f, o, n, marrow_change_time(), marrow_changed_by(), marrow_change_source(), marrow_change_id(), NEW.Version + 1, NULL
      FROM (SELECT f, o, n,
                   f = 'Status' AND (coalesce(trim(o), '') COLLATE MARROW_NOCASE = 'Closed'
                                     OR coalesce(trim(o), '') COLLATE MARROW_NOCASE IN (SELECT Status FROM ClosingStatuses)) AS oc,
                   f = 'Status' AND (coalesce(trim(n), '') COLLATE MARROW_NOCASE = 'Closed'
                                     OR coalesce(trim(n), '') COLLATE MARROW_NOCASE IN (SELECT Status FROM ClosingStatuses)) AS nc
              FROM (SELECT 'Title' AS f, OLD.Title AS o, NEW.Title AS n
                    UNION ALL SELECT 'Assigned To', OLD.[Assigned To], NEW.[Assigned To]
                    UNION ALL SELECT 'Opened By', OLD.[Opened By], NEW.[Opened By]
                    UNION ALL SELECT 'Status', OLD.Status, NEW.Status
                    UNION ALL SELECT 'Category', OLD.Category, NEW.Category
                    UNION ALL SELECT 'Priority', OLD.Priority, NEW.Priority
                    UNION ALL SELECT 'Comment', OLD.Comment, NEW.Comment))
     WHERE o IS NOT n COLLATE BINARY;
END;
)sql";

// The version that moved text to the one collation.
constexpr int oneCollationVersion = 6;

// A column a step adds, before its statements run.
struct AddedColumn {
    const char *table;
    const char *name;
    const char *type;
};

struct Step {
    std::vector<AddedColumn> columns;
    const char *sql;
};

const Step steps[] = {
    {{}, toVersion2},
    {{}, toVersion3},
    {{{"Issues", "Version", "INTEGER NOT NULL DEFAULT 1"}, {"Contacts", "Version", "INTEGER NOT NULL DEFAULT 1"}},
     toVersion4},
    {{{"TrashIssues", "Version", "INTEGER"}, {"TrashContacts", "Version", "INTEGER"}}, toVersion5},
    {{}, toVersion6},
    {{}, toVersion7},
    {{}, toVersion8},
    {{}, toVersion9},
    {{}, toVersion10},
    {{}, toVersion11},
};

void run(sqlite3 *db, const char *sql, const QString &fileName)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(db, rc, fileName));
}

int userVersion(sqlite3 *db, const QString &fileName)
{
    PreparedStatement pragma(db, QStringLiteral("PRAGMA user_version"), fileName);
    return pragma.step() ? sqlite3_column_int(pragma.handle(), 0) : 0;
}

// The tables of the first version, which every later one keeps.
const char *const firstTables[] = {"Contacts", "Issues", "Status", "Categories", "Priorities"};

bool hasColumn(sqlite3 *db, const char *table, const char *column, const QString &fileName)
{
    PreparedStatement present(db,
                              QStringLiteral("SELECT 1 FROM pragma_table_info('%1') WHERE name = '%2' COLLATE NOCASE")
                                  .arg(QLatin1String(table), QLatin1String(column)),
                              fileName);
    return present.step();
}

// The indexes, triggers and views of the newest schema that the file
// lacks. Only a file with all of the schema's tables is mended: a missing
// table is not made again, since its rows would be lost unseen, and what
// uses it fails with the engine's message.
std::vector<const SchemaObjects::Object *> missingObjects(sqlite3 *db, const QString &fileName)
{
    QSet<QString> present;
    PreparedStatement list(db, QStringLiteral("SELECT lower(name) FROM sqlite_master"), fileName);
    while (list.step())
        present.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(list.handle(), 0))));
    std::vector<const SchemaObjects::Object *> missing;
    for (const SchemaObjects::Object &object : SchemaObjects::all()) {
        if (present.contains(object.name.toLower()))
            continue;
        if (object.type == QLatin1String("table"))
            return {};
        missing.push_back(&object);
    }
    return missing;
}

} // namespace

QString problemWith(sqlite3 *db, const QString &fileName)
{
    const int version = userVersion(db, fileName);
    if (version < 1)
        return QStringLiteral("has no Marrowdesk tables (schema version %1).").arg(version);
    if (version > currentVersion)
        return QStringLiteral("was made by a newer Marrowdesk (schema version %1; this one knows versions up to %2), "
                              "and this one would break its rules by writing to it. Use the newer Marrowdesk.")
            .arg(version)
            .arg(currentVersion);
    for (const char *table : firstTables) {
        PreparedStatement found(db, QStringLiteral("select 1 from sqlite_schema where type='table' and name=?1"),
                                fileName);
        sqlite3_bind_text(found.handle(), 1, table, -1, SQLITE_STATIC);
        if (!found.step())
            return QStringLiteral("has no table %1, so it is not a whole Marrowdesk database.")
                .arg(QString::fromLatin1(table));
    }
    return QString();
}

void runSteps(sqlite3 *db, int from, const QString &fileName)
{
    for (int version = from; version < currentVersion; ++version) {
        const Step &step = steps[version - 1];
        for (const AddedColumn &column : step.columns)
            if (!hasColumn(db, column.table, column.name, fileName))
                run(db,
                    QStringLiteral("ALTER TABLE %1 ADD COLUMN %2 %3")
                        .arg(QLatin1String(column.table), QLatin1String(column.name), QLatin1String(column.type))
                        .toUtf8()
                        .constData(),
                    fileName);
        run(db, step.sql, fileName);
    }
}

QString Outcome::notice(const QString &fileName) const
{
    QStringList sentences;
    if (!madeAgain.isEmpty())
        sentences << QStringLiteral("The database \"%1\" lacked part of the schema that keeps its rules (%2), "
                                    "removed by another program. Marrowdesk has made it again; no row was changed.")
                         .arg(fileName, madeAgain.join(QStringLiteral(", ")));
    if (!findings.isEmpty())
        sentences << QStringLiteral("The database \"%1\" now compares text as a team server does: letter case, "
                                    "width, ligatures and invisible characters aside, accents counting.")
                         .arg(fileName)
                  << findings;
    return sentences.join(QLatin1Char(' '));
}

Outcome upgrade(SqliteSession &file)
{
    sqlite3 *db = file.handle();
    const QString fileName = file.fileName();
    if (const QString problem = problemWith(db, fileName); !problem.isEmpty())
        throw Error(QStringLiteral("The database \"%1\" %2").arg(fileName, problem));
    if (sqlite3_db_readonly(db, "main") == 1)
        return {};
    const int version = userVersion(db, fileName);
    if (version == currentVersion && missingObjects(db, fileName).empty())
        return {};
    Outcome outcome;
    // Another program may upgrade the file meanwhile; the immediate
    // transaction holds it off, and what it finds is read again inside.
    Transaction transaction(file, Session::Begin::Exclusive);
    const int now = userVersion(db, fileName);
    if (now >= 1 && now < currentVersion) {
        const bool collationChanges = now < oneCollationVersion;
        if (collationChanges)
            outcome.findings << CollationUpgrade::mendUniqueIndexes(db, fileName);
        runSteps(db, now, fileName);
        if (collationChanges)
            outcome.findings << CollationUpgrade::findings(db, fileName);
        run(db, QStringLiteral("PRAGMA user_version = %1").arg(currentVersion).toUtf8().constData(), fileName);
    }
    if (now >= 1 && now <= currentVersion) {
        for (const SchemaObjects::Object *object : missingObjects(db, fileName)) {
            run(db, object->sql.toUtf8().constData(), fileName);
            outcome.madeAgain << QStringLiteral("the %1 %2").arg(object->type, object->name);
        }
    }
    transaction.commit();
    return outcome;
}

} // namespace SchemaUpgrade
