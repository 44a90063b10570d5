// The window with its server 200 ms away (DelayProxy): a colleague's save
// refills a large list while the user types in the find bar and scrolls,
// and the server is then lost in the middle of such a refill. What counts is
// the longest the window's thread is busy with one turn of its event loop.

#include "BenchData.h"
#include "Cases.h"
#include "DelayProxy.h"
#include "Harness.h"

#include "app/FilterBar.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueListReread.h"
#include "data/Connection.h"
#include "data/SharedConnection.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QTreeView>

#include <algorithm>
#include <ctime>
#include <functional>
#include <memory>

namespace Bench {
namespace {

constexpr int delayMs = 200;
constexpr int saves = 3;

// The longest turn of the event loop: as the user waits for it (wall
// clock), and the window's thread's own work in a turn (its processor time,
// which the other work on a loaded machine does not lengthen).
struct Stall {
    double wallMs = 0;
    double workMs = 0;
    void add(const Stall &other)
    {
        wallMs = std::max(wallMs, other.wallMs);
        workMs = std::max(workMs, other.workMs);
    }
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

// Types and scrolls until done() or the time is up: a key every 30 ms or
// so, a fast typist's pace, and a step of the scroll bar at every turn.
Stall typeAndScrollUntil(MainWindow &form, const std::function<bool()> &done, int limitMs)
{
    static const QString text = QStringLiteral("printer");
    QLineEdit *box = form.findChild<QLineEdit *>(QStringLiteral("findBox"));
    QScrollBar *bar = form.listView()->verticalScrollBar();
    Stall longest;
    QElapsedTimer clock, sinceKey;
    clock.start();
    sinceKey.start();
    for (int turn = 0; !done() && clock.elapsed() < limitMs; ++turn) {
        const double cpu = threadCpuMs();
        const double wall = Harness::timedMs([&] {
            if (sinceKey.elapsed() >= 30) {
                sinceKey.restart();
                box->setText(text.left(turn % (text.size() + 1)));
            }
            bar->setValue((bar->value() + 53) % std::max(1, bar->maximum()));
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        });
        longest.add(Stall{wall, threadCpuMs() - cpu});
    }
    return longest;
}

} // namespace

void slowServerCase(const Run &run, int size, const QString &target)
{
    DelayProxy proxy(DelayProxy::socketOf(target), delayMs);
    useDataHome(run.folder + QStringLiteral("/slow-server-%1").arg(size), BenchData::emptyDatabase(run.folder));
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    sharedConnection().Open(proxy.relayed(target));
    form->followServer();
    form->show();
    form->showFilterBar();
    form->refillList();
    Connection colleague;
    colleague.Open(target);
    const qint64 issue = form->listModel()->cell(0, IssueListModel::idColumn).toLongLong();
    bool read = false, finished = false;
    // How long the window's thread takes to show a read's rows, of a turn.
    QElapsedTimer showing;
    double longestShowing = 0;
    QObject::connect(form->listReread(), &IssueListReread::aboutToShow, form.get(), [&] { showing.start(); });
    QObject::connect(form->listReread(), &IssueListReread::finished, form.get(),
                     [&](const IssueListLoading::Refilled &refilled) {
                         finished = true;
                         read = refilled.read;
                         if (read)
                             longestShowing = std::max(longestShowing, showing.nsecsElapsed() / 1e6);
                     });
    // The same typing and scrolling with no refill: what the list itself
    // costs the window (searches shown, rows painted), on this machine now.
    const std::function<bool()> never = [] { return false; };
    const Stall unloaded = typeAndScrollUntil(*form, never, 3000);

    const std::function<bool()> shownOrFailed = [&] { return finished; };
    Stall longest;
    std::vector<double> untilShown;
    for (int save = 1; save <= saves; ++save) {
        finished = false;
        QElapsedTimer shown;
        shown.start();
        colleague.Execute(QStringLiteral("update Issues set Comment='saved %1' where ID=%2").arg(save).arg(issue));
        longest.add(typeAndScrollUntil(*form, shownOrFailed, 60000));
        if (!finished || !read)
            qFatal("a colleague's save did not refill the list from the server 200 ms away");
        untilShown.push_back(shown.nsecsElapsed() / 1e6);
    }
    Harness::note(QStringLiteral("a colleague's save shown in the list of %1 issues, server %2 ms away: %3 ms "
                                 "(median of %4)")
                      .arg(form->listModel()->totalRowCount())
                      .arg(delayMs)
                      .arg(Harness::median(untilShown), 0, 'f', 0)
                      .arg(saves));
    Harness::note(QStringLiteral("  typing and scrolling with no refill: longest turn %1 ms (the window's own work "
                                 "%2 ms); during the refills the window's own work %3 ms, of which showing a read's "
                                 "rows %4 ms")
                      .arg(unloaded.wallMs, 0, 'f', 1)
                      .arg(unloaded.workMs, 0, 'f', 1)
                      .arg(longest.workMs, 0, 'f', 1)
                      .arg(longestShowing, 0, 'f', 1));
    Harness::limit(QStringLiteral("  longest stall while typing and scrolling during that refill"), longest.wallMs, 16,
                   QStringLiteral("ms"));

    // The server lost while a refill reads: the rows stay, the line over the
    // list says so, and the window keeps answering.
    finished = false;
    colleague.Execute(QStringLiteral("update Issues set Comment='lost' where ID=%1").arg(issue));
    const std::function<bool()> reading = [&] { return form->listReread()->isRunning(); };
    const std::function<bool()> toldLost = [&] { return finished && !form->connectionBanner()->isHidden(); };
    typeAndScrollUntil(*form, reading, 10000);
    proxy.drop();
    Stall lost = typeAndScrollUntil(*form, toldLost, 30000);
    // The listener meanwhile tries to reach the server again, every second.
    lost.add(typeAndScrollUntil(*form, never, 3000));
    if (!finished || read || form->listModel()->totalRowCount() == 0)
        qFatal("the refill with the server lost did not keep the rows");
    Harness::note(QStringLiteral("  with the server lost, the window's own work in a turn at most %1 ms")
                      .arg(lost.workMs, 0, 'f', 1));
    Harness::limit(QStringLiteral("  longest stall with the server lost during a refill"), lost.wallMs, 16,
                   QStringLiteral("ms"));
    form.reset();
    releaseSharedConnection();
}

} // namespace Bench
