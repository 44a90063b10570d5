#pragma once
// What every case of the benchmark shares: the options, the sandbox the run
// works in (its own data and settings folders), a dialogs stand-in that never
// waits for a user, and waiting for a window's first paint.

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

class MainWindow;
class QWidget;

namespace Bench {

struct Options {
    QList<int> sizes{1000, 10000, 100000};
    bool quick = false;
    // The groups of cases to run (--cases list,startup,reports,inserts,
    // preview,memory); all when empty.
    QStringList cases;
    // Set in the child process that measures peak memory: the size it lists.
    int memoryChildSize = 0;
    // Set in a child process that measures start-up.
    bool startUpChild = false;
    // Where generated databases are kept between runs (--data); the run
    // works on copies of them. Empty: made in the run's temporary folder.
    QString dataFolder;
    // Only make the databases (--make-only), into dataFolder.
    bool makeOnly = false;
    bool help = false;
    QString error; // not empty when the arguments could not be read
};

// Reads the arguments after the program name: --sizes 1000,10000 (or
// --sizes=...), --quick, --cases (a comma-separated choice of groups), --help,
// --data FOLDER, --make-only, and the internal --memory-child N and
// --startup-child.
Options parseOptions(const QStringList &arguments);

QString usage();

// A fresh copy of a database at `to`, readable and writable by the user
// only, replacing any earlier one; returns `to`. Stops the run when the copy
// cannot be made.
QString freshCopy(const QString &from, const QString &to);

// Refills the window's list and returns the milliseconds until its rows
// are shown. The rows it replaced are freed on a worker, waited for untimed,
// so that freeing never overlaps the next run.
double timedRefill(MainWindow &form);

// The groups of cases --cases can choose.
QStringList caseGroups();

// Whether the options ask for a group of cases.
bool wants(const Options &options, const QString &group);

// Repetitions of a case at a size: fewer for large sizes and with --quick,
// never fewer than three, so that every figure is a median.
int runsFor(const Options &options, int size);

// Points XDG_DATA_HOME, XDG_CONFIG_HOME, XDG_CACHE_HOME and XDG_RUNTIME_DIR
// into the folder, so that nothing the run does touches the user's files.
void enterSandbox(const QString &folder);

// Makes `home` the data folder root (XDG_DATA_HOME) for what follows, with
// the database file at the place start-up looks for it, as a hard link to
// `database` (or a copy where links are not possible).
void useDataHome(const QString &home, const QString &database);
void useDataHome(const QString &home);

// Answers every box without waiting: OK, or No to a question (nothing is
// deleted or ended by a bench); modal windows close at once, file choosers are cancelled. Counts error
// boxes and prints the first few, since a case that fails is no measure.
class QuietDialogs final : public platform::Dialogs {
public:
    QuietDialogs();
    ~QuietDialogs() override;
    platform::Answer message(const QString &text, const QString &title, platform::Buttons buttons,
                             platform::Icon icon) override;
    QString input(const QString &prompt, const QString &title, const QString &defaultText) override;
    void showModal(QDialog &window) override;
    QString fileName(platform::FileAction action, const QString &title, const QString &suggested,
                     const QString &filter) override;

    int boxes() const { return m_boxes; }

private:
    int m_boxes = 0;
};

// Processes events until the widget has been painted (after show), or until
// the timeout; false on timeout.
bool waitPainted(QWidget *widget, int timeoutMs = 30000);

// Peak resident memory of this process so far, in kilobytes: getrusage's
// ru_maxrss.
long peakResidentKb();

// Peak resident memory of this program since it was started, in kilobytes:
// the high-water mark of its own address space (VmHWM). On Linux ru_maxrss
// also keeps the resident size the parent had when it started this process,
// which a child that measures itself must not count.
long ownPeakResidentKb();

} // namespace Bench
