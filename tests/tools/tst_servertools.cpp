// marrowdesk-sql with a PostgreSQL server: --init only in an empty
// database, --copy from a file to a server and back losing nothing, and a
// team's logins: what a member may do, and how they come and go.

#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include "data/Attachments.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/IssueQuerySql.h"
#include "data/Recordset.h"
#include "data/SavedViews.h"
#include "data/Transaction.h"
#include "data/Trash.h"
#include "data/ValueOrder.h"
#include "data/Watches.h"
#include "data/postgres/PgSession.h"
#include "data/postgres/PgTeam.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

struct Run {
    int exitCode;
    QString out;
    QString err;
};

Run sql(const QStringList &arguments, const QByteArray &input = QByteArray())
{
    QProcess process;
    process.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), arguments);
    process.write(input);
    process.closeWriteChannel();
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
    const char *const queries[] = {"select * from Contacts order by ID", "select * from Issues order by ID",
                                   "select * from Status", "select * from Categories", "select * from Priorities",
                                   "select * from TrashIssues order by ID", "select * from TrashContacts order by ID",
                                   "select * from TrashValues order by Value", "select * from Notes order by ID",
                                   "select Name, Query, SortColumn, SortDescending, Columns, ShowClosed, Owner, Shared "
                                   "from SavedViews order by Name",
                                   "select * from ValueOrder order by List, Position", "select * from ClosingStatuses",
                                   "select * from Attachments order by ID",
                                   "select * from AttachmentContent order by Hash",
                                   "select Hash, [Number] from AttachmentChunks order by Hash, [Number]",
                                   // Each entry with its change told by the change's place among
                                   // the changes, which a copy keeps while it numbers them anew.
                                   "select [Item], ItemID, [Kind], [Field], OldValue, NewValue, ChangedAt, ChangedBy, "
                                   "[Role], Via, VersionAfter, NoteID, (select count(*) from History f where f.Seq <= "
                                   "h.Seq and not exists (select 1 from History e where e.ChangeID = f.ChangeID and "
                                   "e.Seq < f.Seq)) as Change from History h order by Seq"};
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

QString firstValue(const QString &target, const QString &query)
{
    return PgSession(target).query(query).value(0, 0).toTextOrEmpty();
}

// Two people with logins of their own, in the member role that the test
// program's databases share. Roles belong to the whole server, which other
// test programs use at the same time: the names carry this one's number.
struct Team {
    QString alice, bob;
};
const Team &team()
{
    static const Team made = [] {
        const QString number = QString::number(QCoreApplication::applicationPid());
        const Team people{QStringLiteral("alice_") + number, QStringLiteral("bob_") + number};
        PgSession owner(TestServer::freshDatabase());
        PgTeam::addMember(owner, people.alice, "a");
        PgTeam::addMember(owner, people.bob, "b");
        return people;
    }();
    return made;
}

enum Act { RunStatement, RestoreAlices, PurgeAlices, UndoAsAlice, EditAsACopy };

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
                ("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,[Due Date]) "
                 "values ('dated',1,3,'2021-08-31T14:05:00','Open','2021-09-15')"),
                "insert into Issues (Title,[Assigned To]) values ('orphaned',2)",
                "insert into Issues (Title) values ('trashed')", "update Issues set Comment='again' where ID=1",
                "insert into Notes ([Issue ID], Text) values (1, 'first note')",
                "insert into Notes ([Issue ID], Text) values (3, 'note of a trashed issue')",
                "insert into Notes ([Issue ID], Text) values (1, 'taken back')", "delete from Notes where ID=3",
                "delete from Issues where ID=3",
                // The contact goes; its issue stays, naming it, as files may hold.
                "delete from Contacts where ID=2",
                ("insert into SavedViews (Name, Query, SortColumn, Columns, ShowClosed) "
                 "values ('Mine', 'prio:high', 'Title', 'ID\nTitle', 1)"),
                "insert into ValueOrder values ('Priorities', 'High', 1)",
                "insert into ClosingStatuses values ('Won''t fix')"};
            for (const char *statement : statements)
                connection.Execute(QString::fromUtf8(statement));
        }
        const QString server = TestServer::freshDatabase();
        const Run there = sql({QStringLiteral("--copy"), file.path(), server});
        QVERIFY2(there.exitCode == 0, qPrintable(there.err));
        QVERIFY2(there.out.contains(QLatin1String("Contacts\t2\nStatus\t1\nCategories\t1\nPriorities\t1\nIssues\t2\n"
                                                  "TrashIssues\t1\nTrashContacts\t1\nTrashValues\t0\nNotes\t2\n"
                                                  "SavedViews\t1\nValueOrder\t1\nClosingStatuses\t1\nHistory\t")),
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
        connection.Execute(QStringLiteral("insert into Notes ([Issue ID], [Text]) values (4, 'new')"));
        QCOMPARE(connection.lastInsertedId(), qint64(4));

        const Run again = sql({QStringLiteral("--copy"), file.path(), server});
        QCOMPARE(again.exitCode, 1);
        QVERIFY2(again.err.contains(QLatin1String("is not empty: its table Contacts holds 2 row(s)")),
                 qPrintable(again.err));
    }

    // Attachments go to the server and back with their IDs, stamps and
    // content: a removed one, one of a trashed issue, one content named
    // twice; a new one is numbered above every copied one.
    void copyCarriesAttachments()
    {
        TestDatabase file;
        QByteArray log(2 * Attachments::chunkSize + 5, Qt::Uninitialized);
        for (qsizetype i = 0; i < log.size(); ++i)
            log[i] = char(i * 7 + i / 4099);
        const auto attach = [](Connection &connection, qint64 issue, QByteArray bytes, const char *name) {
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            return Attachments::add(connection, issue, buffer, QString::fromUtf8(name));
        };
        {
            Connection connection;
            file.open(connection);
            connection.Execute(QStringLiteral("insert into Issues (Title) values ('kept')"));
            connection.Execute(QStringLiteral("insert into Issues (Title) values ('trashed')"));
            attach(connection, 1, log, "log.txt");
            attach(connection, 2, log, "same.txt");
            Attachments::remove(connection, attach(connection, 1, "small", "gone.txt"));
            connection.Execute(QStringLiteral("delete from Issues where ID=2"));
        }
        const QString server = TestServer::freshDatabase();
        const Run there = sql({QStringLiteral("--copy"), file.path(), server});
        QVERIFY2(there.exitCode == 0, qPrintable(there.err));
        QVERIFY2(there.out.contains(QLatin1String("AttachmentContent\t2\nAttachmentChunks\t4\nAttachments\t3\n")),
                 qPrintable(there.out));
        QCOMPARE(everything(server), everything(file.connectionString()));
        QTemporaryDir folder;
        const QString back = folder.filePath(QStringLiteral("back.mdb"));
        QCOMPARE(sql({QStringLiteral("--copy"), server, back}).exitCode, 0);
        QCOMPARE(everything(ConnectionText::dataSource(back)), everything(file.connectionString()));

        Connection connection;
        connection.Open(ConnectionText::dataSource(back));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        Attachments::extract(connection, 2, out);
        QCOMPARE(out.data(), log);
        Trash::restore(connection, Trash::newest(connection)->id);
        QCOMPARE(Attachments::list(connection, 2).value(0).name, QStringLiteral("same.txt"));
        QCOMPARE(attach(connection, 1, "new", "new.txt"), qint64(4));
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
                 {"insert into Categories values ('Caf\u00e9')",
                  // Both spellings, as a file kept them from before it compared
                  // text as the server does; the next open makes the rule again.
                  "drop trigger CategoriesNoDuplicate", "insert into Categories values ('Cafe\u0301')",
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

    // Alice has deleted issue 1 of three; Bob, a member too, tries things
    // ("ALICE" and "BOB" stand for their logins). Afterwards the trash names
    // whose each delete is, and so many issues are left.
    void memberMayDoWhatTheProgramNeedsAndNoMore_data()
    {
        QTest::addColumn<int>("act");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("trash");
        QTest::addColumn<int>("issues");
        const QString denied = QStringLiteral("permission denied");
        const QString alice = QStringLiteral("ALICE");
        QTest::newRow("edit") << int(RunStatement) << "update Issues set Title='x' where ID=2" << QString() << alice
                              << 2;
        QTest::newRow("add a value") << int(RunStatement) << "insert into Status values ('Waiting')" << QString()
                                     << alice << 2;
        QTest::newRow("delete as oneself")
            << int(RunStatement) << "delete from Issues where ID=2" << QString() << "ALICE,BOB" << 1;
        QTest::newRow("restore another's delete") << int(RestoreAlices) << QString() << QString() << QString() << 3;
        QTest::newRow("undo as another") << int(UndoAsAlice) << "select set_config('marrowdesk.user', 'ALICE', false)"
                                         << QString() << alice << 2;
        QTest::newRow("truncate") << int(RunStatement) << "truncate table Issues" << denied << alice << 2;
        QTest::newRow("truncate the trash")
            << int(RunStatement) << "truncate table TrashIssues" << denied << alice << 2;
        QTest::newRow("drop a view") << int(RunStatement) << "drop view [Open Issues]"
                                     << "must be owner" << alice << 2;
        QTest::newRow("make a table") << int(RunStatement) << "create table Notes (Note text)" << denied << alice << 2;
        QTest::newRow("delete from the trash")
            << int(RunStatement) << "delete from TrashIssues" << denied << alice << 2;
        QTest::newRow("write the trash") << int(RunStatement) << "insert into TrashOwners values (1, 'BOB')" << denied
                                         << alice << 2;
        QTest::newRow("claim another's delete")
            << int(RunStatement) << "update TrashOwners set DeletedByUser='BOB'" << denied << alice << 2;
        QTest::newRow("add a note") << int(RunStatement) << "insert into Notes ([Issue ID], [Text]) values (2, 'n')"
                                    << QString() << alice << 2;
        QTest::newRow("rewrite the history")
            << int(RunStatement) << "update History set NewValue='x'" << denied << alice << 2;
        QTest::newRow("erase the history") << int(RunStatement) << "delete from History" << denied << alice << 2;
        QTest::newRow("forge an entry")
            << int(RunStatement) << "insert into History ([Item], ItemID, [Kind], ChangeID) values ('Issue', 2, 'x', 1)"
            << denied << alice << 2;
        // Only the owner's copy of a whole database brings its own history.
        QTest::newRow("edit as a copy") << int(EditAsACopy) << "select set_config('marrowdesk.copying', 'on', false)"
                                        << QString() << alice << 2;
        QTest::newRow("purge") << int(PurgeAlices) << QString() << "Only the owner of this database" << alice << 2;
    }

    void memberMayDoWhatTheProgramNeedsAndNoMore()
    {
        QFETCH(int, act);
        QFETCH(QString, statement);
        QFETCH(QString, refusal);
        QFETCH(QString, trash);
        QFETCH(int, issues);
        const Team &people = team();
        const auto named = [&](QString text) {
            return text.replace(QLatin1String("ALICE"), people.alice).replace(QLatin1String("BOB"), people.bob);
        };
        const QString target = TestServer::freshDatabase();
        Connection owner;
        owner.Open(target);
        for (const char *title : {"first", "second", "third"})
            owner.Execute(QStringLiteral("insert into Issues (Title) values ('%1')").arg(QLatin1String(title)));
        Connection alice;
        alice.Open(TestServer::asRole(target, people.alice));
        alice.Execute(QStringLiteral("delete from Issues where ID=1"));
        const qint64 alicesDelete = Trash::newest(alice)->id;

        Connection bob;
        bob.Open(TestServer::asRole(target, people.bob));
        QString refused;
        try {
            if (act == RunStatement || act == UndoAsAlice || act == EditAsACopy)
                bob.Execute(named(statement));
            if (act == EditAsACopy)
                bob.Execute(QStringLiteral("update Issues set Title='x' where ID=2"));
            if (act == RestoreAlices)
                QCOMPARE(Trash::restore(bob, alicesDelete), QList<qint64>{1});
            if (act == PurgeAlices)
                Trash::purge(bob, alicesDelete);
            if (act == UndoAsAlice) {
                bob.Execute(QStringLiteral("delete from Issues where ID=2"));
                QCOMPARE(Trash::restore(bob, Trash::newest(bob)->id), QList<qint64>{2});
            }
        } catch (const Error &error) {
            refused = error.description();
        }
        QVERIFY2(refusal.isEmpty() ? refused.isEmpty() : refused.contains(refusal), qPrintable(refused));
        QStringList owners;
        Recordset groups;
        groups.Open(QStringLiteral("select DeletedByUser from TrashOwners order by DeleteGroup"), owner);
        for (int row = 0; row < groups.rowCount(); ++row)
            owners << groups.field(row, 0).toText();
        QCOMPARE(owners.join(QLatin1Char(',')), named(trash));
        QCOMPARE(firstValue(target, QStringLiteral("select count(*) from \"Issues\"")), QString::number(issues));
        if (act == EditAsACopy)
            QCOMPARE(firstValue(target, QStringLiteral("select count(*) from \"History\" where \"Field\" = 'Title'")),
                     QStringLiteral("1"));
    }

    // A login comes with its password from standard input (never from the
    // command line), kept only as the server's hash, and goes again; only
    // a member's login can be taken away.
    void addMemberMakesALoginAndRemoveMemberTakesItAway()
    {
        const QString target = TestServer::emptyDatabase();
        const Run init = sql({QStringLiteral("--init"), target});
        QVERIFY2(init.out.contains(QLatin1String("with the member role")), qPrintable(init.out + init.err));
        const QString person = QStringLiteral("carol_%1").arg(QCoreApplication::applicationPid());
        const QString add = QStringLiteral("--add-member");
        const QString password = QStringLiteral("select rolpassword from pg_authid where rolname = '%1'").arg(person);
        const QString made = QStringLiteral("select count(*) from pg_roles where rolname = '%1'").arg(person);

        const Run without = sql({add, person, target});
        QCOMPARE(without.exitCode, 1);
        QVERIFY2(without.err.contains(QLatin1String("held no password")), qPrintable(without.err));
        QCOMPARE(firstValue(TestServer::adminTarget(), made), QStringLiteral("0"));

        QCOMPARE(sql({add, person, target}, "s3cret\n").exitCode, 0);
        QVERIFY(firstValue(TestServer::adminTarget(), password).startsWith(QLatin1String("SCRAM-SHA-256$")));
        const QString asPerson = TestServer::asRole(target, person);
        QCOMPARE(sql({asPerson, QStringLiteral("select Count(ID) as N from [Open Issues]")}).out,
                 QStringLiteral("N\n0\n"));

        const Run owner = sql({QStringLiteral("--remove-member"), QStringLiteral("marrowdesk"), target});
        QCOMPARE(owner.exitCode, 1);
        QVERIFY2(owner.err.contains(QLatin1String("is not a member")), qPrintable(owner.err));
        const Run removed = sql({QStringLiteral("--remove-member"), person, target});
        QVERIFY2(removed.out.contains(QLatin1String("the login role ") + person + QLatin1String(" is removed")),
                 qPrintable(removed.out + removed.err));
        QCOMPARE(sql({asPerson, QStringLiteral("select 1")}).exitCode, 2);
    }

    // A database made before logins per person (schema version 5: the
    // trash written with the deleting user's rights, no purge functions) is
    // refused, with the command that upgrades it, until its owner runs it.
    void aDatabaseOfVersion5IsBroughtUpToDateByItsOwner()
    {
        const QString target = TestServer::freshDatabase();
        PgSession(target).runScript(
            "BEGIN;\n"
            "DROP FUNCTION marrow_forget_group(bigint), marrow_purge_before(bigint), marrow_member_role();\n"
            "ALTER FUNCTION marrow_issue_to_trash() SECURITY INVOKER RESET search_path;\n"
            "ALTER FUNCTION marrow_deleting_user() SECURITY INVOKER RESET search_path;\n"
            "CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql IMMUTABLE AS "
            "'SELECT 5';\n"
            "COMMIT;");
        const QString other = QStringLiteral("dave_%1").arg(QCoreApplication::applicationPid());
        PgSession(target).execute(QStringLiteral("CREATE ROLE %1 LOGIN").arg(other));
        for (const QString &who : {TestServer::asRole(target, other), target}) {
            try {
                Connection early;
                early.Open(who);
                QFAIL("an older database was used before its upgrade");
            } catch (const Error &error) {
                QVERIFY2(error.description().contains(QLatin1String("their owner (the role marrowdesk)")) &&
                             error.description().contains(QLatin1String("marrowdesk-sql --upgrade")),
                         qPrintable(error.description()));
            }
        }
        QCOMPARE(sql({QStringLiteral("--upgrade"), TestServer::asRole(target, other)}).exitCode, 1);
        const Run upgraded = sql({QStringLiteral("--upgrade"), target});
        QVERIFY2(upgraded.out.contains(QLatin1String("from schema version 5 up to version 11")),
                 qPrintable(upgraded.out + upgraded.err));

        Connection owner;
        owner.Open(target);
        owner.Execute(QStringLiteral("insert into Issues (Title) values ('kept')"));
        owner.Execute(QStringLiteral("delete from Issues"));
        QCOMPARE(Trash::restore(owner, Trash::newest(owner)->id), QList<qint64>{1});
        QCOMPARE(firstValue(target, QStringLiteral("select marrow_schema_version()")), QStringLiteral("11"));
        QCOMPARE(firstValue(target, QStringLiteral("select prosecdef from pg_proc where proname = "
                                                   "'marrow_issue_to_trash'")),
                 QStringLiteral("1"));
        QCOMPARE(sql({QStringLiteral("--add-member"), other, target}).exitCode, 0);
        QCOMPARE(sql({TestServer::asRole(target, other), QStringLiteral("select Title from Issues")}).out,
                 QStringLiteral("Title\nkept\n"));
    }

    // A database of version 6 (before the history) comes up to date in one
    // run of --upgrade: its issues and contacts begin their history with a
    // "known since" entry, and every change after it is recorded; a second
    // run changes nothing.
    void aDatabaseOfVersion6GainsItsHistory()
    {
        const QString target = TestServer::freshDatabase();
        PgSession(target).runScript(
            "BEGIN;\n"
            "DROP TRIGGER \"IssuesHistory\" ON \"Issues\"; DROP TRIGGER \"ContactsHistory\" ON \"Contacts\";\n"
            "DROP TABLE \"History\", \"Notes\";\n"
            "DROP FUNCTION marrow_record_history(), marrow_note_added(), marrow_changed_by(), "
            "marrow_history_entry(text, bigint, text, text, text, text, integer, bigint);\n"
            "CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql IMMUTABLE AS "
            "'SELECT 6';\n"
            "INSERT INTO \"Contacts\" (\"First Name\") VALUES ('Ann');\n"
            "INSERT INTO \"Issues\" (\"Title\", \"Version\") VALUES ('one', 4), ('two', 1);\n"
            "COMMIT;");
        QCOMPARE(sql({target, QStringLiteral("select 1")}).exitCode, 2);
        QCOMPARE(sql({QStringLiteral("--upgrade"), target}).exitCode, 0);
        QVERIFY(sql({QStringLiteral("--upgrade"), target}).out.contains(QLatin1String("nothing was changed")));
        const Run history = sql({target, QStringLiteral("update Issues set Title='One' where ID=1"),
                                 QStringLiteral("select [Item], ItemID, [Kind], [Field], OldValue, NewValue, Via, "
                                                "VersionAfter from History order by Seq")});
        QCOMPARE(history.out, QStringLiteral("Item\tItemID\tKind\tField\tOldValue\tNewValue\tVia\tVersionAfter\n"
                                             "Issue\t1\tknown since\t\\N\t\\N\tone\tmarrowdesk-sql\t4\n"
                                             "Issue\t2\tknown since\t\\N\t\\N\ttwo\tmarrowdesk-sql\t1\n"
                                             "Contact\t1\tknown since\t\\N\t\\N\tAnn\tmarrowdesk-sql\t1\n"
                                             "Issue\t1\tchanged\tTitle\tone\tOne\tmarrowdesk-sql\t5\n"));
    }

    // On a server a view is its owner's: others read it only when shared,
    // and no one else changes it, through the program or around it; a
    // shared view changes for everyone when its owner saves it again.
    void viewsArePersonalOrSharedWithTheTeam()
    {
        const Team &people = team();
        const QString target = TestServer::freshDatabase();
        Connection alice;
        alice.Open(TestServer::asRole(target, people.alice));
        Connection bob;
        bob.Open(TestServer::asRole(target, people.bob));
        SavedViews::View view;
        view.name = QStringLiteral("Mine");
        SavedViews::save(alice, view);
        view.name = QStringLiteral("Team");
        view.query = QStringLiteral("status:open");
        view.shared = true;
        const qint64 shared = SavedViews::save(alice, view);

        QList<SavedViews::View> seen = SavedViews::list(bob);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].name, QStringLiteral("Team"));
        QCOMPARE(seen[0].owner, people.alice);
        QVERIFY(!seen[0].mine);
        QVERIFY_THROWS_EXCEPTION(Refusal, SavedViews::rename(bob, shared, QStringLiteral("Taken")));
        QVERIFY_THROWS_EXCEPTION(Refusal, SavedViews::remove(bob, shared));
        QCOMPARE(bob.Execute(QStringLiteral("update SavedViews set Query = 'x'")), 0);
        QVERIFY_THROWS_EXCEPTION(Error, bob.Execute(QStringLiteral("insert into SavedViews (Name, Owner) values "
                                                                   "('Forged', '%1')")
                                                        .arg(people.alice)));

        // Bob's own view of the same name comes first for him.
        view.query = QStringLiteral("bob's");
        view.shared = false;
        SavedViews::save(bob, view);
        view.query = QStringLiteral("status:closed");
        view.shared = true;
        QCOMPARE(SavedViews::save(alice, view), shared);
        seen = SavedViews::list(bob);
        QCOMPARE(seen.size(), 2);
        QCOMPARE(seen[0].query, QStringLiteral("bob's"));
        QCOMPARE(seen[1].query, QStringLiteral("status:closed"));
        QCOMPARE(SavedViews::list(alice).size(), 2);

        // The lists' order is the team's, as the lists are.
        ValueOrder::setOrder(bob, ValueListSql::List::Priority, {QStringLiteral("High")});
        QCOMPARE(ValueOrder::ordered(alice, ValueListSql::List::Priority), QStringList{"High"});
    }

    // A database of version 7 gains the views and the order in one run of
    // --upgrade, with its members' rights to them.
    void aDatabaseOfVersion7GainsSavedViews()
    {
        const Team &people = team();
        const QString target = TestServer::freshDatabase();
        PgSession(target).runScript("BEGIN;\n"
                                    "DROP TABLE \"SavedViews\", \"ValueOrder\"; DROP INDEX \"HistoryByWho\";\n"
                                    "CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql "
                                    "IMMUTABLE AS 'SELECT 7';\n"
                                    "COMMIT;");
        QCOMPARE(sql({target, QStringLiteral("select 1")}).exitCode, 2);
        const Run upgraded = sql({QStringLiteral("--upgrade"), target});
        QVERIFY2(upgraded.out.contains(QLatin1String("from schema version 7 up to version 11")),
                 qPrintable(upgraded.out + upgraded.err));
        Connection alice;
        alice.Open(TestServer::asRole(target, people.alice));
        SavedViews::View view;
        view.name = QStringLiteral("after the upgrade");
        SavedViews::save(alice, view);
        ValueOrder::setOrder(alice, ValueListSql::List::Status, {QStringLiteral("Open")});
        QCOMPARE(SavedViews::list(alice).size(), 1);
        QCOMPARE(firstValue(target, QStringLiteral("select count(*) from pg_indexes where indexname = "
                                                   "'HistoryByWho'")),
                 QStringLiteral("1"));
    }

    // A database of version 8 gains attachments in one run of --upgrade; a
    // member attaches and reads back, and may not delete an attachment
    // around the program.
    void aDatabaseOfVersion8GainsAttachments()
    {
        const Team &people = team();
        const QString target = TestServer::freshDatabase();
        PgSession(target).runScript(
            "BEGIN;\n"
            "DROP TABLE \"Attachments\", \"AttachmentChunks\", \"AttachmentContent\";\n"
            "DROP FUNCTION marrow_attachments_purged() CASCADE; DROP FUNCTION marrow_attachment_changed();\n"
            "CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql "
            "IMMUTABLE AS 'SELECT 8';\n"
            "INSERT INTO \"Issues\" (\"Title\") VALUES ('one');\n"
            "COMMIT;");
        QCOMPARE(sql({target, QStringLiteral("select 1")}).exitCode, 2);
        const Run upgraded = sql({QStringLiteral("--upgrade"), target});
        QVERIFY2(upgraded.out.contains(QLatin1String("from schema version 8 up to version 11")),
                 qPrintable(upgraded.out + upgraded.err));
        Connection alice;
        alice.Open(TestServer::asRole(target, people.alice));
        QByteArray bytes("a note\n");
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        const qint64 id = Attachments::add(alice, 1, buffer, QStringLiteral("note.txt"));
        QCOMPARE(Attachments::list(alice, 1).value(0).addedBy, people.alice);
        QVERIFY_THROWS_EXCEPTION(Error, alice.Execute(QStringLiteral("delete from Attachments")));
        Attachments::remove(alice, id);
        QVERIFY(Attachments::list(alice, 1).isEmpty());
    }

    // What a member may insert around the program does not pass for good
    // content: chunks that do not add up to the size refuse a later attach
    // of that file, and chunks of other bytes are refused on the way out.
    void damagedContentIsFoundOut_data()
    {
        QTest::addColumn<bool>("wholeLength");
        QTest::newRow("a chunk missing") << false;
        QTest::newRow("other bytes") << true;
    }
    void damagedContentIsFoundOut()
    {
        QFETCH(bool, wholeLength);
        const QString target = TestServer::freshDatabase();
        PgSession(target).execute(QStringLiteral("INSERT INTO \"Issues\" (\"Title\") VALUES ('one')"));
        Connection alice;
        alice.Open(TestServer::asRole(target, team().alice));
        QByteArray file(Attachments::chunkSize + 10, 'a');
        const QString hash = QString::fromLatin1(QCryptographicHash::hash(file, QCryptographicHash::Sha256).toHex());
        alice.Execute(
            QStringLiteral("insert into AttachmentContent (Hash, Size) values ('%1', %2)").arg(hash).arg(file.size()));
        const QString chunk = QStringLiteral("INSERT INTO \"AttachmentChunks\" (\"Hash\", \"Number\", \"Data\") "
                                             "VALUES ($1, $2, $3)");
        alice.session()->executeWithBytes(chunk, {hash, QStringLiteral("0")}, file.left(Attachments::chunkSize));
        if (wholeLength)
            alice.session()->executeWithBytes(chunk, {hash, QStringLiteral("1")}, QByteArray(10, 'b'));
        QBuffer buffer(&file);
        buffer.open(QIODevice::ReadOnly);
        if (!wholeLength) {
            QVERIFY_THROWS_EXCEPTION(Error, Attachments::add(alice, 1, buffer, QStringLiteral("f.bin")));
            QVERIFY(Attachments::list(alice, 1).isEmpty());
            return;
        }
        const qint64 id = Attachments::add(alice, 1, buffer, QStringLiteral("f.bin"));
        QBuffer out;
        out.open(QIODevice::WriteOnly);
        QVERIFY_THROWS_EXCEPTION(Error, Attachments::extract(alice, id, out));
    }

    // Two people attaching the same file at once store it once: the second
    // waits for the first's content, then names it.
    void twoAttachingOneFileStoreItOnce()
    {
        const QString target = TestServer::freshDatabase();
        PgSession(target).execute(QStringLiteral("INSERT INTO \"Issues\" (\"Title\") VALUES ('one')"));
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("log.txt"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        for (int i = 0; i < 1000; ++i) // one chunk
            file.write(QByteArray::number(i).repeated(100) + '\n');
        file.close();
        Connection first;
        first.Open(target);
        Transaction held(first);
        Attachments::add(first, 1, path);
        QProcess second;
        second.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"),
                     {QStringLiteral("--attach"), QStringLiteral("1"), path, target});
        QTRY_VERIFY_WITH_TIMEOUT(firstValue(target, QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE "
                                                                   "datname = current_database() AND "
                                                                   "wait_event_type = 'Lock'")) == QLatin1String("1"),
                                 30000);
        held.commit();
        QVERIFY(second.waitForFinished(60000));
        QCOMPARE(second.exitCode(), 0);
        for (const auto &[table, rows] :
             {std::pair{"Attachments", "2"}, {"AttachmentContent", "1"}, {"AttachmentChunks", "1"}})
            QCOMPARE(firstValue(target, QStringLiteral("SELECT count(*) FROM \"%1\"").arg(QLatin1String(table))),
                     QLatin1String(rows));
    }

    // A database of version 9 gains watches in one run of --upgrade; each
    // member reads and changes only their own, and a colleague's change is
    // what the watcher has not seen.
    void aDatabaseOfVersion9GainsWatchesOfOnesOwn()
    {
        const Team &people = team();
        const QString target = TestServer::freshDatabase();
        PgSession(target).runScript("BEGIN;\n"
                                    "DROP TABLE \"Watches\";\n"
                                    "CREATE OR REPLACE FUNCTION marrow_schema_version() RETURNS integer LANGUAGE sql "
                                    "IMMUTABLE AS 'SELECT 9';\n"
                                    "INSERT INTO \"Issues\" (\"Title\") VALUES ('one');\n"
                                    "COMMIT;");
        const Run upgraded = sql({QStringLiteral("--upgrade"), target});
        QVERIFY2(upgraded.out.contains(QLatin1String("from schema version 9 up to version 11")),
                 qPrintable(upgraded.out + upgraded.err));
        Connection alice;
        alice.Open(TestServer::asRole(target, people.alice));
        Connection bob;
        bob.Open(TestServer::asRole(target, people.bob));
        Watches::watch(alice, 1);
        bob.Execute(QStringLiteral("update Issues set Title = 'two' where ID = 1"));
        // Alice's contact is found by her login: what bob assigns her is
        // watched without a row.
        bob.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('%1')").arg(people.alice));
        bob.Execute(QStringLiteral("insert into Issues (Title, [Assigned To]) values ('three', %1)")
                        .arg(firstValue(target, QStringLiteral("select max(\"ID\") from \"Contacts\""))));
        const qint64 me = IssueQuerySql::meContactId(alice, 0);
        QCOMPARE(Watches::unseen(alice, me).size(), 2);
        QVERIFY(!Watches::isWatched(bob, 1, 0));
        QCOMPARE(bob.Execute(QStringLiteral("update Watches set SeenSeq = 99")) +
                     bob.Execute(QStringLiteral("delete from Watches")),
                 0);
        QVERIFY_THROWS_EXCEPTION(Error, bob.Execute(QStringLiteral("insert into Watches (Who, [Issue ID]) values "
                                                                   "('%1', 1)")
                                                        .arg(people.alice)));
        Watches::markSeen(alice, 1);
        QCOMPARE(Watches::unseen(alice, me).value(0).issue, 2);
        Watches::unwatch(alice, 1);
        QVERIFY(!Watches::isWatchedByChoice(alice, 1));
    }
};

QTEST_GUILESS_MAIN(TestServerTools)
#include "tst_servertools.moc"
