// The find box's query language: each text reads into the expected tree
// and keeps the same issues on a file, on a server and in the list's own
// matcher; a text that cannot be read says why and where.

#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include "app/list/IssueListLoading.h"
#include "app/list/IssueQueryMatch.h"
#include "data/Connection.h"
#include "data/IssueQuery.h"
#include "data/IssueQuerySql.h"
#include "data/Recordset.h"

#include <QTest>

namespace {

const QDate today(2026, 12, 7); // a Monday; en_US weeks start on Sunday 6th

const char *const seed[] = {
    "insert into Contacts ([First Name],[Last Name]) values ('Ada','O''Lane')",
    "insert into Contacts ([First Name],[Last Name]) values ('Bob','Stone')",
    "insert into Contacts ([First Name],[Last Name]) values ('Émile','Zola')",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('Printer jams',1,2,'2026-11-01','Open','Hardware','High','paper tray','2026-12-01')",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('Café menu typo',2,1,'2026-11-20','Waiting','Docs','Low',Null,'2026-12-09')",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('Network down',1,1,'2026-12-05',' closed ','Hardware','High','router','2026-11-15')",
    "insert into Issues (Title,[Opened By],[Opened Date],Category,Comment) "
    "values ('Docs index',2,'2026-10-01','docs','See \"manual\"')",
    "insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,Comment,[Due Date]) "
    "values ('Update manual',3,3,'2026-12-06T09:30:00','Open','Web','Medium','an exact phrase here','2026-12-31')",
};

QString idsOf(Recordset &rs)
{
    QStringList ids;
    for (; !rs.Eof(); rs.MoveNext())
        ids << rs.Fields(QStringLiteral("ID")).toText();
    return ids.join(u',');
}

QString idsOf(const IssueListModel::Table &table, const IssueQueryMatch &match)
{
    QStringList ids;
    for (size_t row = 0; row < table.rows.size(); ++row)
        if (match.keeps(table, row))
            ids << table.rows[row].cells[0];
    return ids.join(u',');
}

} // namespace

class TestIssueQuery : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        m_file.open(m_onFile);
        m_onServer.Open(TestServer::freshDatabase());
        for (Connection *connection : {&m_onFile, &m_onServer})
            for (const char *statement : seed)
                connection->Execute(QString::fromUtf8(statement));
        IssueListModel::Refill refill;
        QStringList captions;
        for (int c = 1; c <= IssueListModel::maxColumns; ++c)
            captions << QStringLiteral("Column %1").arg(c);
        m_list = IssueListLoading::readAside(m_onFile, true, std::move(refill), captions).rows.table();
    }

    void queryKeepsTheSameIssuesEverywhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("tree");
        QTest::addColumn<QString>("ids");
        const auto row = [](const char *name, const QString &text, const QString &tree, const char *ids) {
            QTest::newRow(name) << text << tree << QString::fromLatin1(ids);
        };
        row("blank keeps all", QStringLiteral("  "), QStringLiteral("all()"), "1,2,3,4,5");
        row("plain text, accents aside", QStringLiteral("CAFE menu"), QStringLiteral("has(any,\"CAFE menu\")"), "2");
        row("plain text keeps OR as a word", QStringLiteral("jams or down"),
            QStringLiteral("has(any,\"jams or down\")"), "");
        row("status:open by the closed rule", QStringLiteral("status:OPEN"), QStringLiteral("open"), "1,2,4,5");
        row("quoted status is the value", QStringLiteral("st:\"Open\""), QStringLiteral("is(status,\"Open\")"), "1,5");
        row("closed:yes", QStringLiteral("Closed:yes"), QStringLiteral("closed"), "3");
        row("assignee with an apostrophe", QStringLiteral("assignee:\"ada o'lane\" -status:closed"),
            QStringLiteral("all(is(assignee,\"ada o'lane\"), not(closed))"), "1");
        row("me", QStringLiteral("to:me"), QStringLiteral("me(assignee)"), "2");
        row("accents count in names", QStringLiteral("by:\"emile zola\""), QStringLiteral("is(opener,\"emile zola\")"),
            "");
        row("negated category keeps the rest", QStringLiteral("-cat:docs"),
            QStringLiteral("not(is(category,\"docs\"))"), "1,3,5");
        row("empty value: no priority", QStringLiteral("prio:"), QStringLiteral("empty(priority)"), "4");
        row("no such value", QStringLiteral("cat:nosuch"), QStringLiteral("is(category,\"nosuch\")"), "");
        row("before an ISO date", QStringLiteral("due<2026-12-31"), QStringLiteral("days(due,,2026-12-30)"), "1,2,3");
        row("up to a local date", QStringLiteral("due<=12/31/2026"), QStringLiteral("days(due,,2026-12-31)"),
            "1,2,3,5");
        row("overdue skips closed", QStringLiteral("due:overdue"), QStringLiteral("overdue"), "1");
        row("this week", QStringLiteral("due:this-week"), QStringLiteral("days(due,2026-12-06,2026-12-12)"), "2");
        row("relative days, times too", QStringLiteral("opened>-30d"), QStringLiteral("days(opened,2026-11-08,)"),
            "2,3,5");
        row("no due date", QStringLiteral("due:"), QStringLiteral("empty(due)"), "4");
        row("exact phrase", QStringLiteral("\"exact phrase\""), QStringLiteral("has(any,\"exact phrase\")"), "5");
        row("OR and parentheses", QStringLiteral("(cat:docs OR cat:web) -prio:low"),
            QStringLiteral("all(any(is(category,\"docs\"), is(category,\"web\")), not(is(priority,\"low\")))"), "4,5");
        row("negated group", QStringLiteral("-(cat:docs or prio:high)"),
            QStringLiteral("not(any(is(category,\"docs\"), is(priority,\"high\")))"), "5");
        row("title and comment", QStringLiteral("title:manual OR comment:manual"),
            QStringLiteral("any(has(title,\"manual\"), has(comment,\"manual\"))"), "4,5");
        row("ids", QStringLiteral("id>3 OR id:1"), QStringLiteral("any(id>3, id=1)"), "1,4,5");
        QString longQuery = QStringLiteral("cat:docs");
        while (longQuery.size() < 10000)
            longQuery += QStringLiteral(" -title:zzz");
        QTest::newRow("10,000 characters") << longQuery << QString() << QStringLiteral("2,4");
    }

    void queryKeepsTheSameIssuesEverywhere()
    {
        QFETCH(QString, text);
        QFETCH(QString, tree);
        QFETCH(QString, ids);
        const IssueQuery::Query query = IssueQuery::Query::parse(text, today);
        if (!tree.isEmpty())
            QCOMPARE(query.describe(), tree);
        const QString me = QStringLiteral("Bob Stone");
        for (Connection *connection : {&m_onFile, &m_onServer}) {
            Recordset rs;
            IssueQuerySql::open(rs, *connection, query, me, today);
            QCOMPARE(idsOf(rs), ids);
        }
        QCOMPARE(idsOf(m_list, IssueQueryMatch(query, me, today)), ids);
    }

    void unreadableTextSaysWhyAndWhere_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<int>("position");
        QTest::newRow("open quote") << "status:open \"unclosed"
                                    << "quote is not closed" << 12;
        QTest::newRow("open parenthesis") << "(cat:docs"
                                          << "\u201c(\u201d is not closed" << 0;
        QTest::newRow("stray parenthesis") << "cat:docs)"
                                           << "has no" << 8;
        QTest::newRow("unknown field") << "status:open foo:bar"
                                       << "no field \u201cfoo\u201d" << 12;
        QTest::newRow("not a date") << "due<someday"
                                    << "takes a date" << 0;
        QTest::newRow("not a number") << "id:abc"
                                      << "takes a number" << 0;
        QTest::newRow("dangling OR") << "status:open OR"
                                     << "OR needs a term" << 12;
        QTest::newRow("closed takes yes or no") << "closed:maybe"
                                                << "yes or no" << 0;
        QTest::newRow("10,000 parentheses") << QString(10000, u'(') + "a"
                                            << "more than 64 deep" << 64;
    }

    void unreadableTextSaysWhyAndWhere()
    {
        QFETCH(QString, text);
        QFETCH(QString, reason);
        QFETCH(int, position);
        try {
            IssueQuery::Query::parse(text, today);
            QFAIL("read");
        } catch (const IssueQuery::Unreadable &unreadable) {
            QVERIFY2(unreadable.reason().contains(reason), qPrintable(unreadable.reason()));
            QCOMPARE(unreadable.position(), position);
        }
    }

    void meIsTheAccountsContactOnAServer()
    {
        Recordset login;
        login.Open(QStringLiteral("SELECT CAST(session_user AS text)"), {}, m_onServer);
        const QString member = login.field(0).toText();
        m_onServer.Execute(
            QStringLiteral("update Contacts set [E-mail Address]='%1@example.org' where ID=3").arg(member));
        QCOMPARE(IssueQuerySql::meName(m_onServer, 2), QStringLiteral("Émile Zola"));
        QCOMPARE(IssueQuerySql::meName(m_onFile, 2), QStringLiteral("Bob Stone"));
        QCOMPARE(IssueQuerySql::meName(m_onFile, 0), QString());
    }

private:
    TestDatabase m_file;
    Connection m_onFile;
    Connection m_onServer;
    IssueListModel::Table m_list;
};

QTEST_GUILESS_MAIN(TestIssueQuery)
#include "tst_issuequery.moc"
