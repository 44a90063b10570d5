-- News of every committed change to the issues, contacts and value lists
-- for the other users' lists (data/ChangeListener): the changed table's
-- name on the channel marrowdesk_changes, a blank, and who changed it (the
-- account the trash records), so that a window can say who did. One
-- notification per statement, and the server sends a transaction's equal
-- notifications once, at commit. Run again, it brings older databases'
-- notifications up to date.
CREATE OR REPLACE FUNCTION marrow_notify_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('marrowdesk_changes', TG_TABLE_NAME || ' ' || marrow_deleting_user());
    RETURN NULL;
END $$;
CREATE OR REPLACE TRIGGER "IssuesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Issues"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE OR REPLACE TRIGGER "ContactsNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Contacts"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE OR REPLACE TRIGGER "StatusNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Status"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE OR REPLACE TRIGGER "CategoriesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Categories"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE OR REPLACE TRIGGER "PrioritiesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Priorities"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
