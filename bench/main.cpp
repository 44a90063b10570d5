// marrowdesk-bench: measures the program against its floors on generated
// databases, in a temporary folder, and prints one table.

#include "BenchData.h"
#include "BenchSetup.h"
#include "Cases.h"
#include "Harness.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLocale>
#include <QMap>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace {

QtMessageHandler qtHandler = nullptr;

// The offscreen platform says once per window that it cannot pass on size
// hints; that is no news in a benchmark's table.
void quietHandler(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message.contains(QLatin1String("propagateSizeHints")))
        return;
    if (qtHandler)
        qtHandler(type, context, message);
}

} // namespace

int main(int argc, char *argv[])
{
    qtHandler = qInstallMessageHandler(quietHandler);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");

    QStringList arguments;
    for (int i = 1; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    const Bench::Options options = Bench::parseOptions(arguments);
    if (options.help || !options.error.isEmpty()) {
        if (!options.error.isEmpty())
            std::fprintf(stderr, "%s\n", qPrintable(options.error));
        std::fprintf(options.help ? stdout : stderr, "%s", qPrintable(Bench::usage()));
        return options.help ? 0 : 2;
    }

    // The children that measure memory and start-up inherit the parent's sandbox.
    if (options.memoryChildSize > 0 || options.startUpChild) {
        QApplication app(argc, argv);
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        return options.startUpChild ? Bench::startUpChild() : Bench::memoryChild(options.memoryChildSize);
    }

    QTemporaryDir sandbox(QDir::tempPath() + QStringLiteral("/marrowdesk-bench-XXXXXX"));
    if (!sandbox.isValid()) {
        std::fprintf(stderr, "cannot make a temporary folder: %s\n", qPrintable(sandbox.errorString()));
        return 1;
    }
    Bench::enterSandbox(sandbox.path());
    QApplication app(argc, argv);
    // Figures do not depend on the user's language: dates and paper of the US.
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Bench::QuietDialogs dialogs;

    Bench::Run run{options, sandbox.path()};
    QElapsedTimer total;
    total.start();

    QStringList sizes;
    for (const int size : options.sizes)
        sizes.append(QString::number(size));
    Harness::note(QStringLiteral("marrowdesk-bench: sizes %1%2; medians of %3 to %4 runs; floors measured in the "
                                 "same process on the same data")
                      .arg(sizes.join(QLatin1Char(',')), options.quick ? QStringLiteral(", quick") : QString())
                      .arg(Bench::runsFor(options, options.sizes.last()))
                      .arg(Bench::runsFor(options, options.sizes.first())));
    Harness::header();

    // The databases first, then peak memory, measured in a child started
    // while this process is still small.
    QMap<int, QString> databases;
    if (!options.dataFolder.isEmpty() && !QDir().mkpath(options.dataFolder)) {
        std::fprintf(stderr, "cannot make the folder %s\n", qPrintable(options.dataFolder));
        return 1;
    }
    for (const int size : options.sizes) {
        QElapsedTimer making;
        making.start();
        if (options.dataFolder.isEmpty()) {
            databases[size] = BenchData::database(sandbox.path(), size);
        } else {
            // The cases write to their database (views, watches, edits): a
            // kept one is worked on as a copy, so that every run starts alike.
            const QString kept = BenchData::database(options.dataFolder, size);
            databases[size] = options.makeOnly
                                  ? kept
                                  : Bench::freshCopy(kept, sandbox.path() + QStringLiteral("/issues-%1.mdb").arg(size));
        }
        std::fprintf(stderr, "(the database of %d issues ready in %.1f s)\n", size, making.elapsed() / 1000.0);
    }
    if (options.makeOnly)
        return 0;
    const int largest = options.sizes.last();
    if (Bench::wants(options, QStringLiteral("memory")))
        Bench::memoryCase(run, largest, databases[largest]);

    for (const int size : options.sizes) {
        const QString &database = databases[size];
        if (Bench::wants(options, QStringLiteral("list")))
            Bench::listCases(run, size, database);
        if (Bench::wants(options, QStringLiteral("startup")))
            Bench::startUpCase(run, size, database);
        if (Bench::wants(options, QStringLiteral("reports")))
            Bench::reportCases(run, size, database);
        if (Bench::wants(options, QStringLiteral("exchange")))
            Bench::exchangeCases(run, size, database);
        if (Bench::wants(options, QStringLiteral("reminders")))
            Bench::reminderCases(run, size, database);
        if (Bench::wants(options, QStringLiteral("translate")))
            Bench::translateCase(run, size);
    }
    // Inserts and deletes cost much the same at any size (each is one commit
    // to the disk): measured once, at the size nearest 10,000.
    int nearest = options.sizes.first();
    for (const int size : options.sizes)
        if (std::abs(size - 10000) < std::abs(nearest - 10000))
            nearest = size;
    if (Bench::wants(options, QStringLiteral("inserts")))
        Bench::insertCase(run, nearest, databases[nearest]);
    if (Bench::wants(options, QStringLiteral("trash")))
        Bench::trashCase(run, nearest, databases[nearest]);
    if (Bench::wants(options, QStringLiteral("attach")))
        Bench::attachCase(run, databases[nearest]);
    if (Bench::wants(options, QStringLiteral("bulk")))
        Bench::bulkEditCase(run, nearest, databases[nearest]);
    if (Bench::wants(options, QStringLiteral("pane")))
        Bench::paneCase(run);
    if (Bench::wants(options, QStringLiteral("preview")))
        Bench::previewCase(run, databases[largest]);
    // A copy grows with the file and no faster: measured at the largest size.
    if (Bench::wants(options, QStringLiteral("backup")))
        Bench::backupCase(run, largest, databases[largest]);
    // The history's cost is told at the largest size, where it is the most.
    if (Bench::wants(options, QStringLiteral("history")))
        Bench::historyCases(run, largest, databases[largest]);
    if (Bench::wants(options, QStringLiteral("server")) || Bench::wants(options, QStringLiteral("stall")) ||
        Bench::wants(options, QStringLiteral("attach")))
        Bench::serverCases(run, databases);
    if (options.sizes.contains(10000) && options.sizes.contains(100000))
        Harness::growth(10000, 100000, 1.15);

    Harness::note(QStringLiteral("%1; %2 boxes shown; whole run %3 s")
                      .arg(Harness::allMet() ? QStringLiteral("every target met") : QStringLiteral("targets missed"))
                      .arg(dialogs.boxes())
                      .arg(total.elapsed() / 1000.0, 0, 'f', 1));
    return Harness::allMet() ? 0 : 1;
}
