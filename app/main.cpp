// Marrowdesk: the main window's load is the whole start-up; closing it ends
// the program.

#include "app/CommandLine.h"
#include "app/DatabaseChoice.h"
#include "app/MainWindow.h"
#include "app/Restore.h"
#include "data/ChangeSource.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "platform/Appearance.h"
#include "platform/Dialogs.h"
#include "platform/SingleInstance.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>
#include <QTimer>

#include <cstdio>

namespace {

// Makes the data folder when it is missing, so that the lock can live in it.
// A failure is left for start-up to report.
void makeDataFolder()
{
    try {
        for (const QString &folder : {DataFile::companyFolder(), DataFile::dataFolder()})
            if (!QFileInfo::exists(folder))
                DataFile::makeFolder(folder);
    } catch (const Error &) {
    }
}

} // namespace

int main(int argc, char *argv[])
{
    // The command line is read before any display is needed: help, version
    // and a restore run without one.
    const CommandLine command = CommandLine::parse(CommandLine::argumentsOf(argc, argv));
    // The history says a change was made with the program, or by a restore.
    ChangeSource::setForProcess(QString::fromLatin1(
        command.action == CommandLine::Action::Restore ? ChangeSource::restore : ChangeSource::program));
    switch (command.action) {
    case CommandLine::Action::Print:
        std::fputs(qPrintable(command.text), stdout);
        return 0;
    case CommandLine::Action::Fail:
        std::fprintf(stderr, "marrowdesk: %s\n", qPrintable(command.text));
        return command.exitCode;
    case CommandLine::Action::Restore: {
        QCoreApplication app(argc, argv);
        // The backup goes over the database this user works on, wherever
        // the choice was made, never over another file.
        const DatabaseChoice choice = DatabaseChoice::resolve(command.database);
        if (ConnectionText::namesServer(choice.target)) {
            std::fprintf(stderr, "marrowdesk: --restore brings back a database file; the database in use is on a "
                                 "server, which keeps and restores its own backups (pg_dump, pg_basebackup).\n");
            return 1;
        }
        if (const QString problem = choice.problem(); !problem.isEmpty()) {
            std::fprintf(stderr, "marrowdesk: %s\n", qPrintable(problem));
            return 1;
        }
        if (!choice.target.isEmpty())
            DataFile::useDatabase(QFileInfo(choice.target).absoluteFilePath());
        QTextStream out(stdout);
        QTextStream err(stderr);
        return restoreCommand(command.restoreFile, out, err);
    }
    case CommandLine::Action::Remember: {
        QCoreApplication app(argc, argv);
        const DatabaseChoice choice{command.database, QStringLiteral("--database")};
        if (const QString problem = choice.problem(); !problem.isEmpty()) {
            std::fprintf(stderr, "marrowdesk: %s\n", qPrintable(problem));
            return 1;
        }
        try {
            std::printf("%s\n", qPrintable(rememberDatabase(command.database)));
        } catch (const Error &error) {
            std::fprintf(stderr, "marrowdesk: %s\n", qPrintable(error.description()));
            return 1;
        }
        return 0;
    }
    case CommandLine::Action::Run:
        break;
    }
    const DatabaseChoice choice = DatabaseChoice::resolve(command.database);
    if (const QString problem = choice.problem(); !problem.isEmpty()) {
        std::fprintf(stderr, "marrowdesk: %s\n", qPrintable(problem));
        return 1;
    }
    if (!choice.target.isEmpty())
        DataFile::useDatabase(ConnectionText::namesServer(choice.target) ? choice.target
                                                                         : QFileInfo(choice.target).absoluteFilePath());

    // Without a display Qt would stop with a message about platform plugins
    // that tells a user nothing; say what is missing instead.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") &&
        qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        std::fputs("Marrowdesk needs a graphical display, and none was found (neither DISPLAY nor WAYLAND_DISPLAY "
                   "is set): start it from a desktop session, or under a virtual display with "
                   "'xvfb-run marrowdesk'.\n",
                   stderr);
        return 1;
    }

    QApplication app(argc, argv);
    QLocale::setDefault(QLocale::system());
    // Every window copies the program icon from here when it loads.
    QApplication::setWindowIcon(programIcon());

    // One program per data folder: a second start brings the first forward.
    makeDataFolder();
    SingleInstance instance(DataFile::dataFolder());
    if (!instance.claim()) {
        const QString running =
            instance.firstAnswered()
                ? QStringLiteral("Marrowdesk is already running with the data folder \"%1\"; its window was "
                                 "brought to the front.")
                      .arg(DataFile::dataFolder())
                : QStringLiteral("Another Marrowdesk holds the data folder \"%1\" but does not answer. Close or end "
                                 "it, then start Marrowdesk again.")
                      .arg(DataFile::dataFolder());
        std::fprintf(stderr, "%s\n", qPrintable(running));
        platform::msgBox(running);
        return 0;
    }

    MainWindow window;
    QObject::connect(&instance, &SingleInstance::activationRequested, &window, [&window] {
        window.setWindowState(window.windowState() & ~Qt::WindowMinimized);
        window.show();
        window.raise();
        window.activateWindow();
    });
    window.startUp();
    switch (MainWindow::windowStateNumber(window.windowState())) {
    case 1:
        window.showMinimized();
        break;
    case 2:
        window.showMaximized();
        break;
    default:
        window.show();
        break;
    }
    // For the installed package's smoke test: say that the window is up,
    // on which database, and end.
    if (qEnvironmentVariableIsSet("MARROWDESK_EXIT_WHEN_SHOWN"))
        QTimer::singleShot(0, &app, [] {
            std::printf("marrowdesk: main window shown, database %s\n", qPrintable(DataFile::databasePath()));
            std::fflush(stdout);
            QCoreApplication::exit(0);
        });
    return app.exec();
}
