-- Schema version 11: statuses besides "Closed" that close an issue, as in a
-- file (data/SchemaUpgrade.cpp, version 11). Runs after PgWatches.sql when
-- the tables are made, and on a database of version 5 to 10 by
-- marrowdesk-sql --upgrade (PgSchema::upgrade): every statement here is fit
-- for both.
--
-- A status is kept without the blanks around it. "Closed" closes whatever
-- the table holds. The two views and the history's "closed" and "reopened"
-- follow the marks; every member sets them, as they change the lists.

CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql IMMUTABLE AS 'SELECT 11';

CREATE TABLE IF NOT EXISTS "ClosingStatuses" (
    "Status" text COLLATE marrow_nocase NOT NULL PRIMARY KEY
);

CREATE OR REPLACE FUNCTION marrow_is_closed(status text) RETURNS boolean LANGUAGE sql STABLE
    SET search_path = public, pg_temp AS $$
    SELECT coalesce(trim(status), '') COLLATE marrow_nocase = 'Closed'
        OR coalesce(trim(status), '') COLLATE marrow_nocase IN (SELECT "Status" FROM "ClosingStatuses")
$$;

CREATE OR REPLACE VIEW "Open Issues" AS
SELECT * FROM "Issues With Names"
 WHERE coalesce(trim("Status"), '') COLLATE marrow_nocase <> 'Closed'
   AND coalesce(trim("Status"), '') COLLATE marrow_nocase NOT IN (SELECT "Status" FROM "ClosingStatuses");

CREATE OR REPLACE VIEW "Closed Issues" AS
SELECT * FROM "Issues With Names"
 WHERE coalesce(trim("Status"), '') COLLATE marrow_nocase = 'Closed'
    OR coalesce(trim("Status"), '') COLLATE marrow_nocase IN (SELECT "Status" FROM "ClosingStatuses");

-- A mark changes which issues the others' lists show.
CREATE OR REPLACE TRIGGER "ClosingStatusesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "ClosingStatuses"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();

DO $grants$
BEGIN
    IF to_regproc('marrow_member_role') IS NOT NULL THEN
        EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "ClosingStatuses" TO %I', marrow_member_role());
    END IF;
END $grants$;
