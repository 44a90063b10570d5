-- Schema version 10: the issues each person watches, as in a file
-- (data/SchemaUpgrade.cpp, version 10). Runs after PgAttachments.sql when
-- the tables are made, and on a database of version 5 to 9 by
-- marrowdesk-sql --upgrade (PgSchema::upgrade): every statement here is fit
-- for both.
--
-- A row belongs to the login in Who. Watching is 1 for an issue chosen to
-- watch, 0 for a row that only keeps how far the person has seen an issue
-- watched without choosing (one they opened or are assigned); SeenSeq is
-- the newest History Seq of the issue they have seen. Members read, add,
-- change and remove their own rows only, whatever program they run: what
-- a colleague watches and has read is theirs.

CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql IMMUTABLE AS 'SELECT 10';

CREATE TABLE IF NOT EXISTS "Watches" (
    "Who" text NOT NULL,
    "Issue ID" bigint NOT NULL,
    "Watching" integer NOT NULL DEFAULT 1,
    "SeenSeq" bigint NOT NULL DEFAULT 0,
    PRIMARY KEY ("Who", "Issue ID")
);

ALTER TABLE "Watches" ENABLE ROW LEVEL SECURITY;
DO $policies$
BEGIN
    IF NOT EXISTS (SELECT FROM pg_policies WHERE tablename = 'Watches' AND policyname = 'WatchesOwn') THEN
        CREATE POLICY "WatchesOwn" ON "Watches" FOR ALL
            USING ("Who" = marrow_deleting_user()) WITH CHECK ("Who" = marrow_deleting_user());
    END IF;
END $policies$;

DO $grants$
BEGIN
    IF to_regproc('marrow_member_role') IS NOT NULL THEN
        EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "Watches" TO %I', marrow_member_role());
    END IF;
END $grants$;
