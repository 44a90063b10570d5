// An older database is brought up to the current schema when it is opened,
// without losing a row: issues whose contact was deleted still list, and
// from then on the database refuses an issue of a contact that does not
// exist.

#include "data/Attachments.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/SavedViews.h"
#include "data/SchemaUpgrade.h"
#include "data/Trash.h"
#include "data/Watches.h"
#include "data/sqlite/SqliteFile.h"
#include "support/TestDatabase.h"

#include <QTemporaryFile>
#include <QTest>

#include <sqlite3.h>

#include <cctype>

namespace {

void rawExec(const QString &path, const char *sql)
{
    sqlite3 *db = SqliteFile::openRaw(path, false);
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    const QByteArray message = sqlite3_errmsg(db);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, message.constData());
}

// How a file compared text before the one collation, near enough: ASCII
// letter case aside, every other byte as it is.
int asciiCaseBlind(void *, int aLength, const void *a, int bLength, const void *b)
{
    const auto *x = static_cast<const unsigned char *>(a);
    const auto *y = static_cast<const unsigned char *>(b);
    for (int i = 0; i < aLength && i < bLength; ++i)
        if (const int d = std::tolower(x[i]) - std::tolower(y[i]); d != 0)
            return d;
    return aLength - bLength;
}

int count(Connection &connection, const QString &query)
{
    Recordset rs;
    rs.Open(query, connection);
    return static_cast<int>(rs.field(0).toInteger());
}

} // namespace

class TestSchemaUpgrade : public QObject {
    Q_OBJECT
private slots:
    void olderFileIsUpgradedKeepingEveryRow()
    {
        TestDatabase database;
        // What a file of the first version looks like: no contact rules, and
        // an issue whose contact was deleted.
        rawExec(database.path(),
                "DROP TABLE Attachments; DROP TABLE AttachmentChunks; DROP TABLE AttachmentContent;"
                "DROP TABLE History; DROP TABLE Notes; DROP TRIGGER IssuesHistoryOnDelete;"
                "DROP TRIGGER IssuesHistoryOnUpdate; DROP TRIGGER IssuesDatesHistoryOnUpdate;"
                "DROP TRIGGER ContactsHistoryOnInsert; DROP TRIGGER ContactsHistoryOnDelete;"
                "DROP TRIGGER IssuesContactsOnInsert; DROP TRIGGER IssuesContactsOnUpdate;"
                "DROP TRIGGER IssuesToTrash; DROP TRIGGER ContactsToTrash; DROP TRIGGER StatusToTrash;"
                "DROP TRIGGER CategoriesToTrash; DROP TRIGGER PrioritiesToTrash;"
                "DROP TABLE TrashIssues; DROP TABLE TrashContacts; DROP TABLE TrashValues;"
                "DROP TRIGGER IssuesDatesOnInsert; DROP TRIGGER IssuesOnUpdate;"
                "DROP TRIGGER ContactsVersion;"
                "ALTER TABLE Issues DROP COLUMN Version; ALTER TABLE Contacts DROP COLUMN Version;"
                "CREATE TRIGGER IssuesDatesOnInsert AFTER INSERT ON Issues BEGIN "
                "UPDATE Issues SET [Opened Date] = marrow_date_in(NEW.[Opened Date]) WHERE ID = NEW.ID; END;"
                "CREATE TRIGGER IssuesDatesOnUpdate AFTER UPDATE OF [Opened Date] ON Issues BEGIN "
                "UPDATE Issues SET [Opened Date] = marrow_date_in(NEW.[Opened Date]) WHERE ID = NEW.ID; END;"
                "PRAGMA user_version = 1;"
                "INSERT INTO Contacts ([First Name], [Last Name]) VALUES ('Ann', 'Lee');"
                "INSERT INTO Issues (Title, [Assigned To], [Opened By], Status) "
                "VALUES ('kept', 1, 77, 'Open');");
        Connection connection;
        database.open(connection);
        QCOMPARE(count(connection, QStringLiteral("select Count(ID) from [Open Issues]")), 1);
        QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), SchemaUpgrade::currentVersion);
        // Their history begins with the upgrade.
        QCOMPARE(count(connection, QStringLiteral("select Count(*) from History where Kind = 'known since'")), 2);
        // Rows stored before versions existed start at 1, and count up from there.
        connection.Execute(QStringLiteral("update Issues set Title = 'kept' where ID = 1"));
        QCOMPARE(count(connection, QStringLiteral("select Version from Issues where ID = 1")), 2);
        QCOMPARE(count(connection, QStringLiteral("select Version from Contacts where ID = 1")), 1);

        const auto refusal = [&](const QString &statement) {
            try {
                connection.Execute(statement);
            } catch (const Error &error) {
                return error.description();
            }
            return QString();
        };
        for (const char *statement : {"insert into Issues (Title,[Assigned To],[Opened By]) values ('x',1,78)",
                                      "insert into Issues (Title,[Assigned To],[Opened By]) values ('x',78,1)",
                                      "update Issues set [Assigned To]=79 where ID=1"})
            QVERIFY2(refusal(QLatin1String(statement)).contains(QLatin1String("contact that does not exist")),
                     statement);
        QCOMPARE(refusal(QStringLiteral("update Issues set Title='still editable' where ID=1")), QString());
        QCOMPARE(refusal(QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By]) values ('y',1,Null)")),
                 QString());
        QCOMPARE(count(connection, QStringLiteral("select Count(ID) from Issues")), 2);
    }

    // Values the old comparison kept apart and the collation holds equal
    // stay, all of them, and are told; the index is rebuilt in the new
    // order; the status spelt in full-width letters now closes its issue.
    void fileWithWouldBeDuplicatesKeepsAndTellsThem()
    {
        TestDatabase database;
        sqlite3 *db = SqliteFile::openRaw(database.path(), false);
        sqlite3_create_collation_v2(db, "MARROW_NOCASE", SQLITE_UTF8, nullptr, asciiCaseBlind, nullptr);
        const int rc =
            sqlite3_exec(db,
                         "INSERT INTO Status VALUES ('Closed'), ('Ｃｌｏｓｅｄ'), ('Clo\u00ADsed'), ('Open');"
                         "INSERT INTO Categories VALUES ('fix'), ('ﬁx');"
                         "INSERT INTO Issues (Title, Status) VALUES ('a', 'Ｃｌｏｓｅｄ'), ('b', 'zz'), "
                         "('c', 'ø'), ('d', 'Open');"
                         "PRAGMA user_version = 5;",
                         nullptr, nullptr, nullptr);
        sqlite3_close(db);
        QCOMPARE(rc, SQLITE_OK);

        Connection connection;
        database.open(connection);
        const QString notice = connection.repairNotice();
        for (const char *told : {"table Status: \"Closed\", \"Ｃｌｏｓｅｄ\" and \"Clo\u00ADsed\"",
                                 "table Categories: \"fix\" and \"ﬁx\"", "1 issue whose status"})
            QVERIFY2(notice.contains(QString::fromUtf8(told)), qPrintable(notice));
        QCOMPARE(count(connection, QStringLiteral("select Count(*) from Status")), 4);
        QCOMPARE(count(connection, QStringLiteral("select Count(*) from Categories")), 2);
        QCOMPARE(count(connection, QStringLiteral("select Count(*) from [Closed Issues]")), 1);
        Recordset check;
        check.Open(QStringLiteral("PRAGMA integrity_check"), connection);
        QCOMPARE(check.field(0).toText(), QStringLiteral("ok"));
        QVERIFY_THROWS_EXCEPTION(Error, connection.Execute(QStringLiteral("insert into [Status] values ('CLOSED')")));
        QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), SchemaUpgrade::currentVersion);
        connection.Close();
        database.open(connection);
        QCOMPARE(connection.repairNotice(), QString());
    }

    // A file of version 7 gains the saved views, the lists' order and the
    // history's index by who changed; a view saved then is there when the
    // file is opened again.
    void fileOfVersion7GainsSavedViews()
    {
        TestDatabase database;
        rawExec(database.path(), "DROP TABLE SavedViews; DROP TABLE ValueOrder; DROP INDEX HistoryByWho;"
                                 "PRAGMA user_version = 7;");
        {
            Connection connection;
            database.open(connection);
            QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), SchemaUpgrade::currentVersion);
            QCOMPARE(count(connection, QStringLiteral("select count(*) from sqlite_master where name in "
                                                      "('SavedViews', 'ValueOrder', 'HistoryByWho')")),
                     3);
            SavedViews::View view;
            view.name = QStringLiteral("mine");
            view.query = QStringLiteral("prio:high");
            SavedViews::save(connection, view);
        }
        Connection again;
        database.open(again);
        QCOMPARE(SavedViews::list(again).value(0).query, QStringLiteral("prio:high"));
    }

    // A file of version 8 gains attachments, their purge with the trash
    // included.
    void fileOfVersion8GainsAttachments()
    {
        TestDatabase database;
        rawExec(database.path(), "DROP TABLE Attachments; DROP TABLE AttachmentChunks; DROP TABLE AttachmentContent;"
                                 "PRAGMA user_version = 8; INSERT INTO Issues (Title) VALUES ('one');");
        Connection connection;
        database.open(connection);
        QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), SchemaUpgrade::currentVersion);
        QTemporaryFile file;
        QVERIFY(file.open());
        file.write("content");
        file.close();
        Attachments::add(connection, 1, file.fileName());
        connection.Execute(QStringLiteral("delete from Issues"));
        Trash::purge(connection, Trash::newest(connection)->id);
        QCOMPARE(count(connection, QStringLiteral("select count(*) from AttachmentChunks")), 0);
    }

    // A file of version 9 gains watches.
    void fileOfVersion9GainsWatches()
    {
        TestDatabase database;
        rawExec(database.path(),
                "DROP TABLE Watches; PRAGMA user_version = 9; INSERT INTO Issues (Title) VALUES ('one');");
        Connection connection;
        database.open(connection);
        QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), SchemaUpgrade::currentVersion);
        Watches::watch(connection, 1);
        QVERIFY(Watches::isWatchedByChoice(connection, 1));
    }

    // A file of version 10 gains statuses that close, and its views follow them.
    void fileOfVersion10GainsClosingStatuses()
    {
        TestDatabase database;
        rawExec(database.path(), "DROP TABLE ClosingStatuses; PRAGMA user_version = 10;"
                                 "INSERT INTO Issues (Title, Status) VALUES ('one', 'Done');");
        Connection connection;
        database.open(connection);
        QCOMPARE(count(connection, QStringLiteral("PRAGMA user_version")), 11);
        IssueStatus::markClosing(connection, {QStringLiteral("Done")}, {});
        QCOMPARE(count(connection, QStringLiteral("select count(*) from [Closed Issues]")), 1);
    }
};

QTEST_MAIN(TestSchemaUpgrade)
#include "tst_schemaupgrade.moc"
