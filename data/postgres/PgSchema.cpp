#include "data/postgres/PgSchema.h"

#include "data/Error.h"
#include "data/postgres/PgSchemaText.h"
#include "data/postgres/PgSession.h"

namespace PgSchema {
namespace {

bool isMarrowdesk(PgSession &session)
{
    return session.query(QStringLiteral("SELECT to_regproc('marrow_schema_version') IS NOT NULL"))
               .value(0, 0)
               .toInteger() != 0;
}

// Databases made before the server told clients of changes lack the
// notify triggers, and those made before it told who made a change send the
// table alone; they are brought up to date on the first connect, when the
// user may (the tables' owner). Without them everything works but live
// lists, or the names of who changed what.
void addNotifications(PgSession &session)
{
    if (session
            .query(QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname = 'marrow_notify_change' AND "
                                  "prosrc LIKE '%marrow_deleting_user%'"))
            .value(0, 0)
            .toInteger())
        return;
    try {
        session.runScript(QByteArray("BEGIN;\n") + pgNotifyText + "\nCOMMIT;");
    } catch (const Error &) {
        // Another user's program is the owner's to upgrade.
    }
}

} // namespace

void check(PgSession &session)
{
    if (!isMarrowdesk(session))
        throw Refusal(QStringLiteral("The %1 holds no Marrowdesk tables. Create them in an empty database with "
                                     "marrowdesk-sql --init, or copy a database file there with marrowdesk-sql --copy.")
                          .arg(session.displayName()));
    const qint64 found = session.query(QStringLiteral("SELECT marrow_schema_version()")).value(0, 0).toInteger();
    if (found != version)
        throw Refusal(QStringLiteral("The %1 holds Marrowdesk tables of schema version %2; this Marrowdesk works with "
                                     "version %3.")
                          .arg(session.displayName())
                          .arg(found)
                          .arg(version));
    addNotifications(session);
}

void create(PgSession &session)
{
    if (isMarrowdesk(session))
        throw Error(
            QStringLiteral("The %1 already holds Marrowdesk tables; nothing was changed.").arg(session.displayName()));
    const PgResult tables =
        session.query(QStringLiteral("SELECT schemaname || '.' || tablename FROM pg_catalog.pg_tables "
                                     "WHERE schemaname NOT IN ('pg_catalog', 'information_schema') ORDER BY 1"));
    if (tables.rowCount() > 0) {
        QStringList names;
        for (int row = 0; row < tables.rowCount() && row < 5; ++row)
            names << tables.value(row, 0).toText();
        throw Error(QStringLiteral("The %1 is not empty: it holds %2 other table(s) (%3). Marrowdesk makes its tables "
                                   "only in an empty database, so that nothing of another program is touched; create "
                                   "one with createdb and try again.")
                        .arg(session.displayName())
                        .arg(tables.rowCount())
                        .arg(names.join(QStringLiteral(", "))));
    }
    session.runScript(QByteArray("BEGIN;\n") + pgSchemaText + "\n" + pgNotifyText + "\nCOMMIT;");
}

} // namespace PgSchema
