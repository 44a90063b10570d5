// The team database on a PostgreSQL server the bench starts itself
// (tests/pg/server.sh): the issue list's refill over the server against a
// raw libpq fetch of the same rows, and 20 client processes editing at once.

#include "BenchData.h"
#include "Cases.h"
#include "Harness.h"

#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/ChangeListener.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/DatabaseCopy.h"
#include "data/JetSql.h"
#include "data/SharedConnection.h"
#include "data/postgres/PgSchema.h"
#include "data/postgres/PgSession.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThreadPool>

#include <libpq-fe.h>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace Bench {
namespace {

constexpr int clients = 20;
constexpr int editSeconds = 5;

// A throwaway cluster, stopped when this goes.
class Server {
public:
    explicit Server(const QString &folder) : m_folder(folder)
    {
        script(QStringLiteral("start"));
        QFile target(folder + QStringLiteral("/target"));
        if (!target.open(QIODevice::ReadOnly))
            qFatal("the test server wrote no target");
        m_admin = QString::fromUtf8(target.readAll()).trimmed();
    }
    ~Server() { script(QStringLiteral("stop")); }

    // A new database with the Marrowdesk tables.
    QString database(const QString &name) const
    {
        PgSession(m_admin).execute(QStringLiteral("CREATE DATABASE %1").arg(name));
        const QString target = QString(m_admin).replace(QRegularExpression(QStringLiteral("dbname=\\S+")),
                                                        QStringLiteral("dbname=") + name);
        PgSession made(target);
        PgSchema::create(made);
        return target;
    }

private:
    void script(const QString &verb) const
    {
        QProcess process;
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start(QStringLiteral(SERVER_SCRIPT), {verb, m_folder});
        if (!process.waitForFinished(180000) || process.exitCode() != 0)
            qFatal("tests/pg/server.sh %s failed", qPrintable(verb));
    }

    QString m_folder;
    QString m_admin;
};

// The floor: the same rows fetched through libpq, every cell made a QString,
// on a session kept open from run to run as the program's own is (a new
// session would pay the server's cold caches on every run).
double rawFetchMs(pg_conn *connection)
{
    static const QByteArray query = JetSql::toPostgres(QStringLiteral("select * from [Open Issues]")).toUtf8();
    std::vector<QString> cells;
    const double ms = Harness::timedMs([&] {
        PGresult *result = PQexec(connection, query.constData());
        const int rows = PQntuples(result), columns = PQnfields(result);
        cells.reserve(size_t(rows) * columns);
        for (int r = 0; r < rows; ++r)
            for (int c = 0; c < columns; ++c)
                cells.push_back(QString::fromUtf8(PQgetvalue(result, r, c), PQgetlength(result, r, c)));
        PQclear(result);
    });
    if (cells.empty())
        qFatal("the raw fetch read no rows");
    return ms;
}

void copyToServer(int size, const QString &file, const QString &target)
{
    Connection from, to;
    from.Open(ConnectionText::dataSource(file));
    to.Open(target);
    QElapsedTimer copying;
    copying.start();
    DatabaseCopy::copy(from, to);
    std::fprintf(stderr, "(copied %d issues to the server in %.1f s)\n", size, copying.elapsed() / 1000.0);
}

void refillCase(const Run &run, int size, const QString &file, const QString &target)
{
    copyToServer(size, file, target);
    // The window starts on an empty file; its one connection then points at
    // the server, as a user's does who starts on the team database.
    useDataHome(run.folder + QStringLiteral("/server-list-%1").arg(size), BenchData::emptyDatabase(run.folder));
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    sharedConnection().Open(target);
    const auto ours = [&] { return timedRefill(*form); };
    // Both sides wait on the server, which shares the machine with the
    // bench: five runs at least, so that the fastest (which growth divides)
    // is seldom a disturbed one.
    pg_conn *raw = PQconnectdb(target.toUtf8().constData());
    const Harness::Pair pair = Harness::medianPair(
        ours, [&] { return rawFetchMs(raw); }, std::max(run.runs(size), 5));
    PQfinish(raw);
    if (form->listModel()->rowCount() == 0)
        qFatal("the list is empty after a refill from the server");
    Harness::report(QStringLiteral("Refill the issue list over PostgreSQL"), QString::number(size), pair, 2.0);
    form.reset();
    releaseSharedConnection();
}

// 20 clients edit three issues for a few seconds; meanwhile this process
// saves a marker into a fourth issue now and then and waits until its own
// listener, on a second session, hears of it and a re-read shows it.
void editingCase(const QString &target)
{
    Connection writer, reader;
    writer.Open(target);
    reader.Open(target);
    QStringList arguments{target, QStringLiteral("1000000"), QString::number(editSeconds)};
    for (int i = 0; i < 4; ++i) {
        writer.Execute(QStringLiteral("insert into Issues (Title, Comment) values ('shared', '0')"));
        arguments << QString::number(writer.lastInsertedId());
    }
    const qint64 probe = arguments.takeLast().toLongLong();
    ChangeListener listener(reader);
    bool listening = false;
    QObject::connect(&listener, &ChangeListener::listening, [&] { listening = true; });
    QElapsedTimer waited;
    waited.start();
    while (!listening && waited.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    bool heard = false;
    QObject::connect(&listener, &ChangeListener::changed, [&] { heard = true; });

    std::vector<std::unique_ptr<QProcess>> processes;
    for (int c = 0; c < clients; ++c) {
        processes.push_back(std::make_unique<QProcess>());
        processes.back()->start(QStringLiteral(EDIT_CLIENT), arguments);
    }
    std::vector<double> latencies;
    QElapsedTimer wall;
    wall.start();
    for (int marker = 1; wall.elapsed() < qint64{editSeconds} * 1000; ++marker) {
        const qint64 version = ConcurrentSave::readStored(writer, ConcurrentSave::Table::Issues, probe)->version;
        ConcurrentSave::saveIfUnchanged(
            writer, ConcurrentSave::Table::Issues, probe, version,
            {QStringLiteral("update Issues set Comment='%1' where ID=%2").arg(marker).arg(probe)});
        QElapsedTimer seen;
        seen.start();
        for (bool shown = false; !shown && seen.elapsed() < 10000;) {
            heard = false;
            while (!heard && seen.elapsed() < 10000)
                QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
            shown = ConcurrentSave::readStored(reader, ConcurrentSave::Table::Issues, probe)
                        ->value(QStringLiteral("Comment"))
                        .toText() == QString::number(marker);
        }
        latencies.push_back(seen.nsecsElapsed() / 1e6);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }
    int applied = 0, refused = 0;
    const QRegularExpression tally(QStringLiteral("applied (\\d+) refused (\\d+)"));
    for (auto &process : processes) {
        process->waitForFinished(120000);
        const auto counted = tally.match(QString::fromUtf8(process->readAllStandardOutput()));
        applied += counted.captured(1).toInt();
        refused += counted.captured(2).toInt();
    }
    const double seconds = wall.elapsed() / 1000.0;
    qint64 counters = 0;
    for (const QString &id : arguments.mid(3))
        counters += ConcurrentSave::readStored(writer, ConcurrentSave::Table::Issues, id.toLongLong())
                        ->value(QStringLiteral("Comment"))
                        .toText()
                        .toLongLong();
    Harness::note(QStringLiteral("%1 clients editing 3 shared issues for %2 s: %3 edits/s (%4 saved/s, %5 refused as "
                                 "changed meanwhile); saved %6, counted in the issues %7")
                      .arg(clients)
                      .arg(editSeconds)
                      .arg((applied + refused) / seconds, 0, 'f', 0)
                      .arg(applied / seconds, 0, 'f', 0)
                      .arg(refused)
                      .arg(applied)
                      .arg(counters));
    Harness::limit(QStringLiteral("  lost updates"), double(applied - counters), 0, QString());
    std::sort(latencies.begin(), latencies.end());
    const double p99 = latencies.empty() ? 1e9 : latencies[std::min(latencies.size() - 1, latencies.size() * 99 / 100)];
    Harness::limit(
        QStringLiteral("  a saved change seen by another client (99th percentile of %1)").arg(latencies.size()), p99,
        1000, QStringLiteral("ms"));
}

} // namespace

void serverCases(const Run &run, const QMap<int, QString> &databases)
{
    const QString initdb =
        qEnvironmentVariable("PG_BIN", QStringLiteral("/usr/lib/postgresql/15/bin")) + QStringLiteral("/initdb");
    if (!QFile::exists(initdb)) {
        Harness::note(QStringLiteral("server cases skipped: no PostgreSQL 15 server (%1) on this machine").arg(initdb));
        return;
    }
    Server server(run.folder + QStringLiteral("/server"));
    if (wants(run.options, QStringLiteral("attach")))
        attachServerCase(run, server.database(QStringLiteral("attach")));
    // "attach" alone measures attachments on the server, without the rest.
    if (!wants(run.options, QStringLiteral("server")) && !wants(run.options, QStringLiteral("stall")))
        return;
    int made = 0;
    QString largest;
    int largestSize = 0;
    // "stall" alone measures the slow server's case, without the others.
    const bool all = wants(run.options, QStringLiteral("server"));
    for (const int size : {10000, 100000})
        if (databases.contains(size)) {
            largest = server.database(QStringLiteral("list%1").arg(++made));
            largestSize = size;
            if (all)
                refillCase(run, size, databases[size], largest);
            else
                copyToServer(size, databases[size], largest);
        }
    if (databases.contains(10000)) {
        const QString bulk = server.database(QStringLiteral("bulk"));
        Connection from, to;
        from.Open(ConnectionText::dataSource(databases[10000]));
        to.Open(bulk);
        DatabaseCopy::copy(from, to);
        bulkEditServerCase(run, 10000, bulk);
    }
    if (largestSize > 0)
        slowServerCase(run, largestSize, largest);
    if (!all)
        return;
    editingCase(server.database(QStringLiteral("editing")));
    serverWaitCases(run, server.database(QStringLiteral("waits")), run.folder + QStringLiteral("/server"));
}

} // namespace Bench
