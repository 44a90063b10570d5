// marrowdesk-sql as its users run it: arguments or standard input, the
// output format, the exit codes, and never creating a file.

#include "data/Connection.h"
#include "data/sqlite/SqliteFile.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run sql(const QStringList &arguments, const QByteArray &input = QByteArray(),
        const QString &lang = QStringLiteral("en_US.UTF-8"))
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.remove(QStringLiteral("LC_ALL"));
    environment.remove(QStringLiteral("LC_TIME"));
    environment.insert(QStringLiteral("LANG"), lang);
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), arguments);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(30000))
        qFatal("marrowdesk-sql did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace

class TestSqlShell : public QObject {
    Q_OBJECT
private slots:
    void printsQueriesAsTabSeparatedLines();
    void escapesAndNulls();
    void datesFollowTheLocale();
    void readsStandardInputSkippingEmptyLines();
    void failingStatementContinuesAndExitsOne();
    void unopenableDatabaseExitsTwoAndCreatesNothing_data();
    void unopenableDatabaseExitsTwoAndCreatesNothing();
    void helpExplainsUsage();
    void refusesWhatReachesBeyondTheDatabase_data();
    void refusesWhatReachesBeyondTheDatabase();
    void refusesTextThatIsNotUtf8();
    void keepsTheSchemaWhole_data();
    void keepsTheSchemaWhole();
    void csvGuardsFormulasUnlessRaw();
    void opensFileNamesByTheirBytes_data();
    void opensFileNamesByTheirBytes();
    void attachesListsAndExtracts();
};

void TestSqlShell::printsQueriesAsTabSeparatedLines()
{
    TestDatabase db;
    const Run run = sql({db.path(), QStringLiteral("insert into [Status] values ('Open')"),
                         QStringLiteral("insert into [Status] values ('Blocked')"),
                         QStringLiteral("SELECT * from Status order by Status"),
                         QStringLiteral("select 1+2 as [Sum], 2.5 as r, 'a'+'b' as t")});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("Status\nBlocked\nOpen\nSum\tr\tt\n3\t2.5\tab\n"));
}

void TestSqlShell::escapesAndNulls()
{
    TestDatabase db;
    const Run run =
        sql({db.path(),
             QStringLiteral("insert into Contacts ([First Name],Notes) values ('Tab\there','back\\slash\r\nnew')"),
             QStringLiteral("select [First Name], [Last Name], Notes from Contacts")});
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("First Name\tLast Name\tNotes\nTab\\there\t\\N\tback\\\\slash\\r\\nnew\n"));
}

void TestSqlShell::datesFollowTheLocale()
{
    TestDatabase db;
    sql({db.path(),
         QStringLiteral(
             "insert into Issues (Title,[Opened Date],[Due Date]) values ('x','2021-08-31','2021-08-31T14:05')")});
    const QString query = QStringLiteral("select [Opened Date] from Issues");
    QCOMPARE(sql({db.path(), query}, {}, QStringLiteral("en_US.UTF-8")).out,
             QStringLiteral("Opened Date\n8/31/2021\n"));
    QCOMPARE(sql({db.path(), query}, {}, QStringLiteral("de_DE.UTF-8")).out,
             QStringLiteral("Opened Date\n31.08.2021\n"));
    const QString due = sql({db.path(), QStringLiteral("select [Due Date] from Issues")}).out;
    QVERIFY2(due.startsWith(QLatin1String("Due Date\n8/31/2021 2:05")), qPrintable(due));
}

void TestSqlShell::readsStandardInputSkippingEmptyLines()
{
    TestDatabase db;
    const Run run = sql(
        {db.path()}, "insert into [Priorities] values ('High')\n\n   \nselect Count(Priority) as n from Priorities\n");
    QCOMPARE(run.exitCode, 0);
    QCOMPARE(run.out, QStringLiteral("n\n1\n"));
}

void TestSqlShell::failingStatementContinuesAndExitsOne()
{
    TestDatabase db;
    const Run run =
        sql({db.path(), QStringLiteral("select * from Nowhere"), QStringLiteral("insert into [Status] values ('A')"),
             QStringLiteral("insert into [Status] values ('a')"), QStringLiteral("select * from Status")});
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.out, QStringLiteral("Status\nA\n"));
    const QStringList errors = run.err.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    QCOMPARE(errors.size(), 2);
    QVERIFY(errors[0].startsWith(QLatin1String("error: ")) && errors[0].contains(QLatin1String("Nowhere")));
    QVERIFY(errors[1].contains(QLatin1String("already in the status list")));
}

void TestSqlShell::unopenableDatabaseExitsTwoAndCreatesNothing_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::newRow("missing") << QByteArray();
    QTest::newRow("zero bytes") << QByteArray("");
    QTest::newRow("not a database") << QByteArray("hello, world");
}

void TestSqlShell::unopenableDatabaseExitsTwoAndCreatesNothing()
{
    QFETCH(QByteArray, content);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("x.mdb"));
    if (!content.isNull()) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    const Run run = sql({path, QStringLiteral("select 1")});
    QCOMPARE(run.exitCode, 2);
    QVERIFY(run.err.startsWith(QLatin1String("error: ")));
    QCOMPARE(run.out, QString());
    if (content.isNull()) {
        QVERIFY(!QFile::exists(path));
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content);
    }
}

void TestSqlShell::helpExplainsUsage()
{
    const Run run = sql({QStringLiteral("--help")});
    QCOMPARE(run.exitCode, 0);
    QVERIFY(run.out.contains(QLatin1String("marrowdesk-sql DATABASE [STATEMENT ...]")));
}

void TestSqlShell::refusesWhatReachesBeyondTheDatabase_data()
{
    QTest::addColumn<QStringList>("statements"); // %1: the database's folder
    QTest::addColumn<QString>("words");
    const QString attach = QStringLiteral("attach another database file");
    QTest::newRow("attach") << QStringList{"attach '%1/other.mdb' as other"} << attach;
    QTest::newRow("attach database, URI") << QStringList{"ATTACH DATABASE 'file:%1/other.mdb?mode=rwc' AS o"} << attach;
    QTest::newRow("attach in memory") << QStringList{"attach ':memory:' as m"} << attach;
    QTest::newRow("vacuum into") << QStringList{"vacuum into '%1/other.mdb'"} << attach;
    QTest::newRow("writable_schema") << QStringList{"PRAGMA writable_schema=ON"} << "writable_schema cannot be changed";
    QTest::newRow("writable_schema of main") << QStringList{"pragma main.Writable_Schema = 1"} << "cannot be changed";
    QTest::newRow("fts3 tokenizer pointer")
        << QStringList{"select fts3_tokenizer('simple', x'4141414141414141')",
                       "create virtual table t using fts3(x, tokenize=simple)", "insert into t values ('a')"}
        << "fts3_tokenizer is not allowed";
    QTest::newRow("load_extension") << QStringList{"select load_extension('%1/x.so')"}
                                    << "load_extension is not allowed";
    QTest::newRow("journal mode WAL") << QStringList{"PRAGMA journal_mode=WAL"} << "stays DELETE";
}

void TestSqlShell::refusesWhatReachesBeyondTheDatabase()
{
    QFETCH(QStringList, statements);
    QFETCH(QString, words);
    TestDatabase db;
    const QDir folder = QFileInfo(db.path()).absoluteDir();
    const QStringList before = folder.entryList(QDir::Files);
    for (QString &statement : statements)
        statement.replace(QLatin1String("%1"), folder.path());
    const Run run = sql(QStringList{db.path()} + statements + QStringList{"vacuum"}); // plain VACUUM still runs
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(run.err.startsWith(QLatin1String("error: Marrowdesk refused the statement")) && run.err.contains(words) &&
                 run.err.count(QLatin1Char('\n')) == 1,
             qPrintable(run.err));
    QCOMPARE(folder.entryList(QDir::Files), before);
}

void TestSqlShell::refusesTextThatIsNotUtf8()
{
    TestDatabase db;
    const QByteArray input =
        "select 1\ninsert into [Status] values ('inse\xff')\n"
        "insert into [Status] values ('caf\xc3\xa9')\ninsert into [Status] values ('\xed\xa0\x80')\n";
    Run run = sql({db.path()}, input);
    QCOMPARE(run.exitCode, 1);
    QVERIFY2(
        run.err.contains(
            QStringLiteral("line 2 of standard input is not valid UTF-8: byte %1 (0xFF)").arg(input.indexOf('\xff'))) &&
            run.err.contains(QStringLiteral("line 4 of standard input is not valid UTF-8: byte %1 (0xA0)")
                                 .arg(input.indexOf('\xed') + 1)),
        qPrintable(run.err));
    // An argument, as bytes from the shell.
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"),
                                            QStringLiteral("exec \"$0\" \"$1\" \"$(printf "
                                                           "'select \\342\\202')\""),
                                            QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), db.path()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 1);
    QCOMPARE(shell.readAllStandardError(),
             QByteArray("error: statement 1 is not valid UTF-8: byte 7 (0xE2) cannot be read, counting from 0. It was "
                        "not run.\n"));
    QCOMPARE(sql({db.path(), QStringLiteral("select * from Status")}).out, QStringLiteral("Status\ncaf\u00e9\n"));
}

void TestSqlShell::keepsTheSchemaWhole_data()
{
    QTest::addColumn<QString>("damage");    // done first by another program, around the shell
    QTest::addColumn<QString>("statement"); // then run through the shell
    QTest::addColumn<QString>("words");     // on standard error
    const QString owned = QStringLiteral("belongs to the Marrowdesk schema");
    for (const char *statement : {"pragma user_version=1", "PRAGMA main.user_version = 4"})
        QTest::newRow(statement) << "" << statement << "PRAGMA user_version cannot be changed";
    QTest::newRow("application_id") << ""
                                    << "pragma application_id=0"
                                    << "PRAGMA application_id cannot be changed";
    QTest::newRow("drop trigger") << ""
                                  << "drop trigger IssuesToTrash"
                                  << "The trigger IssuesToTrash " + owned;
    QTest::newRow("drop view, any case") << ""
                                         << "drop view [open issues]"
                                         << "The view Open Issues " + owned;
    QTest::newRow("drop table") << ""
                                << "DROP TABLE main.TrashIssues"
                                << "The table TrashIssues " + owned;
    QTest::newRow("drop index") << ""
                                << "drop index IssuesByStatus"
                                << "The index IssuesByStatus " + owned;
    QTest::newRow("alter table") << ""
                                 << "alter table Contacts add column X"
                                 << "The table Contacts " + owned;
    QTest::newRow("trigger on a table") << ""
                                        << "create trigger t before delete on Issues begin select raise(ignore); end"
                                        << "The table Issues " + owned;
    // Files left so by another program open, whole again, and say so once.
    for (int version = 1; version <= 4; ++version)
        QTest::newRow(qPrintable(QStringLiteral("user_version %1 set by hand").arg(version)))
            << QStringLiteral("PRAGMA user_version = %1").arg(version) << "select 1"
            << "";
    QTest::newRow("trigger dropped") << "DROP TRIGGER IssuesToTrash"
                                     << "select 1"
                                     << "note: The database \"%1\" lacked part of the schema that keeps its rules "
                                        "(the trigger IssuesToTrash)";
    QTest::newRow("view and index dropped, version set back")
        << "DROP VIEW [Closed Issues]; DROP INDEX IssuesByStatus; PRAGMA user_version = 2"
        << "select 1"
        << "(the index IssuesByStatus)";
}

void TestSqlShell::keepsTheSchemaWhole()
{
    QFETCH(QString, damage);
    QFETCH(QString, statement);
    QFETCH(QString, words);
    TestDatabase db;
    if (!damage.isEmpty()) {
        sqlite3 *raw = SqliteFile::openRaw(db.path(), false);
        QCOMPARE(sqlite3_exec(raw, damage.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(raw);
    }
    const Run run = sql({db.path(), statement});
    if (words.isEmpty())
        QCOMPARE(run.err, QString());
    QVERIFY2(run.err.contains(QString(words).replace(QLatin1String("%1"), db.path())), qPrintable(run.err));
    QCOMPARE(run.exitCode, damage.isEmpty() ? 1 : 0);
    // Whole, and told no more: a delete reaches the trash.
    const Run after =
        sql({db.path(), QStringLiteral("insert into Issues (Title) values ('x')"), QStringLiteral("delete from Issues"),
             QStringLiteral("select Count(ID) as n from TrashIssues"),
             QStringLiteral("select Count(ID) as n from [Closed Issues]")});
    QCOMPARE(after.err, QString());
    QCOMPARE(after.out, QStringLiteral("n\n1\nn\n0\n"));
}

void TestSqlShell::csvGuardsFormulasUnlessRaw()
{
    TestDatabase db;
    const QString select =
        QStringLiteral("select '=cmd|'' /c calc''!A1' as [=x], '@a' as a, '-1' as t, -1 as n, 'ok' as ok");
    QCOMPARE(sql({QStringLiteral("--csv"), db.path(), select}).out,
             QStringLiteral("'=x,a,t,n,ok\r\n'=cmd|' /c calc'!A1,'@a,'-1,-1,ok\r\n"));
    QCOMPARE(sql({QStringLiteral("--raw-csv"), db.path(), select}).out,
             QStringLiteral("=x,a,t,n,ok\r\n=cmd|' /c calc'!A1,@a,-1,-1,ok\r\n"));
}

void TestSqlShell::opensFileNamesByTheirBytes_data()
{
    // Run by sh with $0 the program, $1 the test's database and $name a
    // name beside it that is not valid UTF-8; ends by reading $name.
    QTest::addColumn<QString>("script");
    QTest::newRow("open") << "cp \"$1\" \"$name\"";
    // Made under that name, not under a mangled one.
    QTest::newRow("copy to a new file") << "\"$0\" --copy \"$1\" \"$name\" >/dev/null && "
                                           "[ ! -e \"$(dirname \"$1\")/$(printf 'caf\\357\\277\\275')\" ]";
}

void TestSqlShell::opensFileNamesByTheirBytes()
{
    QFETCH(QString, script);
    TestDatabase db;
    QProcess shell;
    shell.start(QStringLiteral("/bin/sh"),
                {QStringLiteral("-c"),
                 QStringLiteral("name=\"$(dirname \"$1\")/$(printf 'caf\\351')\"; %1 && "
                                "\"$0\" \"$name\" 'select 1 as n'; status=$?; rm -f \"$name\"; exit $status")
                     .arg(script),
                 QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), db.path()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.readAllStandardError(), QByteArray());
    QCOMPARE(shell.readAllStandardOutput(), QByteArray("n\n1\n"));
}

// A file goes in and comes out whole under a name made safe; an existing
// file is never overwritten, and a missing issue stores nothing.
void TestSqlShell::attachesListsAndExtracts()
{
    TestDatabase db;
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("out")));
    const QString source = dir.filePath(QStringLiteral("report\u202Efdp.sh"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray(700 * 1024, 'x') + "end");
    file.close();
    QCOMPARE(sql({db.path(), QStringLiteral("insert into Issues (Title) values ('one')")}).exitCode, 0);
    QCOMPARE(sql({QStringLiteral("--attach"), QStringLiteral("1"), source, db.path()}).out, QStringLiteral("1\n"));
    QCOMPARE(sql({QStringLiteral("--attach"), QStringLiteral("2"), source, db.path()}).exitCode, 1);
    const QStringList listed =
        sql({QStringLiteral("--attachments"), QStringLiteral("1"), db.path()}).out.split(QLatin1Char('\n'));
    QCOMPARE(listed.size(), 3);
    QCOMPARE(listed[1].section(QLatin1Char('\t'), 0, 3), QStringLiteral("1\treport\u202Efdp.sh\ttext/plain\t716803"));
    const QString out = dir.filePath(QStringLiteral("out"));
    const Run extracted = sql({QStringLiteral("--extract"), QStringLiteral("1"), out, db.path()});
    QCOMPARE(extracted.out, QDir(out).filePath(QStringLiteral("reportfdp.sh")) + QLatin1Char('\n'));
    QFile back(QDir(out).filePath(QStringLiteral("reportfdp.sh")));
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), QByteArray(700 * 1024, 'x') + "end");
    QCOMPARE(sql({QStringLiteral("--extract"), QStringLiteral("1"), out, db.path()}).exitCode, 1);
}

QTEST_GUILESS_MAIN(TestSqlShell)
#include "tst_sqlshell.moc"
