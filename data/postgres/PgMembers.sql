-- The member role of this database: what every person's login (made by
-- marrowdesk-sql --add-member) may do, which is what the program needs and
-- no more: read and change issues, contacts and value lists; read the
-- trash, restore from it, and purge what has expired (PgTeam.sql). No
-- TRUNCATE, no table of its own, no temporary table to stand in for ours,
-- no change to the trash but through the triggers.
--
-- The role is named after the database when made ("tracker_members") and
-- kept by name in marrow_member_role(), since a database may be renamed
-- or copied. Run by the owner, in a transaction, with each --init and
-- --add-member: making the role needs CREATEROLE; granting again is
-- harmless, and brings a role up to date with the schema.
DO $members$
DECLARE
    members name;
BEGIN
    IF to_regproc('marrow_member_role') IS NOT NULL THEN
        EXECUTE 'SELECT marrow_member_role()' INTO members;
    ELSE
        members := current_database() || '_members';
    END IF;
    IF NOT EXISTS (SELECT FROM pg_roles WHERE rolname = members) THEN
        BEGIN
            EXECUTE format('CREATE ROLE %I NOLOGIN', members);
        EXCEPTION WHEN insufficient_privilege THEN
            RAISE EXCEPTION 'The role % may not make roles, so it cannot make the member role %. As the server''s '
                'administrator, give it the right (ALTER ROLE % CREATEROLE), then try again.',
                current_user, members, quote_ident(current_user);
        END;
    END IF;
    EXECUTE format('CREATE OR REPLACE FUNCTION marrow_member_role() RETURNS name LANGUAGE sql STABLE AS %L',
                   format('SELECT %L::name', members));
    EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "Issues", "Contacts", "Status", "Categories", '
                   '"Priorities" TO %I', members);
    EXECUTE format('GRANT SELECT ON "Issues With Names", "Open Issues", "Closed Issues", "TrashIssues", '
                   '"TrashContacts", "TrashValues", "TrashOwners" TO %I', members);
    EXECUTE format('GRANT SELECT ON "History" TO %I', members);
    EXECUTE format('GRANT SELECT, INSERT, DELETE ON "Notes" TO %I', members);
    EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "SavedViews", "ValueOrder" TO %I', members);
    EXECUTE format('GRANT SELECT, INSERT ON "Attachments", "AttachmentContent", "AttachmentChunks" TO %I', members);
    EXECUTE format('GRANT UPDATE ("Removed") ON "Attachments" TO %I', members);
    EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "Watches" TO %I', members);
    EXECUTE format('GRANT SELECT, INSERT, UPDATE, DELETE ON "ClosingStatuses" TO %I', members);
    EXECUTE format('GRANT EXECUTE ON FUNCTION marrow_forget_group(bigint), marrow_purge_before(bigint) TO %I',
                   members);
    -- A cluster made by an older PostgreSQL may still let everyone create
    -- tables in public; and every role may make temporary tables, which a
    -- session's own statements would find before ours. Only the owners of
    -- the schema and the database may take that away.
    IF pg_has_role((SELECT nspowner FROM pg_namespace WHERE nspname = 'public'), 'USAGE') THEN
        REVOKE CREATE ON SCHEMA public FROM PUBLIC;
    END IF;
    IF pg_has_role((SELECT datdba FROM pg_database WHERE datname = current_database()), 'USAGE') THEN
        EXECUTE format('REVOKE TEMPORARY ON DATABASE %I FROM PUBLIC', current_database());
    END IF;
END $members$;
