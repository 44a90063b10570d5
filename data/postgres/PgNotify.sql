-- News of every committed change to the issues, contacts and value lists
-- for the other users' lists (data/ChangeListener): the changed table's
-- name on the channel marrowdesk_changes. One notification per statement,
-- and the server sends a transaction's equal notifications once, at commit.
CREATE FUNCTION marrow_notify_change() RETURNS trigger LANGUAGE plpgsql AS $$
BEGIN
    PERFORM pg_notify('marrowdesk_changes', TG_TABLE_NAME);
    RETURN NULL;
END $$;
CREATE TRIGGER "IssuesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Issues"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE TRIGGER "ContactsNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Contacts"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE TRIGGER "StatusNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Status"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE TRIGGER "CategoriesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Categories"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
CREATE TRIGGER "PrioritiesNotify" AFTER INSERT OR UPDATE OR DELETE OR TRUNCATE ON "Priorities"
    FOR EACH STATEMENT EXECUTE FUNCTION marrow_notify_change();
