#include "app/CommandLine.h"

#include "data/BytePath.h"

#include <QCommandLineParser>
#include <QCoreApplication>

namespace {

// Options QGuiApplication and QApplication take out of the command line
// themselves; accepted here so that they stay usable, and not shown in help.
const char *const qtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin",   "qwindowgeometry", "qwindowicon", "qwindowtitle",
    "style",    "stylesheet",         "display",       "geometry", "title",           "session"};
const char *const qtFlags[] = {"reverse", "nograb", "dograb", "sync", "widgetcount"};

} // namespace

CommandLine CommandLine::parse(const QStringList &arguments)
{
    QCommandLineParser parser;
    // Qt's own options are written with one dash ("-platform offscreen").
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(QStringLiteral("Marrowdesk, an issue tracker."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and end."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and end."));
    const QCommandLineOption restore(QStringLiteral("restore"),
                                     QStringLiteral("Restore the database from BACKUP_FILE (for example a file in the "
                                                    "backups folder), keeping the current one aside, and end."),
                                     QStringLiteral("BACKUP_FILE"));
    const QCommandLineOption database(QStringLiteral("database"),
                                      QStringLiteral("Open the database TARGET instead of the usual one "
                                                     "(~/.local/share/Tamberlyn/Marrowdesk/dbData.mdb): a file, or "
                                                     "a PostgreSQL server as a postgresql:// URI or libpq's "
                                                     "key=value form. MARROWDESK_DATABASE does the same."),
                                      QStringLiteral("TARGET"));
    const QCommandLineOption remember(QStringLiteral("remember"),
                                      QStringLiteral("Keep the --database TARGET in the settings, so that later "
                                                     "starts open it, and end. A password is never kept."));
    const QCommandLineOption forget(QStringLiteral("forget-database"),
                                    QStringLiteral("Forget the database kept with --remember, and end."));
    const QCommandLineOption remind(QStringLiteral("remind"),
                                    QStringLiteral("Tell the day's due and overdue issues as desktop notifications, "
                                                   "once a day, from the morning time of the Reminders on, and end "
                                                   "(for a timer or the desktop's autostart)."));
    parser.addOptions({help, version, restore, database, remember, forget, remind});
    for (const char *name : qtOptionsWithValue) {
        QCommandLineOption option(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }
    for (const char *name : qtFlags) {
        QCommandLineOption option(QString::fromLatin1(name));
        option.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(option);
    }

    CommandLine result;
    const bool parsed = parser.parse(arguments);
    if (parser.isSet(help)) {
        result.action = Action::Print;
        result.text = parser.helpText().replace(QLatin1String("<executable_name>"), QLatin1String("marrowdesk"));
        return result;
    }
    const auto fail = [&](int exitCode) {
        result.action = Action::Fail;
        result.exitCode = exitCode;
        result.text = !parsed ? parser.errorText()
                              : QStringLiteral("Unexpected argument: %1").arg(parser.positionalArguments().first());
        return result;
    };
    const bool wrong = !parsed || !parser.positionalArguments().isEmpty();
    if (parser.isSet(restore) || arguments.contains(QStringLiteral("--restore"))) {
        if (wrong)
            return fail(1);
        result.action = Action::Restore;
        result.restoreFile = parser.value(restore);
        result.database = parser.value(database);
        return result;
    }
    if (wrong)
        return fail(2);
    if (parser.isSet(version)) {
        result.action = Action::Print;
        result.text = QStringLiteral("marrowdesk %1\n").arg(QStringLiteral(MARROWDESK_VERSION));
        return result;
    }
    result.database = parser.value(database);
    if (parser.isSet(forget) || parser.isSet(remember)) {
        if (parser.isSet(forget) == parser.isSet(database)) {
            result.action = Action::Fail;
            result.exitCode = 2;
            result.text = QStringLiteral("--remember needs --database TARGET; --forget-database takes no database.");
            return result;
        }
        result.action = Action::Remember;
    }
    if (parser.isSet(remind)) {
        if (result.action == Action::Remember) {
            result.action = Action::Fail;
            result.exitCode = 2;
            result.text = QStringLiteral("--remind takes no --remember or --forget-database.");
            return result;
        }
        result.action = Action::Remind;
    }
    return result;
}

QStringList CommandLine::argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i) {
        const QByteArray bytes(argv[i]);
        QString text = QString::fromLocal8Bit(bytes);
        if (text.toLocal8Bit() != bytes) {
            const qsizetype equals = bytes.indexOf('=');
            const QByteArray option = equals > 0 && bytes.startsWith('-') ? bytes.left(equals + 1) : QByteArray();
            const QString previous = arguments.isEmpty() ? QString() : arguments.last();
            const bool database = option.endsWith("database=") || previous == QLatin1String("--database") ||
                                  previous == QLatin1String("-database");
            text = QString::fromLatin1(option) + pathForBytes(bytes.mid(option.size()), database);
        }
        arguments << text;
    }
    return arguments;
}
