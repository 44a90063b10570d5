// What a team's database on the server does its own way behind the Session
// interface: transactions that read as of one moment, the trash guarded by
// the owner's functions, rows locked by the read that precedes a change.

#include "data/JetSql.h"
#include "data/postgres/PgSession.h"

#include <libpq-fe.h>

namespace {

// Hands a result's rows to a sink.
void deliver(const PgResult &result, RowSink &rows)
{
    const int columns = result.columnCount();
    QStringList names;
    for (int c = 0; c < columns; ++c)
        names.append(result.columnName(c));
    rows.columns(names);
    for (int row = 0; row < result.rowCount(); ++row)
        for (int c = 0; c < columns; ++c)
            rows.value(result.value(row, c));
}

} // namespace

QString PgSession::translate(const QString &statement) const
{
    return JetSql::toPostgres(statement);
}

void PgSession::query(const QString &statement, RowSink &rows)
{
    deliver(query(statement), rows);
}

void PgSession::query(const QString &statement, const QStringList &parameters, RowSink &rows)
{
    reconnectBefore(statement);
    const bool savepoint = PQtransactionStatus(m_connection) == PQTRANS_INTRANS;
    deliver(PgResult(run(statement, savepoint, parameters)), rows);
}

// Bytes travel in the binary format, both ways: never inside the
// statement's text, nor as hex (twice their size, and a copy more). They
// go by the hundred in one transaction, each without a savepoint of its own
// (two round trips more): a failure of one ends the whole, as Session says.
int PgSession::executeWithBytes(const QString &statement, const QStringList &texts, const QByteArray &bytes)
{
    reconnectBefore(statement);
    pg_result *result = run(statement, false, texts, Binary{&bytes, false});
    const int changed = QByteArray(PQcmdTuples(result)).toInt();
    PQclear(result);
    return changed;
}

std::optional<QByteArray> PgSession::readBytes(const QString &statement, const QStringList &parameters)
{
    reconnectBefore(statement);
    pg_result *result = run(statement, false, parameters, Binary{nullptr, true});
    std::optional<QByteArray> bytes;
    if (PQntuples(result) > 0 && PQnfields(result) > 0 && !PQgetisnull(result, 0, 0))
        bytes = QByteArray(PQgetvalue(result, 0, 0), PQgetlength(result, 0, 0));
    PQclear(result);
    return bytes;
}

QString PgSession::foldedContains(const QString &expression, const QString &needle) const
{
    // As Engine::withoutCaseAndAccents: decomposed, combining marks dropped,
    // lower case. Regular expressions and strpos refuse the
    // nondeterministic collation of the columns: the text is compared under
    // plain collations.
    return QStringLiteral("strpos(lower(regexp_replace(normalize(coalesce((%1)::text, ''), NFD) COLLATE \"C\", "
                          "'[\\u0300-\\u036f]', '', 'g') COLLATE \"und-x-icu\"), %2) > 0")
        .arg(expression, needle);
}

void PgSession::begin(Begin kind)
{
    execute(kind == Begin::Snapshot ? QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")
                                    : QStringLiteral("begin"));
}

bool PgSession::inTransaction() const
{
    // A connection lost meanwhile is in no transaction: its next begin
    // reconnects, as a first statement would.
    if (!m_connection)
        return false;
    const PGTransactionStatusType status = PQtransactionStatus(m_connection);
    return status == PQTRANS_INTRANS || status == PQTRANS_INERROR;
}

void PgSession::nameDeletes(const QByteArray &command, bool oneGroup)
{
    // The server's triggers cannot wait for the first delete to make the
    // group, as SQLite's do: it is made now.
    setDeleting(command, oneGroup ? newDeleteGroup() : 0);
}

void PgSession::forgetDeleteGroup(qint64 group)
{
    // Only the owner's function may touch the trash: it lets a member take
    // out what a restore has put back, and only the owner purge.
    query(QStringLiteral("SELECT marrow_forget_group(%1)").arg(group));
}

int PgSession::purgeDeleteGroupsBefore(const QDateTime &cutoff)
{
    // The groups carry the server's time: the cutoff is as old by its clock
    // as it is by this machine's, whichever of them is wrong.
    const qint64 age = cutoff.msecsTo(QDateTime::currentDateTimeUtc()) * 1000;
    const qint64 before = newDeleteGroup() - age;
    // The owner's function, which purges for a member too, but never a
    // group younger than the trash keeps it.
    return int(query(QStringLiteral("SELECT marrow_purge_before(%1)").arg(before)).value(0, 0).toInteger());
}

QString PgSession::lockedRead(const QString &, const QString &select)
{
    return select + QStringLiteral(" for update");
}

void PgSession::setCopying(bool copying)
{
    // The setting lasts until the transaction ends. An attachment's stamp
    // (when, by whom, its history entry) and its check that the issue is
    // not in the trash are triggers of its table, which only its owner
    // turns off and on again; in the transaction, so that a copy that fails
    // leaves them on.
    const QString attachmentRules = QStringLiteral(
        "ALTER TABLE \"Attachments\" %1 TRIGGER \"AttachmentsStamp\", %1 TRIGGER \"AttachmentsHistory\"");
    if (copying) {
        execute(QStringLiteral("SET LOCAL marrowdesk.copying = 'on'"));
        execute(attachmentRules.arg(QLatin1String("DISABLE")));
    } else {
        execute(attachmentRules.arg(QLatin1String("ENABLE")));
    }
}

void PgSession::continueIdsAbove(const QString &table, qint64 top)
{
    query(QStringLiteral("SELECT setval(pg_get_serial_sequence('\"%1\"', 'ID'), %2, false)").arg(table).arg(top + 1));
}

int PgSession::notificationSender() const
{
    return m_connection ? PQbackendPID(m_connection) : 0;
}
