// Attaching a 100 MiB file and saving it out again, against cp of the same
// file on the same disk, with the process's peak memory before and after:
// both ways stream in chunks, so the peak should barely move.

#include "Cases.h"
#include "Harness.h"

#include "data/Attachments.h"
#include "data/Connection.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

namespace Bench {
namespace {

constexpr qint64 fileMiB = 100;

// The process's peak resident size so far, in MiB (VmHWM).
double peakMiB()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toDouble() / 1024;
    return 0;
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

} // namespace

void attachCase(const Run &run, const QString &database)
{
    const QString source = run.folder + QStringLiteral("/attach-source.bin");
    const QString copy = run.folder + QStringLiteral("/attach-copy.bin");
    const QString file = run.folder + QStringLiteral("/attach.mdb");
    makeFile(source);
    const double before = peakMiB();
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
                    0);

    Connection connection;
    connection.Open(ConnectionText::dataSource(file));
    const auto extract = [&] {
        QFile::remove(copy);
        QElapsedTimer timer;
        timer.start();
        Attachments::extract(connection, attached, copy);
        const double ms = timer.nsecsElapsed() / 1e6;
        QFile::remove(copy);
        return ms;
    };
    Harness::report(QStringLiteral("Save an attachment out vs cp"), size,
                    Harness::medianPair(
                        extract, [&] { return timedCopy(source, copy); }, runs),
                    0);
    connection.Close();

    const double after = peakMiB();
    Harness::note(QStringLiteral("  peak memory (VmHWM) %1 MiB before attaching and saving out %2 MiB, %3 MiB after")
                      .arg(before, 0, 'f', 1)
                      .arg(fileMiB)
                      .arg(after, 0, 'f', 1));
    Harness::limit(QStringLiteral("peak memory added by attaching and saving out 100 MiB"), after - before, 64,
                   QStringLiteral("MiB"));
    QFile::remove(source);
    QFile::remove(file);
}

} // namespace Bench
