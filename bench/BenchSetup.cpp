#include "BenchSetup.h"

#include "Harness.h"
#include "app/MainWindow.h"

#include "data/DataFile.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QThreadPool>
#include <QWidget>

#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>

namespace Bench {
namespace {

bool readSizes(const QString &text, QList<int> &sizes)
{
    sizes.clear();
    for (const QString &part : text.split(QLatin1Char(','))) {
        bool ok = false;
        const int size = part.trimmed().toInt(&ok);
        if (!ok || size < 1 || size > 10000000)
            return false;
        if (!sizes.contains(size))
            sizes.append(size);
    }
    std::sort(sizes.begin(), sizes.end());
    return !sizes.isEmpty();
}

class PaintWatch final : public QObject {
public:
    bool painted = false;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            painted = true;
        return false;
    }
};

} // namespace

Options parseOptions(const QStringList &arguments)
{
    Options options;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if (argument == QLatin1String("--quick")) {
            options.quick = true;
        } else if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
            options.help = true;
        } else if (argument == QLatin1String("--sizes") || argument.startsWith(QLatin1String("--sizes="))) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            if (!readSizes(value, options.sizes)) {
                options.error = QStringLiteral("--sizes wants issue counts separated by commas, such as 1000,10000; "
                                               "got \"%1\".")
                                    .arg(value);
                return options;
            }
        } else if (argument == QLatin1String("--cases") || argument.startsWith(QLatin1String("--cases="))) {
            QString value;
            if (argument.contains(QLatin1Char('=')))
                value = argument.section(QLatin1Char('='), 1);
            else if (i + 1 < arguments.size())
                value = arguments[++i];
            options.cases = value.split(QLatin1Char(','), Qt::SkipEmptyParts);
            for (QString &group : options.cases)
                group = group.trimmed();
            for (const QString &group : options.cases)
                if (!caseGroups().contains(group)) {
                    options.error = QStringLiteral("--cases wants some of %1; got \"%2\".")
                                        .arg(caseGroups().join(QLatin1Char(',')), group);
                    return options;
                }
            if (options.cases.isEmpty()) {
                options.error = QStringLiteral("--cases wants some of %1.").arg(caseGroups().join(QLatin1Char(',')));
                return options;
            }
        } else if (argument == QLatin1String("--data") && i + 1 < arguments.size()) {
            options.dataFolder = QDir(arguments[++i]).absolutePath();
        } else if (argument == QLatin1String("--make-only")) {
            options.makeOnly = true;
        } else if (argument == QLatin1String("--startup-child")) {
            options.startUpChild = true;
        } else if (argument == QLatin1String("--memory-child") && i + 1 < arguments.size()) {
            bool ok = false;
            options.memoryChildSize = arguments[++i].toInt(&ok);
            if (!ok || options.memoryChildSize < 1) {
                options.error = QStringLiteral("--memory-child wants an issue count.");
                return options;
            }
        } else {
            options.error = QStringLiteral("Unknown option \"%1\".").arg(argument);
            return options;
        }
    }
    if (options.makeOnly && options.dataFolder.isEmpty())
        options.error = QStringLiteral("--make-only wants --data FOLDER to keep the databases in.");
    return options;
}

QStringList caseGroups()
{
    return {QStringLiteral("list"),    QStringLiteral("startup"),   QStringLiteral("reports"),
            QStringLiteral("inserts"), QStringLiteral("preview"),   QStringLiteral("memory"),
            QStringLiteral("backup"),  QStringLiteral("exchange"),  QStringLiteral("trash"),
            QStringLiteral("server"),  QStringLiteral("translate"), QStringLiteral("reminders"),
            QStringLiteral("history"), QStringLiteral("pane"),      QStringLiteral("bulk"),
            QStringLiteral("stall"),   QStringLiteral("attach")};
}

bool wants(const Options &options, const QString &group)
{
    return options.cases.isEmpty() || options.cases.contains(group);
}

QString usage()
{
    return QStringLiteral(
        "usage: marrowdesk-bench [--sizes 1000,10000,100000] [--quick] [--cases GROUPS]\n"
        "                        [--data FOLDER [--make-only]]\n"
        "GROUPS: some of list,startup,reports,inserts,preview,memory,backup,exchange,trash,history,\n"
        "pane,reminders,bulk,attach,server,stall (default: all; server starts a PostgreSQL 15 server of its\n"
        "own; stall is the window with a server 200 ms away, alone).\n"
        "Measures the program against its floors on generated databases of the given\n"
        "numbers of issues, in a temporary folder; your own data is never touched.\n"
        "--data keeps the generated databases in FOLDER (made once, reused by later\n"
        "runs, which work on copies); --make-only makes them and stops.\n");
}

int runsFor(const Options &options, int size)
{
    if (options.quick)
        return 3;
    return size >= 100000 ? 3 : 5;
}

void enterSandbox(const QString &folder)
{
    const struct {
        const char *variable;
        const char *sub;
    } places[] = {{"XDG_DATA_HOME", "data"},
                  {"XDG_CONFIG_HOME", "config"},
                  {"XDG_CACHE_HOME", "cache"},
                  {"XDG_RUNTIME_DIR", "runtime"}};
    for (const auto &place : places) {
        const QString path = folder + QLatin1Char('/') + QLatin1String(place.sub);
        QDir().mkpath(path);
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv(place.variable, QFile::encodeName(path));
    }
}

void useDataHome(const QString &home)
{
    qputenv("XDG_DATA_HOME", QFile::encodeName(home));
}

void useDataHome(const QString &home, const QString &database)
{
    useDataHome(home);
    const QString target = DataFile::databasePath();
    if (QFileInfo::exists(target))
        return;
    QDir().mkpath(DataFile::dataFolder());
    if (::link(QFile::encodeName(database).constData(), QFile::encodeName(target).constData()) != 0 &&
        !QFile::copy(database, target))
        qFatal("cannot place %s at %s", qPrintable(database), qPrintable(target));
}

QuietDialogs::QuietDialogs()
{
    platform::setDialogs(this);
}

QuietDialogs::~QuietDialogs()
{
    platform::setDialogs(nullptr);
}

platform::Answer QuietDialogs::message(const QString &text, const QString &title, platform::Buttons buttons,
                                       platform::Icon)
{
    if (++m_boxes <= 5)
        std::fprintf(stderr, "box during the benchmark: %s: %s\n", qPrintable(title),
                     qPrintable(QString(text).replace(QLatin1String("\r\n"), QLatin1String(" / "))));
    return buttons == platform::Buttons::YesNo ? platform::Answer::No : platform::Answer::Ok;
}

QString QuietDialogs::input(const QString &, const QString &, const QString &)
{
    return QString();
}

void QuietDialogs::showModal(QDialog &window)
{
    platform::loadForm(window);
    window.reject();
}

QString QuietDialogs::fileName(platform::FileAction, const QString &, const QString &, const QString &)
{
    return QString();
}

bool waitPainted(QWidget *widget, int timeoutMs)
{
    PaintWatch watch;
    widget->installEventFilter(&watch);
    QElapsedTimer timer;
    timer.start();
    while (!watch.painted && timer.elapsed() < timeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    widget->removeEventFilter(&watch);
    return watch.painted;
}

long peakResidentKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

long ownPeakResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (status.open(QIODevice::ReadOnly))
        for (const QByteArray &line : status.readAll().split('\n'))
            if (line.startsWith("VmHWM:"))
                return line.mid(6).trimmed().split(' ').first().toLong();
    return peakResidentKb();
}

double timedRefill(MainWindow &form)
{
    const double ms = Harness::timedMs([&] { form.refillList(); });
    QThreadPool::globalInstance()->waitForDone();
    return ms;
}

QString freshCopy(const QString &from, const QString &to)
{
    QFile::remove(to);
    if (!QFile::copy(from, to))
        qFatal("cannot copy %s", qPrintable(from));
    QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner);
    return to;
}

} // namespace Bench
