// Attaching a 100 MiB file and saving it out again, against cp of the same
// file on the same disk, and on a server against COPY of the same bytes into
// a bytea table; with the process's peak memory above its size at rest:
// both ways stream in chunks, so the peak should barely move.

#include "Cases.h"
#include "Harness.h"

#include "data/Attachments.h"
#include "data/Connection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QtEndian>

#include <libpq-fe.h>
#include <sqlite3.h>

namespace Bench {
namespace {

constexpr qint64 fileMiB = 100;
// At least half cp's (or COPY's) speed.
constexpr double speedTarget = 2.0;
// The most memory attaching or saving out may add, in chunks.
constexpr double chunksAboveRest = 3;

// A line of /proc/self/status in MiB: VmHWM (the peak) or VmRSS (now).
double statusMiB(const char *key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
}

// The process's size at rest, with its peak set back to it (Linux: 5 into
// clear_refs), so that the peak read after some work is that work's.
double restMiB()
{
    QFile clear(QStringLiteral("/proc/self/clear_refs"));
    if (!clear.open(QIODevice::WriteOnly) || clear.write("5") != 1)
        qFatal("cannot reset the peak memory in /proc/self/clear_refs");
    clear.close();
    return statusMiB("VmRSS:");
}

void reportPeak(const QString &where, double rest)
{
    const double peak = statusMiB("VmHWM:");
    Harness::note(QStringLiteral("  %1: %2 MiB at rest, peak %3 MiB while attaching and saving out %4 MiB")
                      .arg(where)
                      .arg(rest, 0, 'f', 1)
                      .arg(peak, 0, 'f', 1)
                      .arg(fileMiB));
    Harness::limit(QStringLiteral("peak memory above rest, %1 (chunks)").arg(where),
                   (peak - rest) * 1024 * 1024 / double(Attachments::chunkSize), chunksAboveRest, QStringLiteral("ch"));
}

// A file of fileMiB whose every MiB differs.
void makeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    QByteArray block(1024 * 1024, Qt::Uninitialized);
    quint32 x = 2463534242u;
    for (qint64 mib = 0; mib < fileMiB; ++mib) {
        for (char &c : block) {
            x ^= x << 13;
            x ^= x >> 17;
            x ^= x << 5;
            c = char(x);
        }
        file.write(block);
    }
}

// Saves the attachment out to a new file at path, timed; the file is gone
// before and after.
double timedExtract(Connection &connection, qint64 attachment, const QString &path)
{
    QFile::remove(path);
    QElapsedTimer timer;
    timer.start();
    Attachments::extract(connection, attachment, path);
    const double ms = timer.nsecsElapsed() / 1e6;
    QFile::remove(path);
    return ms;
}

double timedCopy(const QString &from, const QString &to)
{
    QFile::remove(to);
    QElapsedTimer timer;
    timer.start();
    if (QProcess::execute(QStringLiteral("cp"), {from, to}) != 0)
        qFatal("cp failed");
    const double ms = timer.nsecsElapsed() / 1e6;
    QFile::remove(to);
    return ms;
}

// What SQLite itself takes to store the file's chunks in a fresh copy of
// the database: one prepared insert of each chunk, one commit, as the
// program's connection runs (rollback journal, synchronous=FULL). Files
// have pages of 4 KiB, so 100 MiB are some 25,600 page writes.
double timedSqliteInserts(const QString &database, const QString &file, const QString &source)
{
    Bench::freshCopy(database, file);
    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(source));
    QByteArray buffer(Attachments::chunkSize, Qt::Uninitialized);
    sqlite3 *db = nullptr;
    sqlite3_stmt *insert = nullptr;
    QElapsedTimer timer;
    timer.start();
    sqlite3_open_v2(QFile::encodeName(file).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "PRAGMA synchronous=FULL; BEGIN", nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(db, "INSERT INTO AttachmentChunks (Hash, Number, Data) VALUES ('floor', ?, ?)", -1, &insert,
                       nullptr);
    for (int number = 0;; ++number) {
        const qint64 got = input.read(buffer.data(), buffer.size());
        if (got <= 0)
            break;
        sqlite3_bind_int(insert, 1, number);
        sqlite3_bind_blob64(insert, 2, buffer.constData(), sqlite3_uint64(got), SQLITE_STATIC);
        if (sqlite3_step(insert) != SQLITE_DONE)
            qFatal("insert: %s", sqlite3_errmsg(db));
        sqlite3_reset(insert);
    }
    sqlite3_finalize(insert);
    if (sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("commit: %s", sqlite3_errmsg(db));
    sqlite3_close(db);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

void attachCase(const Run &run, const QString &database)
{
    const QString source = run.folder + QStringLiteral("/attach-source.bin");
    const QString copy = run.folder + QStringLiteral("/attach-copy.bin");
    const QString file = run.folder + QStringLiteral("/attach.mdb");
    makeFile(source);
    const int runs = run.options.quick ? 1 : 3;
    const QString size = QStringLiteral("%1 MiB").arg(fileMiB);

    // Each attach into a fresh copy of the database, so that the content is
    // new to it every time.
    qint64 attached = 0;
    const auto attach = [&] {
        Bench::freshCopy(database, file);
        Connection connection;
        connection.Open(ConnectionText::dataSource(file));
        QElapsedTimer timer;
        timer.start();
        attached = Attachments::add(connection, 1, source);
        return timer.nsecsElapsed() / 1e6;
    };
    Harness::report(QStringLiteral("Attach a file vs cp of it"), size,
                    Harness::medianPair(
                        attach, [&] { return timedCopy(source, copy); }, runs),
                    speedTarget);
    Harness::report(
        QStringLiteral("... vs SQLite inserting its chunks"), size,
        Harness::medianPair(
            attach,
            [&] { return timedSqliteInserts(database, run.folder + QStringLiteral("/attach-floor.mdb"), source); },
            runs),
        0);

    Connection connection;
    connection.Open(ConnectionText::dataSource(file));
    const auto extract = [&] { return timedExtract(connection, attached, copy); };
    Harness::report(QStringLiteral("Save an attachment out vs cp"), size,
                    Harness::medianPair(
                        extract, [&] { return timedCopy(source, copy); }, runs),
                    speedTarget);

    // Once more each way with the connection warm, measuring the peak.
    Bench::freshCopy(database, file);
    connection.Close();
    connection.Open(ConnectionText::dataSource(file));
    const double rest = restMiB();
    attached = Attachments::add(connection, 1, source);
    QFile::remove(copy);
    Attachments::extract(connection, attached, copy);
    reportPeak(QStringLiteral("file"), rest);
    connection.Close();
    QFile::remove(copy);
    QFile::remove(source);
    QFile::remove(file);
    QFile::remove(run.folder + QStringLiteral("/attach-floor.mdb"));
}

namespace {

// The floor on a server: the file's bytes in rows of one chunk each, sent
// by COPY in the binary format into a table of a bytea column, one commit.
double timedServerCopy(pg_conn *connection, const QString &path)
{
    const auto run = [&](const char *statement, ExecStatusType wanted) {
        PGresult *result = PQexec(connection, statement);
        if (PQresultStatus(result) != wanted)
            qFatal("%s: %s", statement, PQerrorMessage(connection));
        PQclear(result);
    };
    const auto put = [&](const char *data, qint64 size) {
        if (PQputCopyData(connection, data, int(size)) != 1)
            qFatal("COPY: %s", PQerrorMessage(connection));
    };
    run("TRUNCATE bench_chunks", PGRES_COMMAND_OK);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("cannot read %s", qPrintable(path));
    QByteArray buffer(Attachments::chunkSize, Qt::Uninitialized);
    QElapsedTimer timer;
    timer.start();
    run("BEGIN", PGRES_COMMAND_OK);
    run("COPY bench_chunks (number, data) FROM STDIN (FORMAT binary)", PGRES_COPY_IN);
    put("PGCOPY\n\377\r\n\0\0\0\0\0\0\0\0\0", 19);
    for (qint32 number = 0;; ++number) {
        const qint64 got = file.read(buffer.data(), buffer.size());
        if (got <= 0)
            break;
        char head[14];
        qToBigEndian<qint16>(2, head);
        qToBigEndian<qint32>(4, head + 2);
        qToBigEndian<qint32>(number, head + 6);
        qToBigEndian<qint32>(qint32(got), head + 10);
        put(head, sizeof head);
        put(buffer.constData(), got);
    }
    put("\377\377", 2);
    if (PQputCopyEnd(connection, nullptr) != 1)
        qFatal("COPY: %s", PQerrorMessage(connection));
    PGresult *result = PQgetResult(connection);
    if (PQresultStatus(result) != PGRES_COMMAND_OK)
        qFatal("COPY: %s", PQerrorMessage(connection));
    PQclear(result);
    while ((result = PQgetResult(connection)))
        PQclear(result);
    run("COMMIT", PGRES_COMMAND_OK);
    return timer.nsecsElapsed() / 1e6;
}

} // namespace

void attachServerCase(const Run &run, const QString &target)
{
    const QString source = run.folder + QStringLiteral("/attach-server.bin");
    const QString copy = run.folder + QStringLiteral("/attach-server-copy.bin");
    makeFile(source);
    const int runs = run.options.quick ? 1 : 3;
    const QString size = QStringLiteral("%1 MiB").arg(fileMiB);
    Connection connection;
    connection.Open(target);
    connection.Execute(QStringLiteral("insert into Issues (Title) values ('attach')"));
    pg_conn *raw = PQconnectdb(target.toUtf8().constData());
    if (PQstatus(raw) != CONNECTION_OK)
        qFatal("cannot connect: %s", PQerrorMessage(raw));
    PQclear(PQexec(raw, "CREATE TABLE bench_chunks (number integer, data bytea)"));

    // The content is new every time: the last attach is taken away first,
    // and its content with it.
    qint64 attached = 0;
    const auto attach = [&] {
        connection.Execute(QStringLiteral("delete from Attachments"));
        QElapsedTimer timer;
        timer.start();
        attached = Attachments::add(connection, 1, source);
        return timer.nsecsElapsed() / 1e6;
    };
    Harness::report(QStringLiteral("Attach a file on a server vs COPY of it"), size,
                    Harness::medianPair(
                        attach, [&] { return timedServerCopy(raw, source); }, runs),
                    speedTarget);
    const auto extract = [&] { return timedExtract(connection, attached, copy); };
    Harness::report(QStringLiteral("Save an attachment out of a server vs cp"), size,
                    Harness::medianPair(
                        extract, [&] { return timedCopy(source, copy); }, runs),
                    speedTarget);
    PQfinish(raw);

    connection.Execute(QStringLiteral("delete from Attachments"));
    const double rest = restMiB();
    attached = Attachments::add(connection, 1, source);
    Attachments::extract(connection, attached, copy);
    reportPeak(QStringLiteral("server"), rest);
    QFile::remove(copy);
    QFile::remove(source);
}

} // namespace Bench
