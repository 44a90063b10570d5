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

qint64 versionOf(PgSession &session)
{
    return session.query(QStringLiteral("SELECT marrow_schema_version()")).value(0, 0).toInteger();
}

void refuseOtherDatabases(PgSession &session)
{
    if (!isMarrowdesk(session))
        throw Refusal(QStringLiteral("The %1 holds no Marrowdesk tables. Create them in an empty database with "
                                     "marrowdesk-sql --init, or copy a database file there with marrowdesk-sql --copy.")
                          .arg(session.displayName()));
}

// The role that owns the tables, and whether this session may act as it.
struct Owner {
    QString name;
    bool isUs = false;
};

Owner ownerOf(PgSession &session)
{
    const PgResult owner = session.query(QStringLiteral("SELECT pg_get_userbyid(relowner), pg_has_role(relowner, "
                                                        "'USAGE') FROM pg_class WHERE oid = '\"Issues\"'::regclass"));
    return {owner.value(0, 0).toText(), owner.value(0, 1).toInteger() != 0};
}

QString olderVersion(PgSession &session, qint64 found, const QString &owner)
{
    return QStringLiteral("The %1 holds Marrowdesk tables of schema version %2, older than this Marrowdesk's %3: "
                          "their owner (the role %4) brings them up to date, in one transaction, with "
                          "marrowdesk-sql --upgrade followed by the database's connection string. Ask them to, then "
                          "try again.")
        .arg(session.displayName())
        .arg(found)
        .arg(version)
        .arg(owner);
}

} // namespace

qint64 upgrade(PgSession &session)
{
    refuseOtherDatabases(session);
    const qint64 found = versionOf(session);
    if (found == version)
        return found;
    if (found < oldestUpgraded || found > version)
        throw Refusal(QStringLiteral("The %1 holds Marrowdesk tables of schema version %2, which this Marrowdesk "
                                     "cannot bring up to version %3.")
                          .arg(session.displayName())
                          .arg(found)
                          .arg(version));
    const Owner owner = ownerOf(session);
    if (!owner.isUs)
        throw Refusal(olderVersion(session, found, owner.name));
    // The change notifications name who made each change since version 6.
    const bool notifies = session
                              .query(QStringLiteral("SELECT count(*) FROM pg_proc WHERE proname = "
                                                    "'marrow_notify_change' AND prosrc LIKE '%marrow_deleting_user%'"))
                              .value(0, 0)
                              .toInteger();
    // The functions the steps make belong to whoever makes them, and those
    // that run with their owner's rights must run with the tables' owner's.
    // Two upgrades at once run one after the other, and the second finds
    // the work done (every step may run twice).
    QString ownerName = owner.name;
    const QByteArray asOwner =
        "SET LOCAL ROLE \"" + ownerName.replace(QLatin1Char('"'), QLatin1String("\"\"")).toUtf8() + "\";\n";
    session.runScript(
        QByteArray("BEGIN;\n") + asOwner + "SELECT pg_advisory_xact_lock(hashtext('marrowdesk schema'));\n" +
        (notifies ? QByteArray() : QByteArray(pgNotifyText)) + "\n" + pgTeamText + "\n" + pgHistoryText + "\n" +
        pgViewsText + "\n" + pgAttachmentsText + "\n" + pgWatchesText + "\n" + pgClosingText + "\nCOMMIT;");
    return found;
}

void check(PgSession &session)
{
    refuseOtherDatabases(session);
    const qint64 found = versionOf(session);
    if (found >= oldestUpgraded && found < version)
        throw Refusal(olderVersion(session, found, ownerOf(session).name));
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
                      pgHistoryText + "\n" + pgViewsText + "\n" + pgAttachmentsText + "\n" + pgWatchesText + "\n" +
                      pgClosingText + "\n" + pgMembersText + "\nCOMMIT;");
}

} // namespace PgSchema
