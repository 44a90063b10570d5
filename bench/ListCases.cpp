// The issue list: refill, sort, start-up, and peak memory.

#include "Cases.h"
#include "Floors.h"
#include "BenchData.h"
#include "Harness.h"

#include "app/Form1.h"
#include "app/IssueListModel.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/SharedConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QThreadPool>
#include <QTreeView>

#include <algorithm>
#include <cstdio>
#include <memory>

namespace Bench {
namespace {

constexpr int titleColumn = 1;
constexpr int openedDateColumn = 4;

std::unique_ptr<Form1> loadedForm(const QString &home, const QString &database)
{
    useDataHome(home, database);
    auto form = std::make_unique<Form1>();
    form->Form_Load();
    return form;
}

void closeForm(std::unique_ptr<Form1> &form)
{
    form.reset();
    releaseSharedConnection();
}

} // namespace

void listCases(const Run &run, int size, const QString &database)
{
    const QString sizeText = QString::number(size);
    std::unique_ptr<Form1> form = loadedForm(run.folder + QStringLiteral("/list-%1").arg(size), database);
    // The list as a user has it: sorted by a column, here the title.
    form->ListView1_ColumnClick(titleColumn);
    sqlite3 *db = sharedConnection().handle();

    // Both sides are timed until their rows are in memory. Freeing rows is
    // left out of both: the floor frees its rows after its timing ends, the
    // list frees the rows it replaced on a worker thread, and each run waits
    // for that worker, untimed, so that it never overlaps the next run.
    const auto ours = [&] {
        const double ms = Harness::timedMs([&] { form->ListData(); });
        QThreadPool::globalInstance()->waitForDone();
        return ms;
    };
    const auto floor = [&] {
        std::vector<Floor::ListRow> rows;
        const double ms = Harness::timedMs([&] { rows = Floor::readOpenIssues(db); });
        if (rows.empty() && size > 100)
            qFatal("the floor read no rows");
        return ms;
    };
    const Harness::Pair refill = Harness::medianPair(ours, floor, run.runs(size));
    if (form->listModel()->rowCount() == 0)
        qFatal("the list is empty after ListData");
    Harness::report(QStringLiteral("Refill the issue list (ListData, sorted)"), sizeText, refill,
                    size >= 10000 ? 2.0 : 0);

    // Sorting: each run starts from the list sorted by ID.
    const std::vector<Floor::SortRow> floorRows = Floor::sortRows(Floor::readOpenIssues(db));
    // A sort takes tens of milliseconds by title and well under one by date,
    // where one disturbed run moves a median of three and the fastest of a
    // few runs is itself a matter of chance; more runs cost little.
    const auto sortRuns = [&](int wanted) { return run.options.quick ? run.runs(size) : std::max(run.runs(size), wanted); };
    const auto sortCase = [&](const QString &name, int column, int runs, auto floorSort) {
        const Harness::Pair pair = Harness::medianPair(
            [&] {
                form->ListView1_ColumnClick(0);
                if (form->listModel()->sortColumn() != 0 || form->listModel()->sortOrder() != Qt::AscendingOrder)
                    form->ListView1_ColumnClick(0);
                return Harness::timedMs([&] {
                    form->ListView1_ColumnClick(column);
                    QCoreApplication::processEvents();
                });
            },
            [&] {
                std::vector<Floor::SortRow> rows = floorRows;
                return Harness::timedMs([&] { floorSort(rows); });
            },
            runs);
        Harness::report(name, sizeText, pair, 3.0);
    };
    sortCase(QStringLiteral("Sort by Title (header click)"), titleColumn, sortRuns(11),
             [](std::vector<Floor::SortRow> &rows) { Floor::sortByText(rows, titleColumn); });
    sortCase(QStringLiteral("Sort by Opened Date (header click)"), openedDateColumn, sortRuns(31),
             [](std::vector<Floor::SortRow> &rows) { Floor::sortByOpenedDate(rows); });
    closeForm(form);
}

void startUpCase(const Run &run, int size, const QString &database)
{
    const QString ours = run.folder + QStringLiteral("/startup-%1").arg(size);
    const QString empty = run.folder + QStringLiteral("/startup-empty");
    const QString emptyDatabase = BenchData::emptyDatabase(run.folder);

    // Form_Load and show in this process, where what a process does once
    // (loading libraries, fonts, styles) is done already.
    const auto inProcess = [](const QString &home, const QString &file) {
        useDataHome(home, file);
        std::unique_ptr<Form1> form;
        const double ms = Harness::timedMs([&] {
            form = std::make_unique<Form1>();
            form->Form_Load();
            form->show();
            if (!waitPainted(form->ListView1->viewport()))
                qFatal("the main window was never painted");
        });
        closeForm(form);
        return ms;
    };
    const Harness::Pair pair = Harness::medianPair([&] { return inProcess(ours, database); },
                                                   [&] { return inProcess(empty, emptyDatabase); }, run.runs(size));
    Harness::report(QStringLiteral("Start-up to the first painted main window"), QString::number(size), pair,
                    size == 10000 ? 1.5 : 0);

    // The whole start-up as a user meets it: from launching the program to
    // its first painted main window, in a new process.
    const auto newProcess = [](const QString &home, const QString &file) {
        useDataHome(home, file);
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        QElapsedTimer timer;
        timer.start();
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--startup-child")});
        QByteArray said;
        while (!said.contains("painted\n") && child.waitForReadyRead(60000))
            said += child.readAllStandardOutput();
        const double ms = timer.nsecsElapsed() / 1e6;
        if (!child.waitForFinished(60000) || child.exitCode() != 0 || !said.contains("painted\n"))
            qFatal("the start-up child failed");
        return ms;
    };
    const Harness::Pair process = Harness::medianPair([&] { return newProcess(ours, database); },
                                                      [&] { return newProcess(empty, emptyDatabase); },
                                                      run.runs(size));
    Harness::report(QStringLiteral("  the same from launching a new process"), QString::number(size), process, 0);
}

// Runs start-up in this process until the list has painted, then reports
// through `painted`. Exit code 0 when it painted and no box was shown.
template <typename Report>
int startUpInThisProcess(Report &&painted)
{
    QuietDialogs dialogs;
    auto form = std::make_unique<Form1>();
    form->Form_Load();
    form->show();
    if (!waitPainted(form->ListView1->viewport()))
        return 1;
    painted(*form);
    std::fflush(stdout);
    return dialogs.boxes() == 0 ? 0 : 1;
}

int startUpChild()
{
    return startUpInThisProcess([](Form1 &) { std::printf("painted\n"); });
}

void memoryCase(const Run &run, int size, const QString &database)
{
    const QString home = run.folder + QStringLiteral("/memory-%1").arg(size);
    useDataHome(home, database);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--memory-child"), QString::number(size)});
    if (!child.waitForFinished(600000) || child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0) {
        Harness::note(QStringLiteral("peak memory: the child process failed (%1)").arg(child.errorString()));
        return;
    }
    long rows = -1;
    long peakKb = -1;
    for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
        if (line.startsWith("rows "))
            rows = line.mid(5).toLong();
        else if (line.startsWith("peak-kb "))
            peakKb = line.mid(8).toLong();
    }
    const double fileMb = QFileInfo(database).size() / (1024.0 * 1024.0);
    Harness::limit(QStringLiteral("peak memory, %1 issues (%2 listed, file %3 MB)")
                       .arg(size)
                       .arg(rows)
                       .arg(fileMb, 0, 'f', 1),
                   peakKb / 1024.0, 3 * fileMb + 80, QStringLiteral("MB"));
}

int memoryChild(int size)
{
    Q_UNUSED(size);
    return startUpInThisProcess([](Form1 &form) {
        std::printf("rows %d\npeak-kb %ld\n", form.listModel()->rowCount(), ownPeakResidentKb());
    });
}

} // namespace Bench
