#pragma once
// The program's command line, read before any display is needed:
//   marrowdesk [--database TARGET [--remember]] | --forget-database
//              | --restore BACKUP_FILE [--database FILE] | --remind [--database TARGET]
//              | --help | --version
// and the options Qt itself takes (-platform, -style ...), which are left to
// QApplication.

#include <QString>
#include <QStringList>

struct CommandLine {
    enum class Action {
        Run,      // start the main window, on `database` when it is set
        Restore,  // restore the backup `restoreFile`, without a display
        Remember, // keep `database` in the settings (empty: forget the choice), without a display
        Remind,   // tell the day's due issues as desktop notifications, without a window
        Print,    // print `text` to standard output and end with 0 (--help, --version)
        Fail,     // print `text` (one line) to standard error and end with exitCode
    };
    Action action = Action::Run;
    QString text;
    int exitCode = 0;
    QString restoreFile;
    QString database;

    // Reads the arguments, the program's name first. Wrong options fail with
    // status 2; a restore whose options are wrong fails with 1, as restores
    // always have.
    static CommandLine parse(const QStringList &arguments);

    // The program's arguments as text. A file name that is not valid UTF-8
    // becomes a path that reaches the same file (pathForBytes), so that
    // --restore and --database open it by its bytes.
    static QStringList argumentsOf(int argc, char **argv);
};
