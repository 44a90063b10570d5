-- The empty Marrowdesk database, schema version 1. The build runs this
-- script, then the later versions' steps of data/SchemaUpgrade.cpp, to make
-- dbBlank.mdb, which the program copies to dbData.mdb on its first run.
--
-- Text compares and orders with MARROW_NOCASE, the program's one collation
-- (data/TextCollator.h): letter case aside, as on a team server.
-- Dates are ISO 8601 text; triggers turn date text written in the user's
-- short date form into that, and refuse text that is not a date.

PRAGMA application_id = 1297237067; -- "MRDK": marks the file as ours
PRAGMA user_version = 1;            -- schema version; data/SchemaUpgrade.cpp takes it on

CREATE TABLE Contacts (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
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

CREATE TABLE Issues (
    ID INTEGER PRIMARY KEY AUTOINCREMENT,
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

-- The value lists: one column each, so that "insert into [Status] values ('x')"
-- fills exactly that column.
CREATE TABLE Status (Status TEXT COLLATE MARROW_NOCASE);
CREATE TABLE Categories (Category TEXT COLLATE MARROW_NOCASE);
CREATE TABLE Priorities (Priority TEXT COLLATE MARROW_NOCASE);

-- The views and the cascading deletes filter issues by these.
CREATE INDEX IssuesByStatus ON Issues (Status);
CREATE INDEX IssuesByCategory ON Issues (Category);
CREATE INDEX IssuesByPriority ON Issues (Priority);
CREATE INDEX IssuesByAssignedTo ON Issues ([Assigned To]);
CREATE INDEX IssuesByOpenedBy ON Issues ([Opened By]);

-- Dates arrive as text in the user's short date form (or ISO); they are kept
-- as ISO text. Text that is not a date aborts the whole statement.
CREATE TRIGGER IssuesDatesOnInsert AFTER INSERT ON Issues
BEGIN
    UPDATE Issues
       SET [Opened Date] = marrow_date_in(NEW.[Opened Date]),
           [Due Date] = marrow_date_in(NEW.[Due Date])
     WHERE ID = NEW.ID;
END;

CREATE TRIGGER IssuesDatesOnUpdate AFTER UPDATE OF [Opened Date], [Due Date] ON Issues
BEGIN
    UPDATE Issues
       SET [Opened Date] = marrow_date_in(NEW.[Opened Date]),
           [Due Date] = marrow_date_in(NEW.[Due Date])
     WHERE ID = NEW.ID;
END;

-- A value list offers each value once, ignoring letter case.
CREATE TRIGGER StatusNoDuplicate BEFORE INSERT ON Status
WHEN EXISTS (SELECT 1 FROM Status WHERE Status = NEW.Status)
BEGIN
    SELECT marrow_refuse_duplicate('status', NEW.Status);
END;

CREATE TRIGGER CategoriesNoDuplicate BEFORE INSERT ON Categories
WHEN EXISTS (SELECT 1 FROM Categories WHERE Category = NEW.Category)
BEGIN
    SELECT marrow_refuse_duplicate('category', NEW.Category);
END;

CREATE TRIGGER PrioritiesNoDuplicate BEFORE INSERT ON Priorities
WHEN EXISTS (SELECT 1 FROM Priorities WHERE Priority = NEW.Priority)
BEGIN
    SELECT marrow_refuse_duplicate('priority', NEW.Priority);
END;

-- Every issue with the names of the contacts it is assigned to and opened
-- by. A contact's name is first name, one blank, last name, and is missing
-- when either part is missing.
CREATE VIEW [Issues With Names] AS
SELECT i.ID, i.Title, i.[Assigned To], i.[Opened By], i.[Opened Date], i.Status, i.Category, i.Priority,
       i.Comment, i.[Due Date],
       (a.[First Name] || ' ' || a.[Last Name]) COLLATE MARROW_NOCASE AS [Assigned To Name],
       (o.[First Name] || ' ' || o.[Last Name]) COLLATE MARROW_NOCASE AS [Opened By Name]
  FROM Issues i
  LEFT JOIN Contacts a ON a.ID = i.[Assigned To]
  LEFT JOIN Contacts o ON o.ID = i.[Opened By];

-- An issue is closed when its status is "Closed" in any letter case, with
-- surrounding blanks ignored; every other issue, one without a status too,
-- is open. Both views follow from that one rule, so every issue is in exactly
-- one of them. (Version 6 compares the status with MARROW_NOCASE instead, as
-- a server does: data/SchemaUpgrade.cpp.)
CREATE VIEW [Open Issues] AS
SELECT * FROM [Issues With Names] WHERE coalesce(upper(trim(Status)), '') <> 'CLOSED';

CREATE VIEW [Closed Issues] AS
SELECT * FROM [Issues With Names] WHERE coalesce(upper(trim(Status)), '') = 'CLOSED';
