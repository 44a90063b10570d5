// marrowdesk-sql DATABASE [STATEMENT ...]: runs statements of the program's
// SQL dialect on a Marrowdesk database (a file or a PostgreSQL server)
// through the program's own data layer. --init makes the tables on a server
// and --add-member and --remove-member its logins (ServerCommands), --copy
// moves every row between two databases, --ics writes the calendar feed,
// --query prints the issues a query of the find box's language keeps,
// --attach, --attachments and --extract put files in and out of issues.

#include "data/Attachments.h"
#include "data/BytePath.h"
#include "data/ChangeSource.h"
#include "data/Connection.h"
#include "data/DatabaseCopy.h"
#include "data/Error.h"
#include "data/ICalendar.h"
#include "data/IssueQuerySql.h"
#include "data/Recordset.h"
#include "data/Utf8.h"
#include "tools/ServerCommands.h"
#include "tools/SqlShell.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <optional>

namespace {

const char usage[] =
    "Usage: marrowdesk-sql DATABASE [STATEMENT ...]\n"
    "       marrowdesk-sql --csv | --raw-csv DATABASE [STATEMENT ...]\n"
    "       marrowdesk-sql [--csv | --raw-csv] [--me NAME] --query QUERY DATABASE\n"
    "       marrowdesk-sql --init SERVER\n"
    "       marrowdesk-sql --upgrade SERVER\n"
    "       marrowdesk-sql --add-member NAME SERVER\n"
    "       marrowdesk-sql --remove-member NAME SERVER\n"
    "       marrowdesk-sql --copy FROM TO\n"
    "       marrowdesk-sql --ics FILE DATABASE\n"
    "       marrowdesk-sql --attach ISSUE FILE DATABASE\n"
    "       marrowdesk-sql --attachments ISSUE DATABASE\n"
    "       marrowdesk-sql --extract ATTACHMENT DIR DATABASE\n"
    "       marrowdesk-sql --help | --version\n"
    "\n"
    "Runs SQL statements on a Marrowdesk database through the program's own\n"
    "data layer, in the program's SQL dialect ([bracketed names], + joining text).\n"
    "DATABASE is a file (for example\n"
    "~/.local/share/Tamberlyn/Marrowdesk/dbData.mdb) or a PostgreSQL server's\n"
    "database: a URI (postgresql://user@host/dbname?sslmode=require) or libpq's\n"
    "key=value form (\"host=db.example.org dbname=tracker\"). Passwords come from\n"
    "~/.pgpass or PGPASSWORD, never from the command line.\n"
    "\n"
    "--query QUERY prints every issue, open or closed, that QUERY keeps, in ID\n"
    "order, with the columns of [Issues With Names]; QUERY is the language of the\n"
    "find box (status:open cat:docs due<2026-12-31 ...; see the README). \"me\" is\n"
    "the contact named by --me, or on a server the contact of your login. A query\n"
    "that cannot be read prints why on standard error; the exit status is then 1.\n"
    "\n"
    "--init SERVER makes the Marrowdesk tables in an empty database on a server,\n"
    "owned by SERVER's user, and the member role DATABASE_members, which may\n"
    "change issues, contacts and lists but not the tables or the trash. It\n"
    "refuses a database that holds any table.\n"
    "--upgrade SERVER brings a server database made by an older Marrowdesk (schema\n"
    "version 5 or 6) up to this one's, in one transaction, as the tables' owner;\n"
    "the program refuses an older database until this is done.\n"
    "--add-member NAME SERVER makes a login role NAME for a person, in the member\n"
    "role; it asks for the password (twice on a terminal, else one line of\n"
    "standard input). --remove-member NAME SERVER takes NAME out of the member\n"
    "role and removes the login. Both run as the tables' owner, which needs\n"
    "CREATEROLE.\n"
    "--copy FROM TO copies every contact, list value, issue, trashed row and note,\n"
    "with their IDs, and the history of changes, from one database to another (a\n"
    "file to a server or back) in one transaction, then prints each table's row\n"
    "count as verified on TO. TO must hold no rows: a server database made by\n"
    "--init, or a file; a file that does not exist is made from the empty database\n"
    "dbBlank.mdb beside this program.\n"
    "--ics FILE DATABASE writes every issue with a due date to FILE as an\n"
    "iCalendar to-do list (RFC 5545), for a calendar program to subscribe to. The\n"
    "file is written aside and renamed into place, so a reader never finds it\n"
    "half written; run it again (from a timer) to keep the file up to date.\n"
    "--attach ISSUE FILE DATABASE attaches FILE to the issue numbered ISSUE and\n"
    "prints the attachment's ID (at most 512 MiB; content attached before is\n"
    "stored once). --attachments ISSUE DATABASE prints the issue's attachments:\n"
    "ID, name, type, size in bytes, SHA-256, when added (UTC) and by whom.\n"
    "--extract ATTACHMENT DIR DATABASE writes the attachment into the folder DIR\n"
    "under its name made safe for a file name, never over an existing file, and\n"
    "only when its content matches the SHA-256 recorded when it was attached.\n"
    "\n"
    "Each STATEMENT runs in order. Without statements, they are read from\n"
    "standard input, one per line; empty lines are skipped.\n"
    "\n"
    "A statement whose first word is SELECT prints a line of column names and one\n"
    "line per row, fields separated by a tab. A null prints as \\N; inside values\n"
    "a backslash, tab, line feed and carriage return print as \\\\, \\t, \\n, \\r.\n"
    "Dates print in the short date form of the current locale (LC_ALL, LANG).\n"
    "With --csv, rows print as CSV (RFC 4180: a header record, fields quoted where\n"
    "needed, CR LF line ends, a null as an empty field, dates as ISO 8601), and\n"
    "text that a spreadsheet would run as a formula (starting with =, +, -, @, a\n"
    "tab or a carriage return) gets an apostrophe before it, as Marrowdesk's own\n"
    "export does. --raw-csv prints the same CSV with all text raw, as stored, for\n"
    "scripts: never open its output in a spreadsheet.\n"
    "Any other statement runs and prints nothing.\n"
    "\n"
    "A failing statement prints \"error: \" and its description on standard error,\n"
    "and the next statement runs. The database file is never created.\n"
    "\n"
    "Refused, as failing statements: text that is not valid UTF-8 (the byte's\n"
    "offset is named), and statements that reach another file or the machine\n"
    "(ATTACH, VACUUM INTO, PRAGMA writable_schema, load_extension, fts3_tokenizer).\n"
    "On a file, also statements that would drop, alter or make anew a table, index,\n"
    "trigger or view of Marrowdesk's own schema, or give its tables other triggers,\n"
    "and changes to PRAGMA user_version or application_id: the schema's triggers\n"
    "keep the trash, the dates and the versions right for every program. When a\n"
    "file lacks some of them (removed by another program), opening it makes them\n"
    "again and says so once, on standard error.\n"
    "\n"
    "A file name that is not valid UTF-8 is opened by its bytes.\n"
    "\n"
    "Exit status: 0 all statements succeeded, 1 some failed (or --init, --upgrade,\n"
    "--copy, --ics, --attach, --extract, --add-member or --remove-member failed), 2 the database could not\n"
    "be opened.\n";

// Runs one statement given as bytes; text that is not valid UTF-8 is
// refused with the offset of the first bad byte, counted from `base`.
bool runBytes(Connection &connection, const QByteArray &bytes, const QString &where, qsizetype base, QTextStream &out,
              QTextStream &err, SqlShell::Output output)
{
    const qsizetype bad = Utf8::firstInvalid(bytes);
    if (bad < 0)
        return SqlShell::run(connection, QString::fromUtf8(bytes), out, err, output);
    err << "error: " << where << " is not valid UTF-8: byte " << (base + bad) << " (0x"
        << QString::number(static_cast<unsigned char>(bytes[bad]), 16).toUpper().rightJustified(2, QLatin1Char('0'))
        << ") cannot be read, counting from 0. It was not run.\n";
    err.flush();
    return false;
}

// A DATABASE argument as the program reaches it: a server's target as it
// stands, a file's path by its bytes (a name that is not valid UTF-8
// through a link of this run).
QString databaseFor(const char *argument)
{
    const QString text = QFile::decodeName(argument);
    return ConnectionText::namesServer(text) ? text : pathForBytes(QByteArray(argument), false);
}

QString connectionStringFor(const QString &database)
{
    return ConnectionText::namesServer(database) ? database : ConnectionText::dataSource(database);
}

// Makes a new database file from the blank one. Written through the path,
// not with QFile::copy, which would replace a link that reaches a name not
// valid UTF-8 with a file of its own in the link's folder.
bool makeFromBlank(const QString &blank, const QString &target)
{
    QFile from(blank);
    QFile to(target);
    if (!from.open(QIODevice::ReadOnly) || !to.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = from.readAll();
    return to.write(bytes) == bytes.size() && to.flush();
}

int copyDatabase(const char *fromArgument, const char *toArgument, QTextStream &out, QTextStream &err)
{
    const QString toDatabase = databaseFor(toArgument);
    if (!ConnectionText::namesServer(toDatabase) && !QFile::exists(toDatabase)) {
        const QString blank = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("dbBlank.mdb"));
        if (!makeFromBlank(blank, toDatabase)) {
            err << "error: the new database file \"" << toDatabase << "\" could not be made from " << blank << ".\n";
            return 1;
        }
    }
    Connection from;
    Connection to;
    from.setProgramName(QStringLiteral("marrowdesk-sql"));
    to.setProgramName(QStringLiteral("marrowdesk-sql"));
    try {
        from.Open(connectionStringFor(databaseFor(fromArgument)));
        to.Open(connectionStringFor(toDatabase));
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 2;
    }
    try {
        const QList<DatabaseCopy::TableCount> counts = DatabaseCopy::copy(from, to);
        out << "Copied from " << from.displayName() << " to " << to.displayName() << "; rows verified:\n";
        for (const DatabaseCopy::TableCount &count : counts)
            out << count.table << '\t' << count.rows << '\n';
    } catch (const Error &error) {
        // A list of refused rows ends on a line of its own.
        const bool listed = error.description().contains(QLatin1Char('\n'));
        err << "error: " << error.description() << (listed ? "\nNothing was copied.\n" : " Nothing was copied.\n");
        return 1;
    }
    return 0;
}

// Opens the database for one command and runs it; the exit status as the
// usage says (2 when it cannot be opened, 1 when the command fails).
int withDatabase(const char *database, QTextStream &err, const std::function<void(Connection &)> &command)
{
    Connection connection;
    connection.setProgramName(QStringLiteral("marrowdesk-sql"));
    try {
        connection.Open(connectionStringFor(databaseFor(database)));
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 2;
    }
    try {
        command(connection);
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 1;
    }
    return 0;
}

int writeCalendar(const QString &file, const char *database, QTextStream &out, QTextStream &err)
{
    return withDatabase(database, err, [&](Connection &connection) {
        const int written = ICalendar::exportToFile(connection, std::nullopt, file);
        out << written << " issues with a due date were written to " << file << '\n';
    });
}

// A field of a printed line as SELECT's rows print text.
QString escaped(QString text)
{
    return text.replace(QLatin1Char('\\'), QLatin1String("\\\\"))
        .replace(QLatin1Char('\t'), QLatin1String("\\t"))
        .replace(QLatin1Char('\n'), QLatin1String("\\n"))
        .replace(QLatin1Char('\r'), QLatin1String("\\r"));
}

qint64 numberArgument(const char *argument, const char *what)
{
    bool ok = false;
    const qint64 number = QByteArray(argument).toLongLong(&ok);
    if (!ok || number <= 0)
        throw Refusal(QStringLiteral("%1 must be a number above 0, not \u201c%2\u201d.")
                          .arg(QLatin1String(what), QString::fromLocal8Bit(argument)));
    return number;
}

int attachFile(const char *issue, const char *file, const char *database, QTextStream &out, QTextStream &err)
{
    return withDatabase(database, err, [&](Connection &connection) {
        out << Attachments::add(connection, numberArgument(issue, "ISSUE"), QFile::decodeName(file)) << '\n';
    });
}

int listAttachments(const char *issue, const char *database, QTextStream &out, QTextStream &err)
{
    return withDatabase(database, err, [&](Connection &connection) {
        out << "ID\tName\tType\tSize\tSHA-256\tAdded\tAdded By\n";
        for (const Attachments::Attachment &a : Attachments::list(connection, numberArgument(issue, "ISSUE")))
            out << a.id << '\t' << escaped(a.name) << '\t' << a.type << '\t' << a.size << '\t' << a.hash << '\t'
                << a.added.toString(Qt::ISODate) << '\t' << escaped(a.addedBy) << '\n';
    });
}

int extractFile(const char *attachment, const char *folder, const char *database, QTextStream &out, QTextStream &err)
{
    return withDatabase(database, err, [&](Connection &connection) {
        const qint64 id = numberArgument(attachment, "ATTACHMENT");
        const QDir dir(QFile::decodeName(folder));
        if (!dir.exists())
            throw Refusal(QStringLiteral("The folder %1 does not exist; nothing was written.").arg(dir.path()));
        QString name;
        {
            Recordset found;
            found.Open(QStringLiteral("select Name from Attachments where ID = %1").arg(id), connection);
            if (found.Eof())
                throw Refusal(QStringLiteral("There is no attachment %1; nothing was written.").arg(id));
            name = Attachments::safeFileName(found.field(0).toTextOrEmpty());
        }
        const QString path = dir.filePath(name);
        if (QFileInfo::exists(path) || QFileInfo(path).isSymLink())
            throw Refusal(QStringLiteral("%1 exists already; nothing was written.").arg(path));
        Attachments::extract(connection, id, path);
        out << path << '\n';
    });
}

int printQuery(Connection &connection, const QString &text, const std::optional<QString> &me, QTextStream &out,
               QTextStream &err, SqlShell::Output output)
{
    try {
        const QDate today = QDate::currentDate();
        const IssueQuery::Query query = IssueQuery::Query::parse(text, today);
        const QString meName = me ? *me : query.namesMe() ? IssueQuerySql::meName(connection, 0) : QString();
        Recordset rs;
        IssueQuerySql::open(rs, connection, query, meName, today);
        SqlShell::print(rs, out, output);
    } catch (const Error &error) {
        out.flush();
        err << "error: " << error.description() << '\n';
        return 1;
    }
    connection.Close();
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    // The history names what this tool changes as its own.
    ChangeSource::setForProcess(QString::fromLatin1(ChangeSource::sqlShell));
    // Options come before the database; "--" ends them.
    int first = 1;
    SqlShell::Output output = SqlShell::Output::Tabs;
    std::optional<QString> query;
    std::optional<QString> me;
    for (; first < argc && argv[first][0] == '-'; ++first) {
        const QByteArray option(argv[first]);
        if (option == "--help" || option == "-h") {
            out << usage;
            return 0;
        }
        if (option == "--version") {
            out << "marrowdesk-sql " << MARROWDESK_VERSION << '\n';
            return 0;
        }
        if (option == "--init" && first + 1 < argc)
            return ServerCommands::init(QString::fromLocal8Bit(argv[first + 1]), out, err);
        if (option == "--upgrade" && first + 1 < argc)
            return ServerCommands::upgrade(QString::fromLocal8Bit(argv[first + 1]), out, err);
        if (option == "--add-member" && first + 2 < argc)
            return ServerCommands::addMember(QString::fromLocal8Bit(argv[first + 1]),
                                             QString::fromLocal8Bit(argv[first + 2]), out, err);
        if (option == "--remove-member" && first + 2 < argc)
            return ServerCommands::removeMember(QString::fromLocal8Bit(argv[first + 1]),
                                                QString::fromLocal8Bit(argv[first + 2]), out, err);
        if (option == "--copy" && first + 2 < argc)
            return copyDatabase(argv[first + 1], argv[first + 2], out, err);
        if (option == "--ics" && first + 2 < argc)
            return writeCalendar(QString::fromLocal8Bit(argv[first + 1]), argv[first + 2], out, err);
        if (option == "--attach" && first + 3 < argc)
            return attachFile(argv[first + 1], argv[first + 2], argv[first + 3], out, err);
        if (option == "--attachments" && first + 2 < argc)
            return listAttachments(argv[first + 1], argv[first + 2], out, err);
        if (option == "--extract" && first + 3 < argc)
            return extractFile(argv[first + 1], argv[first + 2], argv[first + 3], out, err);
        if (option == "--csv" || option == "--raw-csv") {
            output = option == "--csv" ? SqlShell::Output::Csv : SqlShell::Output::RawCsv;
            continue;
        }
        if (option == "--query" && first + 1 < argc) {
            query = QString::fromLocal8Bit(argv[++first]);
            continue;
        }
        if (option == "--me" && first + 1 < argc) {
            me = QString::fromLocal8Bit(argv[++first]);
            continue;
        }
        if (option == "--") {
            ++first;
            break;
        }
        err << "marrowdesk-sql: unknown option " << QString::fromLocal8Bit(option) << "; see marrowdesk-sql --help\n";
        return 2;
    }
    if (first >= argc) {
        err << usage;
        return 2;
    }
    Connection connection;
    // Whatever its statements delete goes to the trash under this name.
    connection.setProgramName(QStringLiteral("marrowdesk-sql"));
    try {
        connection.Open(connectionStringFor(databaseFor(argv[first])));
        connection.guardSchema();
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 2;
    }
    if (const QString notice = connection.repairNotice(); !notice.isEmpty()) {
        err << "note: " << notice << '\n';
        err.flush();
    }
    if (query)
        return printQuery(connection, *query, me, out, err, output);
    // Statements are read as bytes, so that text that is not UTF-8 is
    // refused rather than stored with replacement characters.
    bool allSucceeded = true;
    if (first + 1 < argc) {
        for (int i = first + 1; i < argc; ++i)
            allSucceeded = runBytes(connection, QByteArray(argv[i]), QStringLiteral("statement %1").arg(i - first), 0,
                                    out, err, output) &&
                           allSucceeded;
    } else {
        QFile in;
        in.open(stdin, QIODevice::ReadOnly);
        qsizetype offset = 0;
        for (int number = 1;; ++number) {
            const QByteArray read = in.readLine(); // blocks until a line or the end
            if (read.isEmpty())
                break;
            QByteArray line = read;
            if (line.endsWith('\n'))
                line.chop(1);
            if (line.endsWith('\r'))
                line.chop(1);
            if (!line.trimmed().isEmpty())
                allSucceeded = runBytes(connection, line, QStringLiteral("line %1 of standard input").arg(number),
                                        offset, out, err, output) &&
                               allSucceeded;
            offset += read.size();
        }
    }
    connection.Close();
    return allSucceeded ? 0 : 1;
}
