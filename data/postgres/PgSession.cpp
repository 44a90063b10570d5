#include "data/postgres/PgSession.h"

#include "data/Error.h"
#include "data/LocalAccount.h"
#include "data/ServerWaits.h"
#include "data/SqlText.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgWait.h"

#include <libpq-fe.h>

#include <vector>

namespace {

// Statements that begin or end a transaction run as they are; every other
// statement inside a transaction gets a savepoint.
bool controlsTransaction(const QString &statement)
{
    const QString head = statement.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
    return head == QLatin1String("begin") || head == QLatin1String("commit") || head == QLatin1String("rollback") ||
           head == QLatin1String("end") || head == QLatin1String("start") || head == QLatin1String("savepoint") ||
           head == QLatin1String("release");
}

QString describeTarget(pg_conn *connection)
{
    const char *host = PQhost(connection);
    QString where = host && *host ? QString::fromUtf8(host) : QStringLiteral("local socket");
    if (where.startsWith(QLatin1Char('/')))
        where = QStringLiteral("local socket in %1").arg(where);
    return QStringLiteral("database %1 as %2 on %3")
        .arg(QString::fromUtf8(PQdb(connection)), QString::fromUtf8(PQuser(connection)), where);
}

// A server silent this long past the statement limit (paused, or its host
// gone without a word) is given up on, since its own limit did not end the
// statement.
constexpr int silenceBeyondLimitMilliseconds = 5000;

QString connectingTo(const QString &target)
{
    return QStringLiteral("Connecting to the database server (%1)...").arg(target);
}

// libpq's own words for a connection attempt that ended without an answer.
QString connectFailure(pg_conn *connection, bool timedOut, bool stopped)
{
    if (timedOut)
        return QStringLiteral("timeout expired");
    if (stopped)
        return QStringLiteral("stopped by the user");
    return QString::fromUtf8(PQerrorMessage(connection)).trimmed();
}

} // namespace

pg_conn *connectWithKeepalives(const QString &target, const char *connectTimeout)
{
    const QByteArray expanded = target.toUtf8();
    const char *keywords[] = {
        "connect_timeout", "keepalives", "keepalives_idle", "keepalives_interval", "keepalives_count",
        "dbname",          nullptr};
    const char *values[] = {connectTimeout, "1", "10", "5", "3", expanded.constData(), nullptr};
    // Started only: the caller drives it on the socket (PgWait::connect,
    // or the listener's socket notifier), so that nobody blocks on a host
    // that does not answer.
    return PQconnectStartParams(keywords, values, 1);
}

PgSession::PgSession(const QString &target) : m_target(target)
{
    // The target's own connect_timeout, when it names one, overrides the
    // setting (the expanded target comes after it).
    const QByteArray timeout = QByteArray::number(ServerWaits::limits().connectSeconds);
    m_connection = connectWithKeepalives(target, timeout.constData());
    bool timedOut = false;
    bool stopped = false;
    // Named as messages name it: the target may hold a password.
    const QString where = m_connection ? describeTarget(m_connection) : QString();
    if (!PgWait::connect(m_connection, false, PgWait::connectTimeoutOf(m_connection, 0), connectingTo(where), timedOut,
                         stopped)) {
        const QString why = connectFailure(m_connection, timedOut, stopped);
        const QString user = QString::fromUtf8(PQuser(m_connection));
        const QString database = QString::fromUtf8(PQdb(m_connection));
        PQfinish(m_connection);
        m_connection = nullptr;
        // The user's to mend (the server down, a password missing), not a
        // fault of the program.
        throw Refusal(PgErrors::describeConnectFailure(why, user, database));
    }
    m_displayName = describeTarget(m_connection);
    m_forwardNotice = PQsetNoticeReceiver(m_connection, &PgSession::noticeReceived, this);
    try {
        prepareSession();
    } catch (...) {
        PQfinish(m_connection);
        m_connection = nullptr;
        throw;
    }
}

void PgSession::prepareSession()
{
    PQsetClientEncoding(m_connection, "UTF8");
    // Who this is, for the trash (Undo Delete takes back one's own deletes):
    // the account and the machine, since a team may share one server role.
    m_account = LocalAccount::name();
    const QByteArray user = m_account.toUtf8();
    // One round trip, also after every reconnect:
    // - ISO dates out, whatever the server's default; the program's own
    //   date text is read on this side (JetSql::toPostgres);
    // - standard strings: the program's literals double a quote and nothing
    //   else. A server, database or role set to read backslashes as escapes
    //   would turn "C:\new" into a line break, and a text ending in a
    //   backslash would end its literal early and run the rest as SQL;
    // - a wait behind another user's lock, and a statement, are bounded, so
    //   that no window waits without limit (PgErrors says which it was).
    const ServerWaits::Limits &limits = ServerWaits::limits();
    const QByteArray lockTimeout = QByteArray::number(limits.lockMilliseconds) + "ms";
    const QByteArray statementTimeout = QByteArray::number(limits.statementMilliseconds) + "ms";
    const char *values[] = {user.constData(), lockTimeout.constData(), statementTimeout.constData(),
                            m_changeSource.constData()};
    pg_result *result = exchange("SELECT set_config('DateStyle', 'ISO, YMD', false), "
                                 "set_config('standard_conforming_strings', 'on', false), "
                                 "set_config('marrowdesk.user', $1, false), "
                                 "set_config('lock_timeout', $2, false), "
                                 "set_config('statement_timeout', $3, false), "
                                 "set_config('marrowdesk.change_source', $4, false)",
                                 4, values);
    const bool prepared = PQresultStatus(result) == PGRES_TUPLES_OK;
    PQclear(result);
    if (!prepared)
        throw Error(QStringLiteral("Marrowdesk could not prepare its session on the %1: %2")
                        .arg(m_displayName, QString::fromUtf8(PQerrorMessage(m_connection)).trimmed()));
}

void PgSession::setLockTimeout(int milliseconds)
{
    const QByteArray text = QByteArray::number(milliseconds) + "ms";
    const char *values[] = {text.constData()};
    PQclear(exchange("SELECT set_config('lock_timeout', $1, false)", 1, values));
}

pg_result *PgSession::exchange(const char *statement, int parameterCount, const char *const *values, const int *lengths,
                               const int *formats, int resultFormat)
{
    // The event loop turns while a statement waits (the wait hook): a timer
    // or a socket must not start a second statement on this connection.
    if (m_waiting)
        throw Refusal(QStringLiteral("Marrowdesk is still waiting for the database server (%1) to answer; try again "
                                     "when it has.")
                          .arg(m_displayName));
    const PGTransactionStatusType before = PQtransactionStatus(m_connection);
    // The extended protocol runs exactly one statement: text holding a
    // second one is refused whole, as on SQLite's side. Without parameters
    // (values null) the simple protocol takes a script.
    const int sent = values ? PQsendQueryParams(m_connection, statement, parameterCount, nullptr, values, lengths,
                                                formats, resultFormat)
                            : PQsendQuery(m_connection, statement);
    if (!sent)
        return nullptr;
    m_waiting = true;
    PgWait::Outcome outcome = PgWait::Outcome::Answered;
    pg_result *result =
        PgWait::result(m_connection, QStringLiteral("Waiting for the database server (%1)...").arg(m_displayName),
                       qint64(ServerWaits::limits().statementMilliseconds) + silenceBeyondLimitMilliseconds, outcome);
    m_waiting = false;
    if (outcome == PgWait::Outcome::Answered)
        return result;
    const ExecStatusType status = PQresultStatus(result);
    if (outcome == PgWait::Outcome::Stopped && (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK))
        return result; // it ended before the cancel reached it
    PQclear(result);
    if (outcome == PgWait::Outcome::Stopped && result)
        throw ServerWaits::Stopped(QStringLiteral("You stopped the wait, so the statement was cancelled and nothing "
                                                  "of it was saved."));
    // No answer: the connection is in an unknown state, and is not used
    // again; the next statement reconnects.
    abandon(before);
    if (outcome == PgWait::Outcome::Stopped)
        throw ServerWaits::Stopped(QStringLiteral("You stopped the wait. The database server (%1) did not answer, "
                                                  "so Marrowdesk stopped waiting; the last change may not have been "
                                                  "saved. Check that the server runs, then try again.")
                                       .arg(m_displayName));
    throw Refusal(QStringLiteral("The database server (%1) did not answer for %2 seconds, so Marrowdesk stopped "
                                 "waiting; the last change may not have been saved. Check that the server runs and "
                                 "the network works, then try again.")
                      .arg(m_displayName)
                      .arg((ServerWaits::limits().statementMilliseconds + silenceBeyondLimitMilliseconds) / 1000));
}

void PgSession::abandon(int before)
{
    m_lostInTransaction = m_lostInTransaction || before == PQTRANS_INTRANS || before == PQTRANS_INERROR;
    m_endedByServer = true;
}

void PgSession::noticeReceived(void *session, const pg_result *notice)
{
    // A server that ends an idle session says why first (a restart or
    // shutdown, an idle timeout); libpq hands that on as a notice, and the
    // connection looks up until a statement fails on it.
    auto *self = static_cast<PgSession *>(session);
    const char *severity = PQresultErrorField(notice, PG_DIAG_SEVERITY_NONLOCALIZED);
    const QByteArray state = PQresultErrorField(notice, PG_DIAG_SQLSTATE);
    // Handled here: the next statement runs on a new session, so it is no
    // news for standard error.
    if ((severity && (qstrcmp(severity, "FATAL") == 0 || qstrcmp(severity, "PANIC") == 0)) || state == "57P01" ||
        state == "57P02") {
        self->m_endedByServer = true;
        return;
    }
    if (self->m_forwardNotice)
        self->m_forwardNotice(nullptr, notice);
}

bool PgSession::isConnected() const
{
    return m_connection && !m_endedByServer && PQstatus(m_connection) == CONNECTION_OK;
}

bool PgSession::checkAlive()
{
    if (!isConnected())
        return false;
    // The first read takes what the server sent (PQisBusy parses it, which
    // calls the notice receiver); a second one meets the closed socket, when
    // the server closed it after its last word.
    const PGTransactionStatusType before = PQtransactionStatus(m_connection);
    bool readable = PQconsumeInput(m_connection) != 0;
    PQisBusy(m_connection);
    readable = readable && PQconsumeInput(m_connection) != 0;
    if (readable && isConnected())
        return true;
    m_lostInTransaction = m_lostInTransaction || before == PQTRANS_INTRANS || before == PQTRANS_INERROR;
    return false;
}

bool PgSession::tryReconnect()
{
    if (isConnected())
        return true;
    if (m_waiting || !PQresetStart(m_connection))
        return false;
    bool timedOut = false;
    bool stopped = false;
    m_waiting = true;
    const bool up = PgWait::connect(m_connection, true,
                                    PgWait::connectTimeoutOf(m_connection, ServerWaits::limits().connectSeconds),
                                    connectingTo(m_displayName), timedOut, stopped);
    m_waiting = false;
    if (!up) {
        m_resetFailure = connectFailure(m_connection, timedOut, stopped);
        return false;
    }
    m_endedByServer = false;
    // A new backend knows nothing of the old one's settings.
    try {
        prepareSession();
        applyDeleting();
    } catch (const Error &) {
        return false;
    }
    return true;
}

void PgSession::reconnectBefore(const QString &statement)
{
    const QString head = statement.trimmed().section(QLatin1Char(' '), 0, 0).toLower();
    // A server that shut down or restarted since the last statement has said
    // so on the socket already; reading that now lets this statement run on
    // a new session instead of failing on the dead one.
    checkAlive();
    if (m_lostInTransaction) {
        // The rest of a transaction the loss cut short must not run on its
        // own in a new session: only its end, or a new beginning, goes on.
        const bool ends =
            head == QLatin1String("rollback") || head == QLatin1String("commit") || head == QLatin1String("end");
        const bool begins = head == QLatin1String("begin") || head == QLatin1String("start");
        if (ends || begins)
            m_lostInTransaction = false;
        if (!begins && head != QLatin1String("rollback"))
            throw Refusal(QStringLiteral("The connection to the database server (%1) was lost in the middle of a "
                                         "change, so none of that change was saved. Check that the server runs and "
                                         "the network works, then try again.")
                              .arg(m_displayName));
    }
    if (!isConnected() && !tryReconnect())
        throw Refusal(QStringLiteral("The database server (%1) cannot be reached, so nothing was sent to it. Check "
                                     "that the server runs and the network works, then try again. (%2)")
                          .arg(m_displayName, m_resetFailure));
}

PgSession::~PgSession()
{
    PQfinish(m_connection);
}

bool PgSession::recognises(const QString &text)
{
    const QString trimmed = text.trimmed();
    if (trimmed.startsWith(QLatin1String("postgresql://"), Qt::CaseInsensitive) ||
        trimmed.startsWith(QLatin1String("postgres://"), Qt::CaseInsensitive))
        return true;
    if (!trimmed.contains(QLatin1Char('=')) || trimmed.contains(QLatin1String("data source"), Qt::CaseInsensitive))
        return false;
    char *error = nullptr;
    PQconninfoOption *options = PQconninfoParse(trimmed.toUtf8().constData(), &error);
    PQfreemem(error);
    if (!options)
        return false;
    PQconninfoFree(options);
    return true;
}

pg_result *PgSession::run(const QString &statement, bool savepoint, const QStringList &parameters, Binary binary)
{
    SqlText::refuseNul(statement);
    if (!ServerWaits::lockWaitUnlimited())
        return runOnce(statement, savepoint, parameters, binary);
    // A user who chose to wait for another's lock waits as long as the
    // statement limit allows, for this statement only. A transaction that
    // fails takes the setting back with it.
    setLockTimeout(0);
    pg_result *result = nullptr;
    try {
        result = runOnce(statement, savepoint, parameters, binary);
    } catch (...) {
        restoreLockTimeout();
        throw;
    }
    restoreLockTimeout();
    return result;
}

void PgSession::restoreLockTimeout()
{
    if (!isConnected() || PQtransactionStatus(m_connection) == PQTRANS_INERROR)
        return;
    try {
        setLockTimeout(ServerWaits::limits().lockMilliseconds);
    } catch (const Error &) {
        // The connection went meanwhile: a new session starts with the limit.
    }
}

pg_result *PgSession::runOnce(const QString &statement, bool savepoint, const QStringList &parameters, Binary binary)
{
    const PGTransactionStatusType before = PQtransactionStatus(m_connection);
    if (savepoint)
        PQclear(exchange("SAVEPOINT marrow_statement"));
    pg_result *result = nullptr;
    try {
        // Parameters, even none of them, choose the extended protocol.
        std::vector<QByteArray> texts;
        texts.reserve(size_t(parameters.size()));
        std::vector<const char *> values;
        values.reserve(size_t(parameters.size()) + 1);
        for (const QString &parameter : parameters) {
            SqlText::refuseNul(parameter);
            texts.push_back(parameter.toUtf8());
            values.push_back(texts.back().constData());
        }
        std::vector<int> lengths, formats;
        if (binary.parameter) {
            lengths.assign(values.size(), 0);
            formats.assign(values.size(), 0);
            values.push_back(binary.parameter->constData());
            lengths.push_back(int(binary.parameter->size()));
            formats.push_back(1);
        }
        values.push_back(nullptr);
        result = exchange(statement.toUtf8().constData(), int(values.size() - 1), values.data(),
                          binary.parameter ? lengths.data() : nullptr, binary.parameter ? formats.data() : nullptr,
                          binary.result ? 1 : 0);
    } catch (const ServerWaits::Stopped &) {
        if (savepoint && isConnected())
            PQclear(exchange("ROLLBACK TO SAVEPOINT marrow_statement; RELEASE SAVEPOINT marrow_statement"));
        throw;
    }
    const ExecStatusType status = PQresultStatus(result);
    if (status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK) {
        if (savepoint)
            PQclear(exchange("RELEASE SAVEPOINT marrow_statement"));
        return result;
    }
    if (status == PGRES_EMPTY_QUERY) {
        PQclear(result);
        throw Error(QStringLiteral("The statement is empty: there is nothing to run."));
    }
    if (PQstatus(m_connection) != CONNECTION_OK)
        m_lostInTransaction = before == PQTRANS_INTRANS || before == PQTRANS_INERROR;
    try {
        PgErrors::raise(m_connection, result, m_displayName);
    } catch (...) {
        PQclear(result);
        if (savepoint && isConnected())
            PQclear(exchange("ROLLBACK TO SAVEPOINT marrow_statement; RELEASE SAVEPOINT marrow_statement"));
        throw;
    }
}

int PgSession::execute(const QString &statement)
{
    reconnectBefore(statement);
    const bool savepoint = PQtransactionStatus(m_connection) == PQTRANS_INTRANS && !controlsTransaction(statement);
    pg_result *result = run(statement, savepoint);
    const int changed = QByteArray(PQcmdTuples(result)).toInt();
    PQclear(result);
    return changed;
}

PgResult PgSession::query(const QString &statement)
{
    reconnectBefore(statement);
    const bool savepoint = PQtransactionStatus(m_connection) == PQTRANS_INTRANS;
    return PgResult(run(statement, savepoint));
}

void PgSession::runScript(const QByteArray &script)
{
    pg_result *result = exchange(script.constData());
    if (PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK) {
        PQclear(result);
        return;
    }
    const QString description = PgErrors::describe(m_connection, result, m_displayName);
    PQclear(result);
    if (PQtransactionStatus(m_connection) != PQTRANS_IDLE)
        PQclear(exchange("ROLLBACK"));
    throw Error(description);
}

qint64 PgSession::lastInsertedId()
{
    PgResult last = query(QStringLiteral("SELECT current_setting('marrowdesk.last_id', true)"));
    return last.rowCount() ? last.value(0, 0).toTextOrEmpty().toLongLong() : 0;
}

qint64 PgSession::newDeleteGroup()
{
    try {
        const qint64 group = query(QStringLiteral("SELECT (extract(epoch FROM clock_timestamp()) * 1000000)::bigint"))
                                 .value(0, 0)
                                 .toInteger();
        if (group > 0)
            return group;
    } catch (const Error &) {
        // The server away: the names wait for the reconnect anyway.
    }
    return DeleteGroups::next();
}

void PgSession::setDeleting(const QByteArray &command, qint64 group)
{
    m_deletingCommand = command;
    m_deleteGroup = group;
    // While the server is away the names wait for the reconnect to apply them.
    if (isConnected())
        applyDeleting();
}

void PgSession::nameChanges(const QByteArray &source)
{
    m_changeSource = source;
    // While the server is away the reconnect names it (prepareSession).
    if (!isConnected())
        return;
    const char *values[] = {m_changeSource.constData()};
    pg_result *result = exchange("SELECT set_config('marrowdesk.change_source', $1, false)", 1, values);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        const QString description = PgErrors::describe(m_connection, result, m_displayName);
        PQclear(result);
        throw Error(description);
    }
    PQclear(result);
}

void PgSession::applyDeleting()
{
    const QByteArray groupText = m_deleteGroup ? QByteArray::number(m_deleteGroup) : QByteArray();
    const char *values[] = {m_deletingCommand.constData(), groupText.constData()};
    pg_result *result = exchange("SELECT set_config('marrowdesk.deleting_command', $1, false), "
                                 "set_config('marrowdesk.delete_group', $2, false)",
                                 2, values);
    if (PQresultStatus(result) != PGRES_TUPLES_OK) {
        const QString description = PgErrors::describe(m_connection, result, m_displayName);
        PQclear(result);
        throw Error(description);
    }
    PQclear(result);
}
