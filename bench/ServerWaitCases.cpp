// How the window fares when the team's server is slow to answer: an idle
// window after a server restart, and a Save behind a row another session
// holds locked. Both measure the window's event loop with a timer probe.

#include "BenchData.h"
#include "BenchSetup.h"
#include "Cases.h"
#include "Harness.h"

#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/SharedConnection.h"
#include "issues/IssueEditor.h"
#include "platform/Dialogs.h"
#include "platform/ServerWaitProgress.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTimer>

#include <libpq-fe.h>

#include <algorithm>
#include <memory>

namespace Bench {
namespace {

// The longest time the event loop went without turning, from construction
// on: the gap between two ticks of a 2 ms timer.
class StallProbe {
public:
    StallProbe()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
        m_clock.start();
        m_timer.start(2);
    }
    double longestMs()
    {
        tick();
        return m_longest / 1e6;
    }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, now - m_last);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

// Runs tests/pg/server.sh with the event loop turning, as a window's would.
void serverScript(const QString &verb, const QString &folder)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(QStringLiteral(SERVER_SCRIPT), {verb, folder});
    while (process.state() != QProcess::NotRunning)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 10);
    if (process.exitCode() != 0)
        qFatal("tests/pg/server.sh %s failed", qPrintable(verb));
}

// Turns the event loop until done() or the timeout; false on timeout.
bool turnUntil(const std::function<bool()> &done, int timeoutMs)
{
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    }
    return true;
}

QString shownTitle(MainWindow &form, qint64 id)
{
    IssueListModel &model = *form.listModel();
    const int row = model.rowOfFirstCell(QString::number(id));
    return row < 0 ? QString() : model.cell(row, 1);
}

// An issue with every value the list shows, so that no box reports one
// missing.
qint64 addIssue(Connection &other, const QString &title)
{
    other.Execute(QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,"
                                 "Priority,Comment) values ('%1',1,1,'8/1/2021','Open','Bug','High','0')")
                      .arg(title));
    return other.lastInsertedId();
}

void restartCase(const Run &run, const QString &target, const QString &serverFolder, Connection &other)
{
    for (const char *statement : {"insert into Contacts (ID,[First Name],[Last Name]) values (1,'Ann','Lee')",
                                  "insert into Status values ('Open')", "insert into Categories values ('Bug')",
                                  "insert into Priorities values ('High')"})
        other.Execute(QLatin1String(statement));
    const qint64 id = addIssue(other, QStringLiteral("before the restart"));
    useDataHome(run.folder + QStringLiteral("/server-restart"), BenchData::emptyDatabase(run.folder));
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    sharedConnection().Open(target);
    form->followServer();
    form->show();
    form->refillList();
    if (!turnUntil([&] { return shownTitle(*form, id) == QLatin1String("before the restart"); }, 10000))
        qFatal("the window does not show the issue before the restart");
    auto *quiet = dynamic_cast<QuietDialogs *>(&platform::dialogs());
    const int boxesBefore = quiet ? quiet->boxes() : 0;
    const auto *banner = form->findChild<QLabel *>(QStringLiteral("connectionBanner"));

    serverScript(QStringLiteral("halt"), serverFolder);
    turnUntil([&] { return banner->isVisibleTo(form.get()); }, 5000);
    StallProbe probe;
    serverScript(QStringLiteral("resume"), serverFolder);
    QElapsedTimer sinceAccepting;
    sinceAccepting.start();
    other.Execute(QStringLiteral("update Issues set Title='after the restart' where ID=%1").arg(id));
    const bool current = turnUntil(
        [&] { return shownTitle(*form, id) == QLatin1String("after the restart") && !banner->isVisibleTo(form.get()); },
        30000);
    const double ms = sinceAccepting.elapsed();
    Harness::limit(QStringLiteral("An idle window's list current again after a server restart"), current ? ms : 1e9,
                   2000, QStringLiteral("ms"));
    Harness::limit(QStringLiteral("  boxes shown meanwhile"), quiet ? quiet->boxes() - boxesBefore : 0, 0, QString());
    Harness::note(QStringLiteral("  (the window's longest stall while the server came back: %1 ms)")
                      .arg(probe.longestMs(), 0, 'f', 0));
    form.reset();
    releaseSharedConnection();
}

void lockedSaveCase(const QString &target, Connection &other)
{
    const qint64 id = addIssue(other, QStringLiteral("held"));
    createSharedConnection().Open(target);
    pg_conn *holder = PQconnectdb(target.toUtf8().constData());
    PQclear(PQexec(holder, "BEGIN"));
    PQclear(PQexec(
        holder,
        QByteArray("SELECT 1 FROM \"Issues\" WHERE \"ID\" = " + QByteArray::number(id) + " FOR UPDATE").constData()));
    IssueEditor editor;
    editor.issueId = QString::number(id);
    platform::loadForm(editor);
    editor.show();
    waitPainted(&editor);
    // The editor's controls, found by the names tests and screen readers use.
    editor.findChild<QPlainTextEdit *>(QStringLiteral("Text3"))->setPlainText(QStringLiteral("mine"));
    StallProbe probe;
    QElapsedTimer saving;
    saving.start();
    editor.findChild<QPushButton *>(QStringLiteral("PushButton2"))
        ->click(); // refused at the lock limit; the bench's box says Cancel
    const double longest = probe.longestMs();
    const double took = saving.elapsed();
    PQclear(PQexec(holder, "ROLLBACK"));
    PQfinish(holder);
    Harness::limit(QStringLiteral("The window's longest stall during a Save behind a held lock"), longest, 100,
                   QStringLiteral("ms"));
    Harness::note(QStringLiteral("  (the Save was refused after %1 s, the lock limit)").arg(took / 1000.0, 0, 'f', 1));
    releaseSharedConnection();
}

} // namespace

void serverWaitCases(const Run &run, const QString &target, const QString &serverFolder)
{
    // The program's own limits and progress, from the bench's empty settings.
    platform::followServerWaits();
    Connection other;
    other.Open(target);
    restartCase(run, target, serverFolder, other);
    lockedSaveCase(target, other);
}

} // namespace Bench
