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

// Brings a database of version 5 to this version, with the change
// notifications (which name who made each change) when it was made before
// them. Only the owner of its tables may, or a role that can act as the
// owner (a superuser); the functions made run as the owner in either case.
// Anyone else is told to let the owner connect once. Two of the owner's
// programs starting at once upgrade one after the other, and the second
// changes nothing (every step may run twice).
void upgrade(PgSession &session)
{
    const PgResult owner = session.query(QStringLiteral("SELECT pg_get_userbyid(relowner), pg_has_role(relowner, "
                                                        "'USAGE') FROM pg_class WHERE oid = '\"Issues\"'::regclass"));
    if (!owner.value(0, 1).toInteger())
        throw Refusal(QStringLiteral("The %1 holds Marrowdesk tables of schema version 5, which their owner (the role "
                                     "%2) brings up to version %3 by connecting once with Marrowdesk or "
                                     "marrowdesk-sql. Ask them to, then try again.")
                          .arg(session.displayName(), owner.value(0, 0).toText())
                          .arg(version));
    const bool notifies = session
                              .query(QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname = "
                                                    "'marrow_notify_change' AND prosrc LIKE '%marrow_deleting_user%'"))
                              .value(0, 0)
                              .toInteger();
    // The functions the step makes belong to whoever makes them, and those
    // that run with their owner's rights must run with the tables' owner's.
    QString ownerName = owner.value(0, 0).toText();
    const QByteArray asOwner =
        "SET LOCAL ROLE \"" + ownerName.replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8() + "\";\n";
    session.runScript(QByteArray("BEGIN;\n") + asOwner +
                      "SELECT pg_advisory_xact_lock(hashtext('marrowdesk schema'));\n" +
                      (notifies ? QByteArray() : QByteArray(pgNotifyText)) + "\n" + pgTeamText + "\nCOMMIT;");
}

} // namespace

void check(PgSession &session)
{
    if (!isMarrowdesk(session))
        throw Refusal(QStringLiteral("The %1 holds no Marrowdesk tables. Create them in an empty database with "
                                     "marrowdesk-sql --init, or copy a database file there with marrowdesk-sql --copy.")
                          .arg(session.displayName()));
    qint64 found = session.query(QStringLiteral("SELECT marrow_schema_version()")).value(0, 0).toInteger();
    if (found == 5) {
        upgrade(session);
        found = version;
    }
    if (found != version)
        throw Refusal(QStringLiteral("The %1 holds Marrowdesk tables of schema version %2; this Marrowdesk works with "
                                     "version %3.")
                          .arg(session.displayName())
                          .arg(found)
                          .arg(version));
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
    session.runScript(QByteArray("BEGIN;\n") + pgSchemaText + "\n" + pgNotifyText + "\n" + pgTeamText + "\n" +
                      pgMembersText + "\nCOMMIT;");
}

} // namespace PgSchema
