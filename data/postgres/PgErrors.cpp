#include "data/postgres/PgErrors.h"

#include "data/Error.h"
#include "data/ServerWaits.h"

#include <QHash>

#include <libpq-fe.h>

namespace PgErrors {
namespace {

QByteArray sqlStateOf(const pg_result *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QByteArray(state) : QByteArray();
}

QString engineText(pg_conn *connection, const pg_result *result)
{
    const char *primary = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    if (primary)
        return QString::fromUtf8(primary);
    return QString::fromUtf8(PQerrorMessage(connection)).trimmed();
}

} // namespace

bool isRefusal(const QByteArray &sqlState)
{
    // 23 integrity rules, P0001 the schema's own RAISE, 40 and 55P03 another
    // user's transaction or lock in the way, 53 the server out of room, 08
    // and 57P the connection or the server gone, 57014 a statement that ran
    // out of time, 25006 a read-only server, 42501 a right the user lacks.
    return sqlState.isEmpty() || sqlState.startsWith("23") || sqlState == "P0001" || sqlState.startsWith("40") ||
           sqlState.startsWith("53") || sqlState.startsWith("08") || sqlState.startsWith("57P") ||
           sqlState == "55P03" || sqlState == "57014" || sqlState == "25006" || sqlState == "42501";
}

QString describe(pg_conn *connection, const pg_result *result, const QString &target)
{
    const QByteArray state = sqlStateOf(result);
    const QString engine = engineText(connection, result);
    const QString server = QStringLiteral("the database server (%1)").arg(target);
    if (state.isEmpty() || state.startsWith("08") || state.startsWith("57P") || PQstatus(connection) != CONNECTION_OK)
        return QStringLiteral("The connection to %1 was lost, so the last change may not have been saved. Check that "
                              "the server runs and the network works, then try again. (%2)")
            .arg(server, engine);
    if (state == "P0001")
        return engine; // the schema's own refusals already speak to the user
    if (state == "23505") {
        // Two users adding the same list value at once: the one whose insert
        // came second meets the unique index, not the trigger's check, and
        // is told what the trigger tells.
        static const QHash<QString, QString> lists = {
            {QStringLiteral("Status is unique"), QStringLiteral("status")},
            {QStringLiteral("Categories is unique"), QStringLiteral("category")},
            {QStringLiteral("Priorities is unique"), QStringLiteral("priority")}};
        const char *constraint = PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME);
        const QString list = constraint ? lists.value(QString::fromUtf8(constraint)) : QString();
        // The detail reads: Key ("Status")=(value) already exists.
        const QString detail = QString::fromUtf8(PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL));
        const qsizetype open = detail.indexOf(QLatin1String(")=("));
        const qsizetype close = detail.lastIndexOf(QLatin1String(") already exists"));
        if (!list.isEmpty() && open >= 0 && close > open)
            return QStringLiteral("\"%1\" is already in the %2 list. Choose it from the list instead.")
                .arg(detail.mid(open + 3, close - open - 3), list);
    }
    if (state.startsWith("23"))
        return QStringLiteral("The database refused the change because it breaks one of its rules. (%1)").arg(engine);
    if (state == "55P03")
        return QStringLiteral("Another user is changing this right now, so nothing was saved; try again in a moment. "
                              "(%1)")
            .arg(engine);
    if (state == "57014")
        return QStringLiteral("%1 took too long, so the statement was stopped and nothing of it was saved. Try again; "
                              "if this keeps happening, ask the server's administrator. (%2)")
            .arg(server.at(0).toUpper() + server.mid(1), engine);
    if (state.startsWith("40"))
        return QStringLiteral("Another user's change is in the way on %1; nothing was saved. Try again. (%2)")
            .arg(server, engine);
    if (state.startsWith("53"))
        return QStringLiteral("%1 has run out of room; nothing was saved. Ask its administrator. (%2)")
            .arg(server.at(0).toUpper() + server.mid(1), engine);
    if (state == "25006")
        return QStringLiteral("Marrowdesk cannot save changes: %1 accepts no changes (read-only). (%2)")
            .arg(server, engine);
    if (state == "42501")
        return QStringLiteral("You may not do this on %1; ask its administrator for the right. (%2)")
            .arg(server, engine);
    if (state == "42601" && engine.contains(QLatin1String("multiple commands")))
        return QStringLiteral("The text holds more than one statement; Marrowdesk runs one statement at a time, so "
                              "none of it was run.");
    if (state == "42601")
        return QStringLiteral("The statement could not be understood. (%1)").arg(engine);
    if (state == "42P01")
        return QStringLiteral("The table or query named in the statement does not exist. (%1)").arg(engine);
    if (state == "42703")
        return QStringLiteral("A column named in the statement does not exist. (%1)").arg(engine);
    if (state == "22001")
        return QStringLiteral("The text is too long to be stored. (%1)").arg(engine);
    return engine;
}

QString describeConnectFailure(const QString &why, const QString &user, const QString &database)
{
    const auto says = [&](const char *text) { return why.contains(QLatin1String(text), Qt::CaseInsensitive); };
    QString advice;
    if (says("password authentication failed"))
        advice = QStringLiteral("The server refused the password of the user %1. Check the password in ~/.pgpass (one "
                                "line host:port:database:user:password, readable by you only) or PGPASSWORD.")
                     .arg(user);
    else if (says("no password supplied"))
        advice = QStringLiteral("The server asks for the password of the user %1, and none was found. Put it in "
                                "~/.pgpass (one line host:port:database:user:password, then chmod 600 ~/.pgpass).")
                     .arg(user);
    else if (says("does not exist") && says("database"))
        advice = QStringLiteral("The server has no database %1. Check the database's name, or ask the server's "
                                "administrator to create it.")
                     .arg(database);
    else if (says("could not translate host name") || says("Name or service not known"))
        advice = QStringLiteral("The server's host name is unknown. Check the host in the database's address, and "
                                "the network.");
    else if (says("root certificate file"))
        advice = QStringLiteral("The server's certificate cannot be checked: the root certificate file is missing "
                                "(~/.postgresql/root.crt). Put the certificate of the authority that signed the "
                                "server's certificate there.");
    else if (says("Connection refused") || says("No such file or directory") || says("timeout expired") ||
             says("timed out"))
        advice = QStringLiteral("The server does not answer. Check that it runs, and the host and port in the "
                                "database's address.");
    else
        advice = QStringLiteral("Check that the server runs, the host, the password in ~/.pgpass and the network.");
    return QStringLiteral("Marrowdesk could not connect to the database server. %1 (%2)").arg(advice, why);
}

void raise(pg_conn *connection, const pg_result *result, const QString &target)
{
    const QString description = describe(connection, result, target);
    // Told apart, so that a window can offer to wait for the lock.
    if (sqlStateOf(result) == "55P03")
        throw ServerWaits::LockTimeout(description);
    if (isRefusal(sqlStateOf(result)))
        throw Refusal(description);
    throw Error(description);
}

} // namespace PgErrors
