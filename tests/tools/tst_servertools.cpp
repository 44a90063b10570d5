// marrowdesk-sql with a PostgreSQL server: --init only in an empty
// database, and --copy from a file to a server and back losing nothing.

#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/postgres/PgSession.h"

#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run sql(const QStringList &arguments)
{
    QProcess process;
    process.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), arguments);
    if (!process.waitForFinished(60000))
        qFatal("marrowdesk-sql did not finish");
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

// Every row of every table, every column, in a fixed order.
QString everything(const QString &connectionString)
{
    Connection connection;
    connection.Open(connectionString);
    const char *const queries[] = {"select * from Contacts order by ID",
                                   "select * from Issues order by ID",
                                   "select * from Status",
                                   "select * from Categories",
                                   "select * from Priorities",
                                   "select * from TrashIssues order by ID",
                                   "select * from TrashContacts order by ID",
                                   "select * from TrashValues order by Value"};
    QStringList lines;
    for (const char *query : queries) {
        Recordset rs;
        rs.Open(QString::fromLatin1(query), connection);
        lines << QString::fromLatin1(query);
        for (int row = 0; row < rs.rowCount(); ++row) {
            QStringList fields;
            for (int c = 0; c < rs.fieldCount(); ++c)
                fields << (rs.field(row, c).isNull() ? QStringLiteral("\\N") : rs.field(row, c).toText());
            lines << fields.join(QLatin1Char('|'));
        }
    }
    return lines.join(QLatin1Char('\n'));
}

} // namespace

class TestServerTools : public QObject {
    Q_OBJECT
private slots:
    void initRefusesADatabaseHoldingOtherTables()
    {
        const QString target = TestServer::emptyDatabase();
        PgSession(target).execute(QStringLiteral("CREATE TABLE ledger (amount integer)"));
        const Run refused = sql({QStringLiteral("--init"), target});
        QCOMPARE(refused.exitCode, 1);
        QVERIFY2(refused.err.contains(QLatin1String("is not empty: it holds 1 other table(s) (public.ledger)")),
                 qPrintable(refused.err));
        QVERIFY(PgSession(target)
                    .query(QStringLiteral("SELECT to_regclass('\"Issues\"') IS NULL"))
                    .value(0, 0)
                    .toInteger());

        const QString empty = TestServer::emptyDatabase();
        QCOMPARE(sql({QStringLiteral("--init"), empty}).exitCode, 0);
        QCOMPARE(sql({empty, QStringLiteral("select Count(ID) as N from [Open Issues]")}).out,
                 QStringLiteral("N\n0\n"));
    }

    void copyToTheServerAndBackKeepsEveryRow()
    {
        TestDatabase file;
        {
            Connection connection;
            file.open(connection);
            const char *const statements[] = {
                "insert into Contacts ([First Name],[Last Name],Notes) values ('Zoë','O''Neil','line\nbreak')",
                "insert into Contacts ([First Name]) values ('Gone')",
                "insert into Contacts ([First Name]) values ('Kept')", "insert into [Status] values ('Open')",
                "insert into Categories values ('Hardware')", "insert into Priorities values ('High')",
                "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,[Due Date]) "
                "values ('dated',1,3,'2021-08-31T14:05:00','Open','2021-09-15')",
                "insert into Issues (Title,[Assigned To]) values ('orphaned',2)",
                "insert into Issues (Title) values ('trashed')", "update Issues set Comment='again' where ID=1",
                "delete from Issues where ID=3",
                // The contact goes; its issue stays, naming it, as files may hold.
                "delete from Contacts where ID=2"};
            for (const char *statement : statements)
                connection.Execute(QString::fromUtf8(statement));
        }
        const QString server = TestServer::freshDatabase();
        const Run there = sql({QStringLiteral("--copy"), file.path(), server});
        QVERIFY2(there.exitCode == 0, qPrintable(there.err));
        QVERIFY2(there.out.endsWith(QLatin1String("Contacts\t2\nStatus\t1\nCategories\t1\nPriorities\t1\nIssues\t2\n"
                                                  "TrashIssues\t1\nTrashContacts\t1\nTrashValues\t0\n")),
                 qPrintable(there.out));
        QCOMPARE(everything(server), everything(file.connectionString()));

        QTemporaryDir folder;
        const QString back = folder.filePath(QStringLiteral("back.mdb"));
        const Run home = sql({QStringLiteral("--copy"), server, back});
        QVERIFY2(home.exitCode == 0, qPrintable(home.err));
        QCOMPARE(everything(ConnectionText::dataSource(back)), everything(file.connectionString()));

        // New rows take IDs above every copied one, the trashed ones too.
        Connection connection;
        connection.Open(server);
        connection.Execute(QStringLiteral("insert into Issues (Title) values ('new')"));
        QCOMPARE(connection.lastInsertedId(), qint64(4));

        const Run again = sql({QStringLiteral("--copy"), file.path(), server});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains(QLatin1String("is not empty: its table Contacts holds 2 row(s)")),
                 qPrintable(again.err));
    }

    // Values the server refuses (one text the file holds twice in two
    // Unicode spellings, a NUL) are all listed in one run, each with its
    // table and row, and nothing is copied.
    void copyListsEveryRefusedRowFirst()
    {
        TestDatabase file;
        {
            Connection connection;
            file.open(connection);
            for (const char *statement :
                 {"insert into Categories values ('Caf\u00e9')", "insert into Categories values ('Cafe\u0301')",
                  "insert into Issues (Title) values ('fine')", "insert into Issues (Title) values ('a' || char(0))",
                  "insert into Contacts ([First Name], Notes) values ('Bo', 'x' || char(0) || 'y')"})
                connection.Execute(QString::fromUtf8(statement));
        }
        const QString server = TestServer::freshDatabase();
        const Run refused = sql({QStringLiteral("--copy"), file.path(), server});
        QCOMPARE(refused.exitCode, 1);
        for (const char *line : {"\nContacts, ID 1: Notes holds a NUL character (code 0) at character 2",
                                 "\nCategories, \u201cCafe\u0301\u201d: ", "\nIssues, ID 2: Title holds a NUL"})
            QVERIFY2(refused.err.contains(QString::fromUtf8(line)), qPrintable(refused.err));
        QVERIFY2(refused.err.contains(QLatin1String("refuses 3 row(s)")), qPrintable(refused.err));
        QCOMPARE(sql({server, QStringLiteral("select Count(*) as N from Categories")}).out, QStringLiteral("N\n0\n"));
    }
};

QTEST_GUILESS_MAIN(TestServerTools)
#include "tst_servertools.moc"
