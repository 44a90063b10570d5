// The issue list: refill, sort, start-up, and peak memory.

#include "BenchData.h"
#include "Cases.h"
#include "Floors.h"
#include "Harness.h"

#include "app/FilterBar.h"
#include "app/MainWindow.h"
#include "app/ViewCommands.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueSearch.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/SavedViews.h"
#include "data/SharedConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLineEdit>
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

std::unique_ptr<MainWindow> loadedForm(const QString &home, const QString &database)
{
    useDataHome(home, database);
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    return form;
}

void closeForm(std::unique_ptr<MainWindow> &form)
{
    form.reset();
    releaseSharedConnection();
}

// The floor of a search: every cell of every row searched for the text,
// letter case aside, in one plain pass.
int plainScan(const IssueListModel::Table &table, const QString &text)
{
    int found = 0;
    for (const IssueListModel::Row &row : table.rows)
        for (const QString &cell : row.cells)
            if (cell.contains(text, Qt::CaseInsensitive)) {
                ++found;
                break;
            }
    return found;
}

// Typing a text into the find bar, one key at a time, as fast as keys come:
// the longest the window's thread is busy with one keystroke or one result,
// and the time from the last keystroke until the list shows the result.
struct Typing {
    double longestStallMs = 0;
    double completeMs = 0;
};

Typing typeIntoFindBar(MainWindow &form, const QString &text)
{
    Typing typing;
    QLineEdit *box = form.findChild<QLineEdit *>(QStringLiteral("findBox"));
    QElapsedTimer sinceLastKey;
    for (int length = 1; length <= text.size(); ++length) {
        typing.longestStallMs =
            std::max(typing.longestStallMs, Harness::timedMs([&] { box->setText(text.left(length)); }));
        sinceLastKey.start();
        // Results of earlier keys arrive meanwhile and are shown.
        typing.longestStallMs =
            std::max(typing.longestStallMs, Harness::timedMs([] { QCoreApplication::processEvents(); }));
    }
    form.listSearch()->waitUntilApplied();
    typing.completeMs = sinceLastKey.nsecsElapsed() / 1e6;
    return typing;
}

void findCases(const Run &run, int size, MainWindow &form)
{
    const QString sizeText = QString::number(size);
    // A search that finds at once takes a few milliseconds, where one
    // disturbed run moves a median of three; more runs cost little.
    const int runs = run.options.quick ? run.runs(size) : std::max(run.runs(size), 11);
    // A text no issue holds, and one that nearly every issue holds.
    for (const QString &text : {QStringLiteral("zqxjv"), QStringLiteral("e")}) {
        double longestStall = 0;
        const Harness::Pair pair = Harness::medianPair(
            [&] {
                form.filterBar()->clear();
                form.listSearch()->waitUntilApplied();
                const Typing typing = typeIntoFindBar(form, text);
                longestStall = std::max(longestStall, typing.longestStallMs);
                return typing.completeMs;
            },
            [&] {
                const auto table = form.listModel()->table();
                return Harness::timedMs([&] { plainScan(*table, text); });
            },
            runs);
        Harness::report(QStringLiteral("Find \"%1\" as typed, until shown").arg(text), sizeText, pair,
                        size >= 100000 ? 2.0 : 0);
        if (size >= 100000)
            Harness::limit(QStringLiteral("  longest stall of the window while typing \"%1\"").arg(text), longestStall,
                           16, QStringLiteral("ms"));
    }
    form.filterBar()->clear();
    form.listSearch()->waitUntilApplied();
}

// A query of five terms with an OR, put into the find box at once, until the
// list shows its rows, against the plain find of its text term the same way.
void queryCase(const Run &run, int size, MainWindow &form)
{
    const auto shownAfter = [&](const QString &text) {
        form.filterBar()->clear();
        form.listSearch()->waitUntilApplied();
        QLineEdit *box = form.findChild<QLineEdit *>(QStringLiteral("findBox"));
        return Harness::timedMs([&] {
            box->setText(text);
            form.listSearch()->waitUntilApplied();
        });
    };
    const int runs = run.options.quick ? run.runs(size) : std::max(run.runs(size), 11);
    const QString query = QStringLiteral("e (cat:\"Category 1\" OR cat:\"Category 2\") prio:high -status:new");
    const Harness::Pair pair =
        Harness::medianPair([&] { return shownAfter(query); }, [&] { return shownAfter(QStringLiteral("e")); }, runs);
    Harness::report(QStringLiteral("Query of five terms with OR, until shown (vs the plain find)"),
                    QString::number(size), pair, size >= 100000 ? 1.2 : 0);
    form.filterBar()->clear();
    form.listSearch()->waitUntilApplied();
}

// Showing the closed issues too (a refill of open and closed), and hiding
// them again, against a refill of the open ones.
void closedToggleCase(const Run &run, int size, MainWindow &form)
{
    const auto refill = [&] { return timedRefill(form); };
    const Harness::Pair pair = Harness::medianPair(
        [&] {
            // Each toggle refills; the rows it replaced are freed on a worker,
            // waited for untimed, as the refill it is compared with does.
            double ms = 0;
            for (const bool shown : {true, false}) {
                ms += Harness::timedMs([&] { form.filterBar()->setShowsClosed(shown); });
                QThreadPool::globalInstance()->waitForDone();
            }
            return ms / 2;
        },
        refill, run.runs(size));
    Harness::report(QStringLiteral("Show or hide closed issues (per toggle)"), QString::number(size), pair,
                    size >= 100000 ? 1.2 : 0);
}

// Choosing one saved view and then another (Ctrl+1, Ctrl+2: each sets the
// query, the sort and the columns, and refills once), against a refill.
void viewSwitchCase(const Run &run, int size, MainWindow &form)
{
    SavedViews::View byTitle;
    byTitle.name = QStringLiteral("by title");
    byTitle.sortColumn = QStringLiteral("Title");
    SavedViews::View highByDue;
    highByDue.name = QStringLiteral("high, by due date");
    highByDue.query = QStringLiteral("prio:high");
    highByDue.sortColumn = QStringLiteral("Due Date");
    highByDue.sortDescending = true;
    highByDue.columns = QStringList{"ID", "Title", "Due Date", "Priority"};
    SavedViews::save(sharedConnection(), byTitle);
    SavedViews::save(sharedConnection(), highByDue);
    form.viewCommands()->chooseView(0);
    QThreadPool::globalInstance()->waitForDone();
    const auto refill = [&] { return timedRefill(form); };
    const Harness::Pair pair = Harness::medianPair(
        [&] {
            double ms = 0;
            for (const int place : {1, 0}) {
                ms += Harness::timedMs([&] {
                    form.viewCommands()->chooseView(place);
                    form.listSearch()->waitUntilApplied();
                });
                QThreadPool::globalInstance()->waitForDone();
            }
            return ms / 2;
        },
        refill, run.runs(size));
    Harness::report(QStringLiteral("Switch between two saved views (per switch, vs a refill)"), QString::number(size),
                    pair, size >= 100000 ? 1.1 : 0);
    form.filterBar()->clear();
    form.listSearch()->waitUntilApplied();
}

} // namespace

void listCases(const Run &run, int size, const QString &database)
{
    const QString sizeText = QString::number(size);
    std::unique_ptr<MainWindow> form = loadedForm(run.folder + QStringLiteral("/list-%1").arg(size), database);
    // The list as a user has it: sorted by a column, here the title.
    form->sortByColumn(titleColumn);
    sqlite3 *db = sharedConnection().handle();

    // Both sides are timed until their rows are in memory. Freeing rows is
    // left out of both: the floor frees its rows after its timing ends, the
    // list frees the rows it replaced on a worker thread, and each run waits
    // for that worker, untimed, so that it never overlaps the next run.
    const auto ours = [&] { return timedRefill(*form); };
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

    // The history's two date columns shown: the same refill reading them
    // too, against the refill without them, each run alternating with the
    // other; the columns are switched untimed (the switch refills).
    {
        std::vector<double> shown, hidden;
        const auto refillWithDates = [&](bool dates, std::vector<double> &into) {
            form->setHistoryColumns({dates, dates});
            into.push_back(ours());
        };
        for (int i = 0; i <= run.runs(size); ++i) {
            refillWithDates(true, shown);
            refillWithDates(false, hidden);
        }
        // The first of each is a warm-up.
        shown.erase(shown.begin());
        hidden.erase(hidden.begin());
        Harness::report(QStringLiteral("Refill with Closed Date and Last Changed shown, against without"), sizeText,
                        Harness::median(shown), Harness::median(hidden), size >= 100000 ? 1.1 : 0);
        if (form->listModel()->columnCount() != IssueListModel::maxColumns)
            qFatal("the history's columns stayed after they were hidden");
    }

    // Sorting: each run starts from the list sorted by ID.
    const std::vector<Floor::SortRow> floorRows = Floor::sortRows(Floor::readOpenIssues(db));
    // A sort takes tens of milliseconds by title and well under one by date,
    // where one disturbed run moves a median of three and the fastest of a
    // few runs is itself a matter of chance; more runs cost little.
    const auto sortRuns = [&](int wanted) {
        return run.options.quick ? run.runs(size) : std::max(run.runs(size), wanted);
    };
    const auto sortCase = [&](const QString &name, int column, int runs, auto floorSort) {
        const Harness::Pair pair = Harness::medianPair(
            [&] {
                form->sortByColumn(0);
                if (form->listModel()->sortColumn() != 0 || form->listModel()->sortOrder() != Qt::AscendingOrder)
                    form->sortByColumn(0);
                return Harness::timedMs([&] {
                    form->sortByColumn(column);
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
    findCases(run, size, *form);
    queryCase(run, size, *form);
    closedToggleCase(run, size, *form);
    viewSwitchCase(run, size, *form);
    closeForm(form);
}

void startUpCase(const Run &run, int size, const QString &database)
{
    const QString ours = run.folder + QStringLiteral("/startup-%1").arg(size);
    const QString empty = run.folder + QStringLiteral("/startup-empty");
    const QString emptyDatabase = BenchData::emptyDatabase(run.folder);

    // startUp and show in this process, where what a process does once
    // (loading libraries, fonts, styles) is done already.
    const auto inProcess = [](const QString &home, const QString &file) {
        useDataHome(home, file);
        std::unique_ptr<MainWindow> form;
        const double ms = Harness::timedMs([&] {
            form = std::make_unique<MainWindow>();
            form->startUp();
            form->show();
            if (!waitPainted(form->listView()->viewport()))
                qFatal("the main window was never painted");
        });
        closeForm(form);
        return ms;
    };
    // The floor: an empty start-up plus reading the issues raw, which no
    // start-up that lists them can avoid.
    Connection raw;
    raw.Open(QStringLiteral("data source=") + database);
    const auto floor = [&] {
        const double emptyMs = inProcess(empty, emptyDatabase);
        std::vector<Floor::ListRow> rows;
        const double readMs = Harness::timedMs([&] { rows = Floor::readOpenIssues(raw.handle()); });
        return emptyMs + readMs;
    };
    const Harness::Pair pair = Harness::medianPair([&] { return inProcess(ours, database); }, floor, run.runs(size));
    raw.Close();
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
                                                      [&] { return newProcess(empty, emptyDatabase); }, run.runs(size));
    Harness::report(QStringLiteral("  the same from launching a new process"), QString::number(size), process, 0);
}

// Runs start-up in this process until the list has painted, then reports
// through `painted`. Exit code 0 when it painted and no box was shown.
template <typename Report>
int startUpInThisProcess(Report &&painted)
{
    QuietDialogs dialogs;
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    form->show();
    if (!waitPainted(form->listView()->viewport()))
        return 1;
    painted(*form);
    std::fflush(stdout);
    return dialogs.boxes() == 0 ? 0 : 1;
}

int startUpChild()
{
    return startUpInThisProcess([](MainWindow &) { std::printf("painted\n"); });
}

void memoryCase(const Run &run, int size, const QString &database)
{
    const QString home = run.folder + QStringLiteral("/memory-%1").arg(size);
    useDataHome(home, database);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--memory-child"), QString::number(size)});
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
    Harness::limit(
        QStringLiteral("peak memory, %1 issues (%2 listed, file %3 MB)").arg(size).arg(rows).arg(fileMb, 0, 'f', 1),
        peakKb / 1024.0, 3 * fileMb + 80, QStringLiteral("MB"));
}

int memoryChild(int size)
{
    Q_UNUSED(size);
    return startUpInThisProcess([](MainWindow &form) {
        std::printf("rows %d\npeak-kb %ld\n", form.listModel()->rowCount(), ownPeakResidentKb());
    });
}

} // namespace Bench
