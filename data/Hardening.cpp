#include "data/Hardening.h"

#include "data/SchemaObjects.h"

#include <sqlite3.h>

#include <strings.h>

namespace Hardening {
namespace {

// The authorizer runs while a statement is prepared, on the preparing thread.
thread_local QString refusal;

bool named(const char *name, const char *wanted)
{
    return name && strcasecmp(name, wanted) == 0;
}

int refuse(const QString &why)
{
    refusal = why;
    return SQLITE_DENY;
}

int authorize(void *, int action, const char *first, const char *second, const char *, const char *)
{
    switch (action) {
    case SQLITE_ATTACH:
        // An empty name is a private temporary database that no one else
        // can see and that goes with the connection: VACUUM rebuilds the
        // file through one.
        if (first && *first == '\0')
            return SQLITE_OK;
        return refuse(QStringLiteral("Statements that attach another database file, or write the database into "
                                     "another file (ATTACH, VACUUM INTO), are not allowed."));
    case SQLITE_PRAGMA:
        // Reading these is harmless; setting them would let a statement
        // rewrite the schema behind the engine's back, trust functions named
        // by the file, or move files elsewhere.
        if (second && (named(first, "writable_schema") || named(first, "trusted_schema") ||
                       named(first, "temp_store_directory") || named(first, "data_store_directory")))
            return refuse(QStringLiteral("PRAGMA %1 cannot be changed: it would bypass the database's own "
                                         "checks.")
                              .arg(QString::fromUtf8(first).toLower()));
        // The file keeps its rollback journal, so that it stays one file.
        if (second && named(first, "journal_mode") && !named(second, "delete"))
            return refuse(QStringLiteral("The journal mode of a Marrowdesk database stays DELETE."));
        return SQLITE_OK;
    case SQLITE_FUNCTION:
        if (named(second, "load_extension") || named(second, "fts3_tokenizer"))
            return refuse(QStringLiteral("The function %1 is not allowed: it would load or run code outside the "
                                         "database.")
                              .arg(QString::fromUtf8(second).toLower()));
        return SQLITE_OK;
    default:
        return SQLITE_OK;
    }
}

// The kind of object an action makes or drops, for the actions on the
// database file itself (temporary objects go with the connection).
const char *objectKind(int action)
{
    switch (action) {
    case SQLITE_CREATE_TABLE:
    case SQLITE_DROP_TABLE:
        return "table";
    case SQLITE_CREATE_INDEX:
    case SQLITE_DROP_INDEX:
        return "index";
    case SQLITE_CREATE_TRIGGER:
    case SQLITE_DROP_TRIGGER:
        return "trigger";
    case SQLITE_CREATE_VIEW:
    case SQLITE_DROP_VIEW:
        return "view";
    default:
        return nullptr;
    }
}

int authorizeGuarded(void *, int action, const char *first, const char *second, const char *database,
                     const char *trigger)
{
    const auto own = [](const char *name) { return name ? SchemaObjects::find(QString::fromUtf8(name)) : nullptr; };
    if (action == SQLITE_PRAGMA && second && (named(first, "user_version") || named(first, "application_id")))
        return refuse(named(first, "user_version")
                          ? QStringLiteral("PRAGMA user_version cannot be changed: it tells Marrowdesk which version "
                                           "of its schema the file has.")
                          : QStringLiteral("PRAGMA application_id cannot be changed: it marks the file as a "
                                           "Marrowdesk database."));
    // Only in the file itself: VACUUM makes the same objects again in a
    // private database of its own.
    if (const char *kind = objectKind(action); kind && named(database, "main") && own(first))
        return refuse(QStringLiteral("The %1 %2 belongs to the Marrowdesk schema, which keeps the database's rules; "
                                     "it cannot be dropped or made anew.")
                          .arg(QLatin1String(kind), own(first)->name));
    if (((action == SQLITE_ALTER_TABLE && named(first, "main")) ||
         (action == SQLITE_CREATE_TRIGGER && named(database, "main")) || action == SQLITE_CREATE_TEMP_TRIGGER) &&
        own(second))
        return refuse(QStringLiteral("The table %1 belongs to the Marrowdesk schema, whose own triggers keep the "
                                     "database's rules; it cannot be altered or given other triggers.")
                          .arg(own(second)->name));
    return authorize(nullptr, action, first, second, database, trigger);
}

} // namespace

int guardSchema(sqlite3 *db)
{
    return sqlite3_set_authorizer(db, authorizeGuarded, nullptr);
}

int apply(sqlite3 *db)
{
    struct Setting {
        int option;
        int value;
    };
    static const Setting settings[] = {
        {SQLITE_DBCONFIG_DEFENSIVE, 1},
        {SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0},
        {SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0},
        {SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0},
    };
    for (const Setting &setting : settings) {
        int now = -1;
        const int rc = sqlite3_db_config(db, setting.option, setting.value, &now);
        if (rc != SQLITE_OK)
            return rc;
        if (now != setting.value)
            return SQLITE_MISUSE; // an engine that ignores the setting is not safe to use
    }
    return sqlite3_set_authorizer(db, authorize, nullptr);
}

QString lastRefusal()
{
    return refusal;
}

} // namespace Hardening
