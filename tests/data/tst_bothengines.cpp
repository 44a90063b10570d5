// The same data-layer cases on a database file and on a PostgreSQL server:
// the program's statements must give the same rows, values and refusals on
// both engines, and texts must order, match and close alike.

#include "app/list/CollationKeys.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include "data/ActivityExport.h"
#include "data/Attachments.h"
#include "data/ChangeSource.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/DeleteCounts.h"
#include "data/Error.h"
#include "data/IssueDates.h"
#include "data/IssueExchange.h"
#include "data/IssueHistory.h"
#include "data/IssueListQuery.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/ReportQueries.h"
#include "data/SavedViews.h"
#include "data/Transaction.h"
#include "data/Trash.h"
#include "data/ValueOrder.h"
#include "data/WallClock.h"
#include "data/Watches.h"
#include "data/postgres/PgSession.h"

#include <QBuffer>
#include <QTest>

#include <algorithm>
#include <functional>
#include <memory>

namespace {

// Every statement below is the program's dialect, run unchanged on both.
const char *const seed[] = {
    "insert into Contacts ([First Name],[Last Name]) values ('Ann','Lee')",
    "insert into Contacts ([First Name],[Last Name]) values ('bob',Null)",
    "insert into Contacts ([First Name],[Last Name]) values ('Émile','Zola')",
    "insert into [Status] values ('Open')",
    "insert into [Status] values ('Closed')",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('printer',1,2,'2021-08-31','Open','Hardware',Null,Null,Null)",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('Network',3,1,'2021-09-01T14:05:00',' closed ','hardware','High','x','2021-09-15')",
    "insert into Issues (Title,Status) values ('apple',Null)",
};

// A result as text: a line of column names, then a line per row; a date
// shows as d:, a date-time as t:, a null as \N.
QString rows(Connection &connection, const QString &query)
{
    Recordset rs;
    rs.Open(query, connection);
    QStringList names;
    for (int c = 0; c < rs.fieldCount(); ++c)
        names << rs.fieldName(c);
    QStringList lines{names.join(QLatin1Char('|'))};
    for (int row = 0; row < rs.rowCount(); ++row) {
        QStringList fields;
        for (int c = 0; c < rs.fieldCount(); ++c) {
            const Value &value = rs.field(row, c);
            if (value.isNull())
                fields << QStringLiteral("\\N");
            else if (value.date())
                fields << QStringLiteral("d:") + value.date()->toString(Qt::ISODate);
            else if (value.dateTime())
                fields << QStringLiteral("t:") + value.dateTime()->toString(Qt::ISODate);
            else
                fields << value.toText();
        }
        lines << fields.join(QLatin1Char('|'));
    }
    return lines.join(QLatin1Char('\n'));
}

QString shown(const Value &value)
{
    if (value.isNull())
        return QStringLiteral("\\N");
    if (value.date())
        return QStringLiteral("d:") + value.date()->toString(Qt::ISODate);
    if (value.dateTime())
        return QStringLiteral("t:") + value.dateTime()->toString(Qt::ISODate);
    return value.toText();
}

// An item's history, oldest first, a line per entry: kind, field, old and
// new value, by what, version after; the entries of one change by field.
QStringList history(Connection &connection, IssueHistory::Item item, qint64 id)
{
    QList<IssueHistory::Entry> entries = IssueHistory::entries(connection, item, id);
    std::reverse(entries.begin(), entries.end());
    std::stable_sort(entries.begin(), entries.end(), [](const auto &a, const auto &b) {
        return a.changeId != b.changeId ? a.changeId < b.changeId : a.field < b.field;
    });
    QStringList lines;
    for (const IssueHistory::Entry &entry : entries)
        lines << QStringList{IssueHistory::kindText(entry.kind),
                             entry.field,
                             shown(entry.oldValue),
                             shown(entry.newValue),
                             entry.via,
                             QString::number(entry.versionAfter)}
                     .join(QLatin1Char('|'));
    return lines;
}

QString refusal(Connection &connection, const QString &statement)
{
    try {
        connection.Execute(statement);
    } catch (const Refusal &refused) {
        return refused.description();
    } catch (const Error &error) {
        return QStringLiteral("not a refusal: ") + error.description();
    }
    return QStringLiteral("accepted");
}

// Runs the case on a seeded file and on a seeded server database, each
// engine's name given for messages.
void onBoth(const std::function<void(Connection &, const char *engine)> &check)
{
    TestDatabase file;
    Connection onFile;
    file.open(onFile);
    Connection onServer;
    onServer.Open(TestServer::freshDatabase());
    for (Connection *connection : {&onFile, &onServer}) {
        for (const char *statement : seed)
            connection->Execute(QString::fromUtf8(statement));
        const char *engine = connection == &onFile ? "file" : "server";
        try {
            check(*connection, engine);
        } catch (const Error &error) {
            QFAIL(qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(engine), error.description())));
        }
        if (QTest::currentTestFailed())
            return;
    }
}

} // namespace

class TestBothEngines : public QObject {
    Q_OBJECT
private slots:
    void dialectShapesGiveTheSameRows_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("expected");
        QTest::newRow("+ joins, a null part gives null")
            << "select [First Name] + ' ' + [Last Name] as Name from Contacts order by ID"
            << "Name\nAnn Lee\n\\N\nÉmile Zola";
        QTest::newRow("First and Last by insertion")
            << "select First(Contacts.[First Name]) as F, Last(Contacts.[First Name]) as L from Contacts"
            << "F|L\nAnn|Émile";
        QTest::newRow("First of a value list") << "SELECT First(Status.Status) AS [MaxID] FROM Status"
                                               << "MaxID\nOpen";
        QTest::newRow("where ignores case") << "select ID from Contacts where [First Name] = 'BOB'"
                                            << "ID\n2";
        QTest::newRow("like ignores case") << "select ID from Contacts where [Last Name] like 'l%' or Notes like 'x'"
                                           << "ID\n1";
        QTest::newRow("order ignores case and accents")
            << "select [First Name] from Contacts order by [First Name] desc"
            << "First Name\nÉmile\nbob\nAnn";
        QTest::newRow("nulls order first") << "select Title from Issues order by Status, Title"
                                           << "Title\napple\nNetwork\nprinter";
        QTest::newRow("open issues with names")
            << "select Title, [Assigned To Name], [Opened By Name] from [Open Issues] order by Title"
            << "Title|Assigned To Name|Opened By Name\napple|\\N|\\N\nprinter|Ann Lee|\\N";
        QTest::newRow("closed issues") << "select ID, Title, Status from [Closed Issues]"
                                       << "ID|Title|Status\n2|Network| closed ";
        QTest::newRow("dates and date-times") << "select [Opened Date], [Due Date] from Issues order by ID"
                                              << "Opened Date|Due Date\nd:2021-08-31|\\N\n"
                                                 "t:2021-09-01T14:05:00|d:2021-09-15\n\\N|\\N";
        QTest::newRow("count under a case-blind where")
            << "SELECT Count(Issues.ID) AS [CountID] From Issues where Category = 'HARDWARE'"
            << "CountID\n2";
    }

    void dialectShapesGiveTheSameRows()
    {
        QFETCH(QString, query);
        QFETCH(QString, expected);
        onBoth([&](Connection &connection, const char *engine) {
            QVERIFY2(rows(connection, query) == expected,
                     qPrintable(QStringLiteral("%1: %2").arg(QLatin1String(engine), rows(connection, query))));
        });
    }

    // One collation on both engines and in the program: order, equality
    // (a literal through the index as well as two columns), the closed rule
    // and the list's sort keys. b's issue is 2, a's is 1.
    void textsCompareAlikeOnBothEngines_data()
    {
        QTest::addColumn<QString>("a");
        QTest::addColumn<QString>("b");
        QTest::addColumn<int>("order");
        QTest::addColumn<bool>("closes");
        QTest::newRow("letter case") << "FIX"
                                     << "fix" << 0 << false;
        QTest::newRow("full-width") << "ｆｉｘ"
                                    << "fix" << 0 << false;
        QTest::newRow("ligature") << "ﬁx"
                                  << "fix" << 0 << false;
        QTest::newRow("soft hyphen") << "fi\u00ADx"
                                     << "fix" << 0 << false;
        QTest::newRow("zero-width space") << "fi\u200Bx"
                                          << "fix" << 0 << false;
        QTest::newRow("combining accent") << "e\u0301t\u00E9"
                                          << "\u00E9TE\u0301" << 0 << false;
        QTest::newRow("sharp s after ss") << "Straße"
                                          << "STRASSE" << 1 << false;
        QTest::newRow("accents count") << "resume"
                                       << "résumé" << -1 << false;
        QTest::newRow("ø before zz") << "ø"
                                     << "zz" << -1 << false;
        QTest::newRow("æ before zz") << "æ"
                                     << "zz" << -1 << false;
        QTest::newRow("œ before zz") << "œuvre"
                                     << "zz" << -1 << false;
        QTest::newRow("dotless i before zz") << "ı"
                                             << "zz" << -1 << false;
        QTest::newRow("kana after Latin") << "カナ"
                                          << "zz" << 1 << false;
        QTest::newRow("emoji before letters") << "😀"
                                              << "a" << -1 << false;
        QTest::newRow("hyphen before letters") << "a-b"
                                               << "ab" << -1 << false;
        QTest::newRow("full-width Closed") << "Ｃｌｏｓｅｄ"
                                           << "Closed" << 0 << true;
        QTest::newRow("soft-hyphened Closed") << "Clo\u00ADsed"
                                              << "Closed" << 0 << true;
        QTest::newRow("blanks around Closed") << " closed "
                                              << "Closed" << -1 << true;
        QTest::newRow("accented Closed") << "Clósed"
                                         << "Closed" << 1 << false;
    }

    void textsCompareAlikeOnBothEngines()
    {
        QFETCH(QString, a);
        QFETCH(QString, b);
        QFETCH(int, order);
        QFETCH(bool, closes);
        QCOMPARE(IssueStatus::isClosing(a), closes);
        CollationKeys keys;
        keys.append(a);
        keys.append(b);
        QCOMPARE((keys.compare(0, 1) > 0) - (keys.compare(0, 1) < 0), order);
        const auto literal = [](const QString &text) { return QString(text).replace("'", "''"); };
        const QString pair = QStringLiteral("select Count(*) as N from Issues x, Issues y where x.ID=1 and y.ID=2 "
                                            "and x.Title %1 y.Title");
        const QString expected = QStringLiteral("%1|%2|%3|%4")
                                     .arg(order < 0 ? 1 : 0)
                                     .arg(order == 0 ? 1 : 0)
                                     .arg(order == 0 ? 2 : 1)
                                     .arg(closes ? 1 : 0);
        TestDatabase file;
        Connection onFile;
        file.open(onFile);
        Connection onServer;
        onServer.Open(TestServer::freshDatabase());
        for (Connection *connection : {&onFile, &onServer}) {
            for (const QString &text : {a, b})
                connection->Execute(
                    QStringLiteral("insert into Issues (Title,Status) values ('%1','%1')").arg(literal(text)));
            const QString found =
                QStringList{rows(*connection, pair.arg(QLatin1Char('<'))).section(QLatin1Char('\n'), 1),
                            rows(*connection, pair.arg(QLatin1Char('='))).section(QLatin1Char('\n'), 1),
                            rows(*connection,
                                 QStringLiteral("select Count(*) as N from Issues where Status='%1'").arg(literal(a)))
                                .section(QLatin1Char('\n'), 1),
                            rows(*connection, QStringLiteral("select Count(*) as N from [Closed Issues] where ID=1"))
                                .section(QLatin1Char('\n'), 1)}
                    .join(QLatin1Char('|'));
            QVERIFY2(found == expected, qPrintable(QStringLiteral("%1: %2").arg(
                                            QLatin1String(connection == &onFile ? "file" : "server"), found)));
        }
    }

    void rulesRefuseWithTheSameWords()
    {
        const QString noContact = QStringLiteral("The issue names a contact that does not exist (it may have been "
                                                 "deleted meanwhile). Choose another contact.");
        onBoth([&](Connection &connection, const char *) {
            QCOMPARE(refusal(connection, QStringLiteral("insert into [Status] values ('OPEN')")),
                     QStringLiteral("\"OPEN\" is already in the status list. Choose it from the list instead."));
            QCOMPARE(refusal(connection, QStringLiteral("insert into Issues (Title,[Assigned To]) values ('x',99)")),
                     noContact);
            QCOMPARE(refusal(connection, QStringLiteral("update Issues set [Opened By]=77 where ID=1")), noContact);
            QCOMPARE(rows(connection, QStringLiteral("select Count(ID) as N from Issues")), QStringLiteral("N\n3"));
        });
    }

    // PostgreSQL's own literals would be read differently by a file, or
    // rewritten inside by the translation: both engines refuse them alike,
    // and nothing is stored.
    void oneEngineLiteralsAreRefusedAlike()
    {
        onBoth([&](Connection &connection, const char *engine) {
            for (const char *statement :
                 {"insert into Issues (Title) values ($$see [Open Issues] and Status$$)",
                  "insert into Issues (Title) values ($t$a+b$t$)", "insert into Issues (Title) values (E'\\x41\\n')"})
                QVERIFY2(refusal(connection, QString::fromUtf8(statement))
                             .contains(QLatin1String("not part of "
                                                     "Marrowdesk's SQL")),
                         engine);
            QCOMPARE(rows(connection, QStringLiteral("select Count(ID) as N from Issues")), QStringLiteral("N\n3"));
        });
    }

    void deleteCountsAgree()
    {
        onBoth([&](Connection &connection, const char *) {
            const DeleteCounts::Issues byValue =
                DeleteCounts::withValue(connection, QStringLiteral("Status"), QStringLiteral("OPEN"));
            QCOMPARE(byValue.total, qint64(1));
            const DeleteCounts::Issues byContact = DeleteCounts::ofContact(connection, 1);
            QCOMPARE(byContact.total, qint64(2));
            QCOMPARE(byContact.closed, qint64(1));
        });
    }

    // Two users adding one value at once: the second insert passes the
    // trigger's check before the first commits and meets the unique index,
    // which must speak as the trigger does. The trigger is switched off to
    // reach the index without a race.
    void duplicateMetAtTheIndexSaysWhatTheTriggerSays()
    {
        const QString target = TestServer::freshDatabase();
        PgSession(target).execute(
            QStringLiteral("ALTER TABLE \"Priorities\" DISABLE TRIGGER \"PrioritiesNoDuplicate\""));
        Connection connection;
        connection.Open(target);
        connection.Execute(QStringLiteral("insert into Priorities values ('High')"));
        QCOMPARE(refusal(connection, QStringLiteral("insert into Priorities values ('HIGH')")),
                 QStringLiteral("\"HIGH\" is already in the priority list. Choose it from the list instead."));
    }

    // What the program must show as a plain message, not as a fault of its
    // own: the server gone in the middle of a session.
    void lostConnectionIsARefusal()
    {
        Connection connection;
        connection.Open(TestServer::freshDatabase());
        const qint64 backend = connection.session()->notificationSender();
        // Idle, the session would be opened again before the statement: the
        // loss must cut a change short to be told.
        Transaction change(connection);
        PgSession(TestServer::adminTarget()).query(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend));
        const QString told = refusal(connection, QStringLiteral("insert into [Status] values ('Open')"));
        QVERIFY2(told.startsWith(QLatin1String("The connection to the database server (database t")), qPrintable(told));
    }

    // A server that reads backslashes as escapes must still store texts as
    // typed: a quote after a backslash would otherwise end the literal.
    void backslashesStayCharactersWhateverTheServerDefault()
    {
        qputenv("PGOPTIONS", "-c standard_conforming_strings=off");
        Connection connection;
        connection.Open(TestServer::freshDatabase());
        qunsetenv("PGOPTIONS");
        const QString typed = QStringLiteral("C:\\new\\ it's \\");
        connection.Execute(QStringLiteral("insert into [Status] values ('%1')").arg(QString(typed).replace("'", "''")));
        Recordset stored;
        stored.Open(QStringLiteral("select Status from Status"), connection);
        QCOMPARE(stored.Fields(QStringLiteral("Status")).toText(), typed);
    }

    void datesInTheLocalesShortForm_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("written");
        QTest::newRow("en_US") << "en_US"
                               << "8/31/2021";
        QTest::newRow("de_DE") << "de_DE"
                               << "31.08.2021";
    }

    void datesInTheLocalesShortForm()
    {
        QFETCH(QString, locale);
        QFETCH(QString, written);
        const QLocale before;
        QLocale::setDefault(QLocale(locale));
        onBoth([&](Connection &connection, const char *) {
            connection.Execute(QStringLiteral("update Issues set [Due Date]='%1' where ID=3").arg(written));
            Recordset rs;
            rs.Open(QStringLiteral("select [Due Date] from Issues where ID=3"), connection);
            QCOMPARE(rs.Fields(QStringLiteral("Due Date")).toText(), written);
            QVERIFY_THROWS_EXCEPTION(Error, connection.Execute(QStringLiteral(
                                                "insert into Issues (Title,[Opened Date]) values ('y','soon')")));
            QCOMPARE(rows(connection, QStringLiteral("select Count(ID) as N from Issues")), QStringLiteral("N\n3"));
        });
        QLocale::setDefault(before);
    }

    // A change left uncommitted is undone when its guard goes, also when an
    // error ends it; a committed one stays.
    void transactionKeepsOnlyWhatWasCommitted()
    {
        onBoth([&](Connection &connection, const char *) {
            {
                Transaction undone(connection);
                connection.Execute(QStringLiteral("delete from Issues where ID=1"));
                QVERIFY_THROWS_EXCEPTION(Error,
                                         connection.Execute(QStringLiteral("insert into [Status] values ('OPEN')")));
            }
            {
                Transaction kept(connection);
                connection.Execute(QStringLiteral("delete from Issues where ID=2"));
                kept.commit();
            }
            QCOMPARE(rows(connection, QStringLiteral("select ID from Issues order by ID")), QStringLiteral("ID\n1\n3"));
        });
    }

    // A guard inside another is a savepoint: its rollback keeps the outer
    // change, and its commit is undone with the outer one's rollback.
    void nestedGuardsUndoOnlyTheirOwnPart_data()
    {
        QTest::addColumn<bool>("innerCommits");
        QTest::addColumn<bool>("outerCommits");
        QTest::addColumn<QString>("left");
        QTest::newRow("inner undone, outer kept") << false << true << "ID\n2\n3";
        QTest::newRow("both kept") << true << true << "ID\n3";
        QTest::newRow("inner kept, outer undone") << true << false << "ID\n1\n2\n3";
    }

    void nestedGuardsUndoOnlyTheirOwnPart()
    {
        QFETCH(bool, innerCommits);
        QFETCH(bool, outerCommits);
        QFETCH(QString, left);
        onBoth([&](Connection &connection, const char *engine) {
            {
                Transaction outer(connection);
                connection.Execute(QStringLiteral("delete from Issues where ID=1"));
                {
                    Transaction inner(connection);
                    connection.Execute(QStringLiteral("delete from Issues where ID=2"));
                    if (innerCommits)
                        inner.commit();
                }
                if (outerCommits)
                    outer.commit();
            }
            QVERIFY2(!connection.session()->inTransaction(), engine);
            QCOMPARE(rows(connection, QStringLiteral("select ID from Issues order by ID")), left);
        });
    }

    void trashVersionAndNewIds()
    {
        onBoth([&](Connection &connection, const char *) {
            connection.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Dee')"));
            QCOMPARE(connection.lastInsertedId(), qint64(4));
            connection.Execute(QStringLiteral("update Issues set Title='printer jams' where ID=1"));
            connection.Execute(QStringLiteral("update Issues set [Due Date]='2021-10-01' where ID=1"));
            QCOMPARE(rows(connection, QStringLiteral("select ID, Version from Issues order by ID")),
                     QStringLiteral("ID|Version\n1|3\n2|1\n3|1"));
            {
                Trash::Deleting deleting(connection, QStringLiteral("Delete Status"));
                connection.Execute(QStringLiteral("delete from [Status] where Status='OPEN'"));
                connection.Execute(QStringLiteral("delete from Issues where Status='open'"));
            }
            connection.Execute(QStringLiteral("delete from Issues where ID=3"));
            QCOMPARE(rows(connection, QStringLiteral("select ID, Title, DeletedBy, [Due Date] from TrashIssues "
                                                     "order by ID")),
                     QStringLiteral("ID|Title|DeletedBy|Due Date\n1|printer jams|Delete Status|d:2021-10-01\n"
                                    "3|apple|Marrowdesk|\\N"));
            QCOMPARE(rows(connection, QStringLiteral("select List, Value, DeletedBy from TrashValues")),
                     QStringLiteral("List|Value|DeletedBy\nStatus|Open|Delete Status"));
            // The command's two deletes are one group; the lone delete is another.
            QCOMPARE(rows(connection, QStringLiteral("select Count(*) as N from TrashIssues i, TrashValues v "
                                                     "where i.DeleteGroup = v.DeleteGroup")),
                     QStringLiteral("N\n1"));
        });
    }

    // The trash lists and restores on the server as in a file: a status
    // with its issue comes back as one group, and a taken ID refuses.
    void trashListsAndRestores()
    {
        onBoth([&](Connection &connection, const char *engine) {
            {
                Trash::Deleting deleting(connection, QStringLiteral("Delete Status"));
                connection.Execute(QStringLiteral("delete from [Status] where Status='Open'"));
                connection.Execute(QStringLiteral("delete from Issues where ID=1"));
            }
            const QList<Trash::Group> groups = Trash::groups(connection);
            QVERIFY2(groups.size() == 1, engine);
            QCOMPARE(groups[0].what, QStringLiteral("status \u201cOpen\u201d and issue 1 \u201cprinter\u201d"));
            QCOMPARE(Trash::newest(connection)->id, groups[0].id);
            QCOMPARE(Trash::restore(connection, groups[0].id), QList<qint64>{1});
            QCOMPARE(rows(connection, QStringLiteral("select ID, Status from Issues where ID=1")),
                     QStringLiteral("ID|Status\n1|Open"));
            QVERIFY(Trash::groups(connection).isEmpty());
            connection.Execute(QStringLiteral("delete from Issues where ID=3"));
            connection.Execute(QStringLiteral("insert into Issues (ID, Title) values (3, 'taken')"));
            QVERIFY_THROWS_EXCEPTION(Refusal, Trash::restore(connection, Trash::newest(connection)->id));
        });
    }

    // On a shared server Undo takes back one's own last delete, never a
    // colleague's later one.
    void undoTakesBackOnlyOnesOwnDelete()
    {
        const QString target = TestServer::freshDatabase();
        Connection mine;
        Connection colleague;
        // The account comes from the system, not the environment.
        qunsetenv("USER");
        qunsetenv("LOGNAME");
        mine.Open(target);
        colleague.Open(target);
        for (const char *statement : seed)
            mine.Execute(QString::fromUtf8(statement));
        colleague.session()->execute(
            QStringLiteral("SELECT set_config('marrowdesk.user', 'colleague@elsewhere', false)"));
        mine.Execute(QStringLiteral("delete from Issues where ID=1"));
        colleague.Execute(QStringLiteral("delete from Issues where ID=3"));
        const QList<Trash::Group> listed = Trash::groups(mine);
        QCOMPARE(listed.value(0).person, QStringLiteral("colleague@elsewhere"));
        QCOMPARE(listed.value(1).person, mine.account());
        QVERIFY2(!mine.account().startsWith(QLatin1Char('@')), qPrintable(mine.account()));
        QCOMPARE(Trash::restore(mine, Trash::newest(mine)->id), QList<qint64>{1});
        QCOMPARE(Trash::restore(colleague, Trash::newest(colleague)->id), QList<qint64>{3});
    }

    // Every kind of change leaves the same entries on both engines, whatever
    // made it, with values exactly as stored; an update that changes
    // nothing leaves none, and a change of letter case counts.
    void historyRecordsEveryKindOfChangeAlike()
    {
        const QString odd = QStringLiteral("it's \\ \"q\" \u05E9\u05DC\u05D5\u05DD");
        const QString large(1 << 20, QLatin1Char('x'));
        onBoth([&](Connection &connection, const char *engine) {
            connection.setChangeSource(QString::fromLatin1(ChangeSource::program));
            for (const char *statement : {"update Issues set Title='Printer' where ID=1",
                                          "update Issues set Status='Closed', [Due Date]='2021-12-24' where ID=1",
                                          "update Issues set Comment=Comment, Status=' open' where ID=1",
                                          "update Contacts set [Last Name]='Lee-Smith' where ID=1"})
                connection.Execute(QString::fromLatin1(statement));
            connection.Execute(QStringLiteral("update Issues set Comment='%1' where ID=1")
                                   .arg(QString(odd).replace(QLatin1String("'"), QLatin1String("''"))));
            {
                const ChangeSource::Scope shell(connection, QString::fromLatin1(ChangeSource::sqlShell));
                connection.Execute(
                    QStringLiteral("update Issues set [Assigned To]=3, Comment='%1' where ID=1").arg(large));
            }
            const qint64 note = IssueHistory::addNote(connection, 1, odd);
            connection.Execute(QStringLiteral("delete from Issues where ID=1"));
            Trash::restore(connection, Trash::newest(connection)->id);

            const QString by = QStringLiteral("|the program|");
            const QStringList expected{QStringLiteral("added||\\N|printer|another program|1"),
                                       QStringLiteral("changed|Title|printer|Printer") + by + QStringLiteral("2"),
                                       QStringLiteral("changed|Due Date|\\N|d:2021-12-24") + by + QStringLiteral("3"),
                                       QStringLiteral("closed|Status|Open|Closed") + by + QStringLiteral("3"),
                                       QStringLiteral("reopened|Status|Closed| open") + by + QStringLiteral("4"),
                                       QStringLiteral("changed|Comment|\\N|") + odd + by + QStringLiteral("5"),
                                       QStringLiteral("changed|Assigned To|1|3|marrowdesk-sql|6"),
                                       QStringLiteral("changed|Comment|") + odd + QLatin1Char('|') + large +
                                           QStringLiteral("|marrowdesk-sql|6"),
                                       QStringLiteral("note added||\\N|") + odd + by + QStringLiteral("6"),
                                       QStringLiteral("deleted||Printer|\\N") + by + QStringLiteral("6"),
                                       QStringLiteral("restored||\\N|Printer") + by + QStringLiteral("7")};
            const QStringList recorded = history(connection, IssueHistory::Item::Issue, 1);
            for (qsizetype line = 0; line < std::max(recorded.size(), expected.size()); ++line)
                QVERIFY2(recorded.value(line) == expected.value(line),
                         qPrintable(QStringLiteral("%1, entry %2: %3")
                                        .arg(QLatin1String(engine))
                                        .arg(line)
                                        .arg(recorded.value(line).left(200))));
            QCOMPARE(history(connection, IssueHistory::Item::Contact, 1),
                     (QStringList{QStringLiteral("added||\\N|Ann Lee|another program|1"),
                                  QStringLiteral("changed|Last Name|Lee|Lee-Smith|the program|2")}));

            const IssueHistory::Entry newest = IssueHistory::entries(connection, IssueHistory::Item::Issue, 1).first();
            QCOMPARE(newest.who, IssueHistory::currentUser(connection));
            QCOMPARE(newest.role.isEmpty(), !connection.isShared());
            QVERIFY(qAbs(newest.when.secsTo(QDateTime::currentDateTime())) < 600);
            const QList<IssueHistory::Note> notes = IssueHistory::notes(connection, 1);
            QCOMPARE(notes.size(), 1);
            QCOMPARE(notes[0].id, note);
            QCOMPARE(notes[0].text, odd);
            QCOMPARE(notes[0].author, newest.who);
        });
    }

    // A save reverts as a whole, a field changed and changed back in it
    // going back to its first value; an entry of an issue changed since is
    // refused with the issue as it is now; a note added is taken back.
    void revertPutsBackAWholeChangeOrRefusesAChangedIssue()
    {
        onBoth([&](Connection &connection, const char *) {
            {
                Transaction save(connection);
                connection.Execute(QStringLiteral("update Issues set Title='first' where ID=2"));
                connection.Execute(QStringLiteral("update Issues set Title='Network', [Due Date]=Null where ID=2"));
                save.commit();
            }
            const IssueHistory::Entry last =
                *IssueHistory::lastChangeBy(connection, IssueHistory::currentUser(connection));
            QCOMPARE(last.itemId, qint64(2));
            QCOMPARE(IssueHistory::change(connection, last.changeId).size(), 3);
            IssueHistory::revertChange(connection, last.changeId);
            QCOMPARE(rows(connection, QStringLiteral("select Title, [Due Date], Version from Issues where ID=2")),
                     QStringLiteral("Title|Due Date|Version\nNetwork|d:2021-09-15|4"));

            const qint64 stale = IssueHistory::entries(connection, IssueHistory::Item::Issue, 2).first().seq;
            connection.Execute(QStringLiteral("update Issues set Title='colleague' where ID=2"));
            try {
                IssueHistory::revertEntry(connection, stale);
                QFAIL("a revert overwrote a later change");
            } catch (const ConcurrentSave::ChangedMeanwhile &changed) {
                QCOMPARE(changed.current().value(QStringLiteral("Title")).toText(), QStringLiteral("colleague"));
            }
            IssueHistory::addNote(connection, 2, QStringLiteral("oops"));
            IssueHistory::revertEntry(connection,
                                      IssueHistory::entries(connection, IssueHistory::Item::Issue, 2).first().seq);
            QVERIFY(IssueHistory::notes(connection, 2).isEmpty());
            QCOMPARE(IssueHistory::entries(connection, IssueHistory::Item::Issue, 2).first().oldValue.toText(),
                     QStringLiteral("oops"));
            QVERIFY_THROWS_EXCEPTION(Refusal, IssueHistory::addNote(connection, 99, QStringLiteral("none")));
            QVERIFY_THROWS_EXCEPTION(Refusal, IssueHistory::addNote(connection, 2, QStringLiteral(" ")));
        });
    }

    // A clock set back between two changes does not reorder them; a
    // contact deleted with its issues is one change, and its restore brings
    // their history on.
    void historyKeepsItsOrderAndFollowsATrashRestore()
    {
        onBoth([&](Connection &connection, const char *) {
            const qint64 now = WallClock::nowMicros();
            WallClock::setForTests([now] { return now; });
            connection.Execute(QStringLiteral("update Issues set Title='later' where ID=3"));
            WallClock::setForTests([now] { return now - qint64(86400) * 1000000; });
            connection.Execute(QStringLiteral("update Issues set Title='latest' where ID=3"));
            WallClock::setForTests({});
            QCOMPARE(IssueHistory::entries(connection, IssueHistory::Item::Issue, 3).first().newValue.toText(),
                     QStringLiteral("latest"));

            {
                Trash::Deleting deleting(connection, QStringLiteral("Delete Contact"));
                Transaction together(connection);
                connection.Execute(QStringLiteral("delete from Issues where [Assigned To]=3 or [Opened By]=3"));
                connection.Execute(QStringLiteral("delete from Contacts where ID=3"));
                together.commit();
            }
            const IssueHistory::Entry deleted =
                IssueHistory::entries(connection, IssueHistory::Item::Contact, 3).first();
            QCOMPARE(deleted.kind, IssueHistory::Kind::Deleted);
            QCOMPARE(IssueHistory::entries(connection, IssueHistory::Item::Issue, 2).first().changeId,
                     deleted.changeId);
            Trash::restore(connection, Trash::newest(connection)->id);
            QCOMPARE(history(connection, IssueHistory::Item::Issue, 2).mid(1),
                     (QStringList{QStringLiteral("deleted||Network|\\N|another program|1"),
                                  QStringLiteral("restored||\\N|Network|another program|2")}));
        });
    }

    // The list's and the export's dates from the history: a closed date
    // only while closed since a "closed" entry, a last change for every
    // issue; the export's columns only when asked.
    void historyGivesClosedAndLastChangedDates()
    {
        onBoth([&](Connection &connection, const char *) {
            connection.Execute(QStringLiteral("update Issues set Status='Closed' where ID=1"));
            connection.Execute(QStringLiteral("update Issues set Status='Open' where ID=3"));
            const auto dated = [&] {
                Recordset rs;
                IssueListQuery::open(rs, connection, true, true);
                QStringList cells;
                for (int row = 0; row < rs.rowCount(); ++row)
                    cells << QStringLiteral("%1:%2:%3")
                                 .arg(rs.field(row, rs.columnIndex(QStringLiteral("ID"))).toText())
                                 .arg(rs.field(row, rs.columnIndex(QStringLiteral("Closed Date"))).isNull())
                                 .arg(IssueDates::fromStored(
                                          rs.field(row, rs.columnIndex(QStringLiteral("Last Changed"))))
                                          .dateTime() != nullptr);
                return cells.join(QLatin1Char(' '));
            };
            QCOMPARE(dated(), QStringLiteral("1:0:1 2:1:1 3:1:1"));
            connection.Execute(QStringLiteral("update Issues set Status='Open' where ID=1"));
            QCOMPARE(dated(), QStringLiteral("1:1:1 2:1:1 3:1:1"));

            // The Issue Activity report's entries: issue after issue, each
            // one's newest first; the list's raw dates as the plain ones.
            const QList<IssueHistory::Entry> entries = ReportQueries::openIssuesActivity(connection);
            QVERIFY(!entries.isEmpty());
            for (qsizetype i = 1; i < entries.size(); ++i)
                QVERIFY(entries[i - 1].itemId < entries[i].itemId ||
                        (entries[i - 1].itemId == entries[i].itemId && entries[i - 1].seq > entries[i].seq));
            QCOMPARE(entries.first().itemId, 1);
            QCOMPARE(entries.first().kind, IssueHistory::Kind::Reopened);
            QCOMPARE(entries.value(1).kind, IssueHistory::Kind::Closed);
            const auto dates = IssueDates::read(connection);
            const auto stored = IssueDates::readStored(connection);
            QCOMPARE(stored.size(), dates.size());
            QCOMPARE(IssueDates::fromStored(Value(stored.value(1).lastChanged)), dates.value(1).lastChanged);
            QCOMPARE(stored.value(1).closed, IssueDates::noTime);

            QBuffer plain;
            QBuffer withDates;
            for (QBuffer *buffer : {&plain, &withDates}) {
                buffer->open(QIODevice::WriteOnly);
                IssueExchange::exportIssues(connection, std::nullopt, *buffer, false, buffer == &withDates);
            }
            const QByteArray heading = plain.data().left(plain.data().indexOf('\r'));
            QVERIFY(!heading.contains("Last Changed"));
            QVERIFY(withDates.data().startsWith(heading + ",Closed Date,Last Changed\r\n"));

            // The activity goes to a file of its own, a record per entry.
            IssueHistory::addNote(connection, 3, QStringLiteral("=1+1"));
            QBuffer activity;
            activity.open(QIODevice::WriteOnly);
            QCOMPARE(ActivityExport::write(connection, std::vector<qint64>{3}, activity, false), 3);
            const QList<QByteArray> records = activity.data().split('\n');
            QCOMPARE(records.value(0), QByteArray("Issue ID,Kind,Field,Old Value,New Value,When,Who,Role,Via,Change "
                                                  "ID\r"));
            QVERIFY2(records.value(3).startsWith("3,note added,,,'=1+1,"), records.value(3).constData());
        });
    }

    // A status marked as closing closes an issue alike everywhere the rule
    // is asked: the views, the history's kind, the list's first read, the
    // program's own rule and the Closed Date. Issue 1 goes from "Open" to
    // status; "Closed" itself cannot be unmarked.
    void closingStatusesCloseAlike_data()
    {
        QTest::addColumn<QStringList>("marked");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("closed");
        QTest::newRow("marked Done") << QStringList{"Done"} << "Done" << true;
        QTest::newRow("marked with blanks, other case") << QStringList{" done "} << "DONE " << true;
        QTest::newRow("apostrophe") << QStringList{"Won't fix", "Done"} << "won't fix" << true;
        QTest::newRow("full-width") << QStringList{"Done"} << "Ｄｏｎｅ" << true;
        QTest::newRow("not marked") << QStringList{"Won't fix"} << "Done" << false;
        QTest::newRow("Closed needs no mark") << QStringList{} << "closed" << true;
        QTest::newRow("marked, then unmarked") << QStringList{"Done", "-Done"} << "Done" << false;
    }

    void closingStatusesCloseAlike()
    {
        QFETCH(QStringList, marked);
        QFETCH(QString, status);
        QFETCH(bool, closed);
        onBoth([&](Connection &connection, const char *engine) {
            for (const QString &mark : std::as_const(marked))
                mark.startsWith(u'-') ? IssueStatus::markClosing(connection, {}, {mark.mid(1)})
                                      : IssueStatus::markClosing(connection, {mark}, {});
            QVERIFY_THROWS_EXCEPTION(Refusal, IssueStatus::markClosing(connection, {}, {QStringLiteral("CLOSED")}));
            connection.Execute(IssueStatus::setStatusStatement(status, 1));
            const QString where = QStringLiteral(" where ID = 1");
            QVERIFY2(rows(connection, QStringLiteral("select count(*) as N from [Closed Issues]") + where) ==
                         QStringLiteral("N\n%1").arg(closed ? 1 : 0),
                     engine);
            QCOMPARE(rows(connection, QStringLiteral("select count(*) as N from [Open Issues]") + where),
                     QStringLiteral("N\n%1").arg(closed ? 0 : 1));
            QCOMPARE(history(connection, IssueHistory::Item::Issue, 1).last().section(u'|', 0, 0),
                     IssueHistory::kindText(closed ? IssueHistory::Kind::Closed : IssueHistory::Kind::Changed));
            QCOMPARE(IssueStatus::ClosingRule::read(connection).closes(status), closed);
            QCOMPARE(IssueListQuery::readStored(connection, true).front().closed, closed);
            QCOMPARE(IssueDates::readStored(connection).value(1).closed != IssueDates::noTime, closed);
            // Unmarking opens the issue again, and its Closed Date goes.
            if (closed && !IssueStatus::isClosing(status)) {
                IssueStatus::markClosing(connection, {}, {status});
                QCOMPARE(IssueListQuery::readStored(connection, true).front().closed, false);
                QCOMPARE(IssueDates::readStored(connection).value(1).closed, IssueDates::noTime);
            }
        });
    }

    // A view comes back as saved, replaces the one of its name, keeps its
    // name unique and empty-free; the lists' order comes back in place,
    // a deleted value left out of the manager's list.
    void savedViewsAndValueOrderRoundTrip()
    {
        onBoth([](Connection &connection, const char *) {
            SavedViews::View mine;
            mine.name = QStringLiteral(" Ann's 'bugs' ");
            mine.query = QStringLiteral("assignee:\"Ann Lee\" -status:done \u00e9");
            mine.sortColumn = QStringLiteral("Priority");
            mine.sortDescending = true;
            mine.columns = QStringList{QStringLiteral("ID"), QStringLiteral("Title")};
            mine.showClosed = true;
            const qint64 id = SavedViews::save(connection, mine);
            SavedViews::View other;
            other.name = QStringLiteral("all");
            SavedViews::save(connection, other);
            mine.name = mine.name.trimmed();
            mine.id = id;
            mine.owner = SavedViews::list(connection).value(1).owner; // the server names the login
            QCOMPARE(SavedViews::list(connection).size(), 2);
            QCOMPARE(SavedViews::list(connection).first().name, QStringLiteral("all"));
            QCOMPARE(SavedViews::list(connection).value(1), mine);

            // Saving under a name in other letters replaces it.
            mine.name = QStringLiteral("ANN'S 'BUGS'");
            mine.query = QStringLiteral("status:open");
            QCOMPARE(SavedViews::save(connection, mine), id);
            QCOMPARE(SavedViews::list(connection).size(), 2);
            QCOMPARE(SavedViews::list(connection).value(1).query, QStringLiteral("status:open"));

            QVERIFY_THROWS_EXCEPTION(Refusal, SavedViews::rename(connection, id, QStringLiteral("ALL")));
            QVERIFY_THROWS_EXCEPTION(Refusal, SavedViews::rename(connection, id, QStringLiteral("  ")));
            SavedViews::rename(connection, id, QStringLiteral("Bugs"));
            SavedViews::remove(connection, SavedViews::list(connection).first().id);
            QCOMPARE(SavedViews::list(connection).size(), 1);
            QCOMPARE(SavedViews::list(connection).first().name, QStringLiteral("Bugs"));
            QVERIFY_THROWS_EXCEPTION(Refusal, SavedViews::remove(connection, id + 100));

            connection.Execute(QStringLiteral("insert into [Status] values ('Waiting')"));
            ValueOrder::setOrder(connection, ValueListSql::List::Status,
                                 {QStringLiteral("Waiting"), QStringLiteral("Gone"), QStringLiteral("Open")});
            QCOMPARE(ValueOrder::ordered(connection, ValueListSql::List::Status),
                     (QStringList{"Waiting", "Gone", "Open"}));
            QCOMPARE(ValueOrder::arranged(connection, ValueListSql::List::Status),
                     (QStringList{"Waiting", "Open", "Closed"}));
            QVERIFY(ValueOrder::ordered(connection, ValueListSql::List::Priority).isEmpty());
        });
    }

    // An attachment's history and listing read alike on both engines, its
    // type sniffed from the content, not the name.
    void attachmentsReadAlike()
    {
        onBoth([](Connection &connection, const char *) {
            QByteArray bytes("%PDF-1.4\n%\xe2\xe3\n");
            QBuffer buffer(&bytes);
            buffer.open(QIODevice::ReadOnly);
            const qint64 id = Attachments::add(connection, 2, buffer, QStringLiteral("scan 'x'.txt"));
            Attachments::remove(connection, id);
            Attachments::restore(connection, id);
            const Attachments::Attachment shown = Attachments::list(connection, 2).value(0);
            QCOMPARE(QStringList({shown.name, shown.type, QString::number(shown.size)}),
                     (QStringList{"scan 'x'.txt", "application/pdf", "13"}));
            QCOMPARE(history(connection, IssueHistory::Item::Issue, 2).mid(1),
                     (QStringList{"attached||\\N|scan 'x'.txt|another program|1",
                                  "attachment removed||scan 'x'.txt|\\N|another program|1",
                                  "attached||\\N|scan 'x'.txt|another program|1"}));
        });
    }

    // Watching reads alike on both engines: a colleague's change to an
    // issue "me" opened or one watched by choice is unseen, one's own is
    // not, nor what happened before the choice; markSeen clears an issue;
    // the news after a point names an assignment to me.
    void watchesReadAlike()
    {
        onBoth([](Connection &connection, const char *) {
            const auto byColleague = [&connection](const QString &statement) {
                connection.Execute(statement);
                connection.Execute(QStringLiteral("update History set ChangedBy = 'ada' where ChangeID = "
                                                  "(select max(ChangeID) from History)"));
            };
            const auto unseenCounts = [&connection] {
                QStringList counts;
                for (const Watches::Unseen &item : Watches::unseen(connection, 2))
                    counts << QStringLiteral("%1:%2").arg(item.issue).arg(item.changes);
                return counts;
            };
            const qint64 start = Watches::newestChange(connection);
            byColleague(QStringLiteral("update Issues set Priority = 'Low' where ID = 1"));
            byColleague(QStringLiteral("update Issues set Title = 'pear' where ID = 3"));
            connection.Execute(QStringLiteral("update Issues set Comment = 'mine' where ID = 1"));
            QCOMPARE(unseenCounts(), QStringList{"1:1"});
            Watches::watch(connection, 3);
            QVERIFY(Watches::isWatchedByChoice(connection, 3));
            QCOMPARE(unseenCounts(), QStringList{"1:1"});
            byColleague(QStringLiteral("update Issues set Status = 'Open', Priority = 'High' where ID = 3"));
            QCOMPARE(unseenCounts(), (QStringList{"1:1", "3:2"}));
            Watches::markSeen(connection, 1);
            QCOMPARE(unseenCounts(), QStringList{"3:2"});
            byColleague(QStringLiteral("update Issues set [Assigned To] = 2 where ID = 2"));
            QCOMPARE(Watches::newsSince(connection, start, Watches::newestChange(connection), 2),
                     (QList<Watches::News>{
                         {1, "printer", "ada", false}, {3, "pear", "ada", false}, {2, "Network", "ada", true}}));
            Watches::unwatch(connection, 3);
            QCOMPARE(QList<bool>({Watches::isWatched(connection, 3, 2), Watches::isWatched(connection, 1, 2),
                                  Watches::isWatchedByChoice(connection, 3)}),
                     (QList<bool>{false, true, false}));
            QCOMPARE(unseenCounts(), QStringList{"2:1"});
            // Choosing to watch an issue already looked at keeps what is unseen.
            byColleague(QStringLiteral("update Issues set Comment = 'theirs' where ID = 1"));
            Watches::watch(connection, 1);
            QCOMPARE(unseenCounts(), (QStringList{"1:1", "2:1"}));
        });
    }
};

QTEST_GUILESS_MAIN(TestBothEngines)
#include "tst_bothengines.moc"
