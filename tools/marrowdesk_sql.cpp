// marrowdesk-sql DATABASE [STATEMENT ...]: runs statements of the program's
// SQL dialect on a Marrowdesk database through the program's own data layer.

#include "data/Connection.h"
#include "data/Error.h"
#include "tools/SqlShell.h"

#include <QCoreApplication>
#include <QFile>
#include <QLocale>
#include <QTextStream>

#include <cstdio>

namespace {

const char usage[] =
    "Usage: marrowdesk-sql DATABASE [STATEMENT ...]\n"
    "\n"
    "Runs SQL statements on a Marrowdesk database (for example\n"
    "~/.local/share/Tamberlyn/Marrowdesk/dbData.mdb) through the program's own\n"
    "data layer, in the program's SQL dialect ([bracketed names], + joining text).\n"
    "\n"
    "Each STATEMENT runs in order. Without statements, they are read from\n"
    "standard input, one per line; empty lines are skipped.\n"
    "\n"
    "A statement whose first word is SELECT prints a line of column names and one\n"
    "line per row, fields separated by a tab. A null prints as \\N; inside values\n"
    "a backslash, tab, line feed and carriage return print as \\\\, \\t, \\n, \\r.\n"
    "Dates print in the short date form of the current locale (LC_ALL, LANG).\n"
    "Any other statement runs and prints nothing.\n"
    "\n"
    "A failing statement prints \"error: \" and its description on standard error,\n"
    "and the next statement runs. The database file is never created.\n"
    "\n"
    "Exit status: 0 all statements succeeded, 1 some failed,\n"
    "2 the database could not be opened.\n";

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (arguments.contains(QStringLiteral("--help")) || arguments.contains(QStringLiteral("-h"))) {
        out << usage;
        return 0;
    }
    if (arguments.isEmpty()) {
        err << usage;
        return 2;
    }
    Connection connection;
    try {
        connection.Open(ConnectionText::dataSource(arguments.takeFirst()));
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 2;
    }
    bool allSucceeded = true;
    if (!arguments.isEmpty()) {
        for (const QString &statement : arguments)
            allSucceeded = SqlShell::run(connection, statement, out, err) && allSucceeded;
    } else {
        QTextStream in(stdin);
        QString line;
        while (in.readLineInto(&line)) {
            if (line.trimmed().isEmpty())
                continue;
            allSucceeded = SqlShell::run(connection, line, out, err) && allSucceeded;
        }
    }
    connection.Close();
    return allSucceeded ? 0 : 1;
}
