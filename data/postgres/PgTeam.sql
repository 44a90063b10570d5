-- Schema version 6: a team on one server. The tables belong to the owner
-- role that made them (marrowdesk-sql --init); each person logs in with a
-- role of their own in the database's member role (PgMembers.sql), which
-- may read and change issues, contacts and value lists, read the trash,
-- and nothing else. Runs after PgSchema.sql when the tables are made, and
-- on a database of version 5 by marrowdesk-sql --upgrade (PgSchema::
-- upgrade): every statement here is fit for both.
--
-- Only the triggers write the trash. Their functions run with the owner's
-- rights (SECURITY DEFINER) under a search path that puts no session's
-- temporary tables before the real ones.

CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql IMMUTABLE AS 'SELECT 6';

-- Who deletes, as TrashOwners records it for Undo Delete. A person's own
-- login is the session's user, which nothing a member runs can change. The
-- owner's role may still be shared by a team (and a superuser may run the
-- program): there the program names its user, account@machine, when it
-- connects, and anyone who can act as the owner can name another.
-- Inside this function current_user is its owner, the tables' owner.
CREATE OR REPLACE FUNCTION marrow_deleting_user() RETURNS text LANGUAGE sql STABLE SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
    SELECT CASE WHEN pg_has_role(session_user, current_user, 'MEMBER')
                THEN coalesce(nullif(current_setting('marrowdesk.user', true), ''), session_user::text)
                ELSE session_user::text END
$$;

CREATE OR REPLACE FUNCTION marrow_issue_to_trash() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    INSERT INTO "TrashIssues" VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD."ID", OLD."Title", OLD."Assigned To", OLD."Opened By", OLD."Opened Date", OLD."Status", OLD."Category",
        OLD."Priority", OLD."Comment", OLD."Due Date", OLD."Version");
    INSERT INTO "TrashOwners" VALUES (marrow_delete_group(), marrow_deleting_user()) ON CONFLICT DO NOTHING;
    RETURN NULL;
END $$;
CREATE OR REPLACE FUNCTION marrow_contact_to_trash() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    INSERT INTO "TrashContacts" VALUES (marrow_delete_group(), marrow_deleting_command(),
        OLD."ID", OLD."First Name", OLD."Last Name", OLD."E-mail Address", OLD."Company", OLD."Job Title",
        OLD."Business Phone", OLD."Home Phone", OLD."Mobile Phone", OLD."Fax Number", OLD."Address", OLD."City",
        OLD."State", OLD."ZIP", OLD."Country", OLD."Web Page", OLD."Notes", OLD."Version");
    INSERT INTO "TrashOwners" VALUES (marrow_delete_group(), marrow_deleting_user()) ON CONFLICT DO NOTHING;
    RETURN NULL;
END $$;
-- TG_ARGV[0] names the list as the trash does, TG_ARGV[1] its column.
CREATE OR REPLACE FUNCTION marrow_value_to_trash() RETURNS trigger LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    INSERT INTO "TrashValues" VALUES (marrow_delete_group(), marrow_deleting_command(), TG_ARGV[0],
        to_jsonb(OLD) ->> TG_ARGV[1]);
    INSERT INTO "TrashOwners" VALUES (marrow_delete_group(), marrow_deleting_user()) ON CONFLICT DO NOTHING;
    RETURN NULL;
END $$;
CREATE OR REPLACE TRIGGER "IssuesToTrash" AFTER DELETE ON "Issues"
    FOR EACH ROW EXECUTE FUNCTION marrow_issue_to_trash();
CREATE OR REPLACE TRIGGER "ContactsToTrash" AFTER DELETE ON "Contacts"
    FOR EACH ROW EXECUTE FUNCTION marrow_contact_to_trash();
CREATE OR REPLACE TRIGGER "StatusToTrash" AFTER DELETE ON "Status"
    FOR EACH ROW EXECUTE FUNCTION marrow_value_to_trash('Status', 'Status');
CREATE OR REPLACE TRIGGER "CategoriesToTrash" AFTER DELETE ON "Categories"
    FOR EACH ROW EXECUTE FUNCTION marrow_value_to_trash('Categories', 'Category');
CREATE OR REPLACE TRIGGER "PrioritiesToTrash" AFTER DELETE ON "Priorities"
    FOR EACH ROW EXECUTE FUNCTION marrow_value_to_trash('Priorities', 'Priority');

-- Takes a group out of the trash (data/Trash.cpp): after a restore has put
-- its rows back, or to purge it. Anyone may restore what anyone deleted,
-- but only the owner may purge: from a member the group goes only when
-- every row of it is back as it was deleted, so nothing is lost by them.
CREATE OR REPLACE FUNCTION marrow_forget_group(deleted bigint) RETURNS void LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
BEGIN
    IF NOT pg_has_role(session_user, current_user, 'MEMBER') AND (
        EXISTS (SELECT 1 FROM "TrashIssues" t WHERE t."DeleteGroup" = deleted AND NOT EXISTS (
            SELECT 1 FROM "Issues" i
             WHERE i."ID" = t."ID"
               AND (i."Title", i."Assigned To", i."Opened By", i."Opened Date", i."Status", i."Category",
                    i."Priority", i."Comment", i."Due Date")
                   IS NOT DISTINCT FROM
                   (t."Title", t."Assigned To", t."Opened By", t."Opened Date", t."Status", t."Category",
                    t."Priority", t."Comment", t."Due Date")))
        OR EXISTS (SELECT 1 FROM "TrashContacts" t WHERE t."DeleteGroup" = deleted AND NOT EXISTS (
            SELECT 1 FROM "Contacts" c
             WHERE c."ID" = t."ID"
               AND (c."First Name", c."Last Name", c."E-mail Address", c."Company", c."Job Title",
                    c."Business Phone", c."Home Phone", c."Mobile Phone", c."Fax Number", c."Address", c."City",
                    c."State", c."ZIP", c."Country", c."Web Page", c."Notes")
                   IS NOT DISTINCT FROM
                   (t."First Name", t."Last Name", t."E-mail Address", t."Company", t."Job Title",
                    t."Business Phone", t."Home Phone", t."Mobile Phone", t."Fax Number", t."Address", t."City",
                    t."State", t."ZIP", t."Country", t."Web Page", t."Notes")))
        OR EXISTS (SELECT 1 FROM "TrashValues" t WHERE t."DeleteGroup" = deleted AND NOT CASE t."List"
            WHEN 'Status' THEN EXISTS (SELECT 1 FROM "Status" WHERE "Status" = t."Value")
            WHEN 'Categories' THEN EXISTS (SELECT 1 FROM "Categories" WHERE "Category" = t."Value")
            WHEN 'Priorities' THEN EXISTS (SELECT 1 FROM "Priorities" WHERE "Priority" = t."Value")
            ELSE false END)) THEN
        RAISE EXCEPTION 'Only the owner of this database (the role %) can purge deleted items; they go by themselves after 30 days.', current_user;
    END IF;
    DELETE FROM "TrashIssues" WHERE "DeleteGroup" = deleted;
    DELETE FROM "TrashContacts" WHERE "DeleteGroup" = deleted;
    DELETE FROM "TrashValues" WHERE "DeleteGroup" = deleted;
    DELETE FROM "TrashOwners" WHERE "DeleteGroup" = deleted;
END $$;

-- Purges every group deleted before the cutoff (microseconds since 1970,
-- as groups are numbered) and returns how many rows went. A member's
-- program purges at start-up too, but never what the trash has kept less
-- than 30 days (Trash::keptDays) by the server's clock.
CREATE OR REPLACE FUNCTION marrow_purge_before(cutoff bigint) RETURNS bigint LANGUAGE plpgsql SECURITY DEFINER
    SET search_path = public, pg_temp AS $$
DECLARE
    before bigint := cutoff;
    counted bigint;
    removed bigint := 0;
BEGIN
    IF NOT pg_has_role(session_user, current_user, 'MEMBER') THEN
        before := least(before, (extract(epoch FROM clock_timestamp() - interval '30 days') * 1000000)::bigint);
    END IF;
    DELETE FROM "TrashIssues" WHERE "DeleteGroup" < before;
    GET DIAGNOSTICS counted = ROW_COUNT;
    removed := removed + counted;
    DELETE FROM "TrashContacts" WHERE "DeleteGroup" < before;
    GET DIAGNOSTICS counted = ROW_COUNT;
    removed := removed + counted;
    DELETE FROM "TrashValues" WHERE "DeleteGroup" < before;
    GET DIAGNOSTICS counted = ROW_COUNT;
    removed := removed + counted;
    DELETE FROM "TrashOwners" WHERE "DeleteGroup" < before;
    RETURN removed;
END $$;

-- Functions with the owner's rights are the member role's alone
-- (PgMembers.sql grants them), not every role's on the server.
REVOKE EXECUTE ON FUNCTION marrow_forget_group(bigint), marrow_purge_before(bigint) FROM PUBLIC;
