// The data layer against a fresh copy of the template: every statement shape
// the program sends, the dialect's conventions, and the refusals.

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/RecordStore.h"
#include "data/Recordset.h"
#include "data/sqlite/SqliteFile.h"
#include "support/TestDatabase.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <sqlite3.h>

namespace {

QStringList column(Connection &connection, const QString &query, const QString &name)
{
    Recordset rs;
    rs.Open(query, connection);
    QStringList values;
    for (; !rs.Eof(); rs.MoveNext())
        values << (rs.Fields(name).isNull() ? QStringLiteral("<null>") : rs.Fields(name).toText());
    rs.Close();
    return values;
}

QString single(Connection &connection, const QString &query, const QString &name)
{
    const QStringList values = column(connection, query, name);
    return values.isEmpty() ? QStringLiteral("<none>") : values.first();
}

QString issueInsert(const QString &title, const QString &status, const QString &date = QStringLiteral("2021-08-31"))
{
    return QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,"
                          "Comment,[Due Date]) values ('%1',1,2,'%3','%2','Hardware','High','','%3')")
        .arg(title, status, date);
}

QString expectFailure(const std::function<void()> &body)
{
    try {
        body();
    } catch (const Error &error) {
        return error.description();
    }
    return QString();
}

} // namespace

class TestConnection : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void openRefusesWhatIsNotOurs_data();
    void openRefusesWhatIsNotOurs();

    // A window's ID text reaches a statement only as the number it names:
    // anything else fails rather than reading or writing record 0.
    void idTextBecomesANumberOrFails_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("id");
        QTest::newRow("plain") << QStringLiteral("42") << qint64(42);
        QTest::newRow("negative") << QStringLiteral("-7") << qint64(-7);
        for (const char *bad : {"", "4x", " 42", "+42", "1 or 1=1", "99999999999999999999"})
            QTest::newRow(*bad ? bad : "empty") << QString::fromLatin1(bad) << qint64(0);
    }
    void idTextBecomesANumberOrFails()
    {
        QFETCH(QString, text);
        QFETCH(qint64, id);
        if (id != 0)
            QCOMPARE(RecordStore::idOf(text), id);
        else
            QVERIFY_THROWS_EXCEPTION(Error, RecordStore::idOf(text));
    }
    void stateFollowsOpenAndClose();
    void executeRunsExactlyOneStatement();
    void executeReturnsChangedRows();
    void nulIsRefused();

    void contactNamesJoinAndOrder();
    void valueListsFollowTheirStatements();
    void duplicateValuesAreRefusedByName();
    void firstAndLastFollowInsertionOrder();
    void countsRows();
    void plusJoinsTextAndAddsNumbers();
    void namesAndComparisonsIgnoreCase();
    void orderingIgnoresCaseBeyondAscii();
    void openAndClosedViewsSplitEveryIssue();
    void viewsCarryContactNames();
    void issueEditorStatements();
    void contactEditorStatements();
    void cascadesDeleteDependentIssues();
    void reportOrderings();

    void datesRoundTripInEveryLocale_data();
    void datesRoundTripInEveryLocale();
    void nonDateIsRefusedAndNothingWritten();
    void recordsetReportsMissingColumnAndRow();
    void viewRedefinedBeforeTheFirstRowKeepsValuesUnderTheirNames();

private:
    TestDatabase *m_db = nullptr;
    Connection m_connection;
};

void TestConnection::init()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    m_db = new TestDatabase;
    m_db->open(m_connection);
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('Orrin','Pellham')"));
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('Tobiah','Quarles')"));
}

void TestConnection::cleanup()
{
    m_connection.Close();
    delete m_db;
    m_db = nullptr;
}

void TestConnection::openRefusesWhatIsNotOurs_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("reason");
    QTest::newRow("zero bytes") << QByteArray() << "empty";
    QTest::newRow("random bytes") << QByteArray("\x13\x37 not a database at all, just noise \xff\xfe", 40)
                                  << "not a Marrowdesk";
    QByteArray access(64, '\0');
    access.replace(4, 15, "Standard Jet DB");
    QTest::newRow("access file") << access << "Access";
    QTest::newRow("missing") << QByteArray("<missing>") << "does not exist";
}

void TestConnection::openRefusesWhatIsNotOurs()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, reason);
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("dbData.mdb"));
    const bool missing = content == "<missing>";
    if (!missing) {
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    Connection connection;
    const QString description =
        expectFailure([&] { connection.Open(ConnectionText::dataSource(path) + QStringLiteral(";")); });
    QVERIFY2(description.contains(reason), qPrintable(description));
    QVERIFY2(description.contains(path), qPrintable(description));
    QCOMPARE(connection.State(), 0);
    if (missing) {
        QVERIFY(!QFile::exists(path)); // never creates a database
    } else {
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), content); // left untouched
    }
}

void TestConnection::stateFollowsOpenAndClose()
{
    QCOMPARE(m_connection.State(), 1);
    m_connection.Close();
    QCOMPARE(m_connection.State(), 0);
    QVERIFY(!expectFailure([&] { m_connection.Execute(QStringLiteral("delete from Issues")); }).isEmpty());

    // An SQLite file of someone else's is not a Marrowdesk database.
    QTemporaryDir folder;
    const QString other = folder.filePath(QStringLiteral("other.db"));
    sqlite3_close(SqliteFile::openRaw(other, true));
    Connection scratch;
    QVERIFY(expectFailure([&] {
                scratch.Open(ConnectionText::dataSource(other));
            }).contains(QLatin1String("not a Marrowdesk")));
}

void TestConnection::executeRunsExactlyOneStatement()
{
    const QString description = expectFailure([&] {
        m_connection.Execute(QStringLiteral("insert into [Status] values ('A'); insert into [Status] values ('B')"));
    });
    QVERIFY2(description.contains(QLatin1String("more than one statement")), qPrintable(description));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT Count(Status.Status) AS [CountID] From Status"),
                    QStringLiteral("CountID")),
             QStringLiteral("0"));
    // A trailing semicolon or comment is still one statement.
    m_connection.Execute(QStringLiteral("insert into [Status] values ('A');  -- done"));
    // Apostrophes doubled inside a value keep a hostile text inside its literal.
    m_connection.Execute(QStringLiteral("insert into [Status] values ('''); drop table Issues; --')"));
    QCOMPARE(column(m_connection, QStringLiteral("select * from Status order by Status"), QStringLiteral("Status")),
             QStringList({QStringLiteral("'); drop table Issues; --"), QStringLiteral("A")}));
}

void TestConnection::executeReturnsChangedRows()
{
    m_connection.Execute(issueInsert(QStringLiteral("one"), QStringLiteral("Open")));
    m_connection.Execute(issueInsert(QStringLiteral("two"), QStringLiteral("Open")));
    QCOMPARE(m_connection.Execute(QStringLiteral("update Issues set Status='Done' where ID=1")), 1);
    QCOMPARE(m_connection.Execute(QStringLiteral("update Issues set Status='Done' where ID=99")), 0);
    QCOMPARE(m_connection.Execute(QStringLiteral("delete from Issues")), 2);
}

void TestConnection::nulIsRefused()
{
    QString title = QStringLiteral("before");
    title += QChar(0);
    title += QStringLiteral("after");
    const QString description =
        expectFailure([&] { m_connection.Execute(issueInsert(title, QStringLiteral("Open"))); });
    QVERIFY2(description.contains(QLatin1String("NUL")), qPrintable(description));
    QCOMPARE(single(m_connection, QStringLiteral("select Count(ID) as n from Issues"), QStringLiteral("n")),
             QStringLiteral("0"));
}

void TestConnection::contactNamesJoinAndOrder()
{
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('abe','Zed')"));
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Nolast')"));
    const QString query = QStringLiteral("select ID,[First Name]+' '+[Last Name] as ContactName from Contacts order by "
                                         "[First Name]+' '+[Last Name]");
    // A missing last name makes the whole name missing; missing sorts first.
    QCOMPARE(column(m_connection, query, QStringLiteral("ContactName")),
             QStringList({QStringLiteral("<null>"), QStringLiteral("abe Zed"), QStringLiteral("Orrin Pellham"),
                          QStringLiteral("Tobiah Quarles")}));
    QCOMPARE(column(m_connection, query, QStringLiteral("ID")),
             QStringList({QStringLiteral("4"), QStringLiteral("3"), QStringLiteral("1"), QStringLiteral("2")}));
}

void TestConnection::valueListsFollowTheirStatements()
{
    const QList<QPair<QString, QString>> lists = {{QStringLiteral("Status"), QStringLiteral("Status")},
                                                  {QStringLiteral("Categories"), QStringLiteral("Category")},
                                                  {QStringLiteral("Priorities"), QStringLiteral("Priority")}};
    for (const auto &[table, name] : lists) {
        m_connection.Execute(QStringLiteral("insert into [%1] values ('zeta')").arg(table));
        m_connection.Execute(QStringLiteral("insert into [%1] values ('Baker''s')").arg(table));
        m_connection.Execute(QStringLiteral("insert into [%1] values ('   ')").arg(table));
        QCOMPARE(column(m_connection, QStringLiteral("select * from %1 order by %2").arg(table, name), name),
                 QStringList({QStringLiteral("   "), QStringLiteral("Baker's"), QStringLiteral("zeta")}));
        QCOMPARE(m_connection.Execute(QStringLiteral("delete from [%1] where %2='Baker''s'").arg(table, name)), 1);
    }
}

void TestConnection::duplicateValuesAreRefusedByName()
{
    m_connection.Execute(QStringLiteral("insert into [Categories] values ('Hardware')"));
    const QString description =
        expectFailure([&] { m_connection.Execute(QStringLiteral("insert into [Categories] values ('HARDWARE')")); });
    QVERIFY2(description.contains(QLatin1String("\"HARDWARE\"")) && description.contains(QLatin1String("category")),
             qPrintable(description));
    m_connection.Execute(QStringLiteral("insert into [Status] values ('Ärger')"));
    QVERIFY(!expectFailure([&] {
                 m_connection.Execute(QStringLiteral("insert into [Status] values ('äRGER')"));
             }).isEmpty());
    QCOMPARE(single(m_connection, QStringLiteral("select Count(Category) as n from Categories"), QStringLiteral("n")),
             QStringLiteral("1"));
}

void TestConnection::firstAndLastFollowInsertionOrder()
{
    // Insertion order differs from alphabetical order, and an index offers the
    // alphabetical order to any scan that wants it.
    m_connection.Execute(QStringLiteral("create index StatusByName on Status (Status)"));
    for (const char *value : {"Middle", "Zulu", "Alpha"})
        m_connection.Execute(QStringLiteral("insert into [Status] values ('%1')").arg(QLatin1String(value)));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT First(Status.Status) AS [MaxID] FROM Status"),
                    QStringLiteral("MaxID")),
             QStringLiteral("Middle"));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT Last(Status.Status) AS [MaxID] FROM Status"),
                    QStringLiteral("MaxID")),
             QStringLiteral("Alpha"));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT First(Contacts.ID) AS [MaxID] FROM Contacts"),
                    QStringLiteral("MaxID")),
             QStringLiteral("1"));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT Last(Contacts.ID) AS [MaxID] FROM Contacts"),
                    QStringLiteral("MaxID")),
             QStringLiteral("2"));
    // An empty table yields one row whose value is missing.
    QCOMPARE(single(m_connection, QStringLiteral("SELECT First(Priorities.Priority) AS [MaxID] FROM Priorities"),
                    QStringLiteral("MaxID")),
             QStringLiteral("<null>"));
}

void TestConnection::countsRows()
{
    QCOMPARE(single(m_connection, QStringLiteral("SELECT Count(Contacts.ID) AS [CountID] From Contacts"),
                    QStringLiteral("CountID")),
             QStringLiteral("2"));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT Count(Categories.Category) AS [CountID] From Categories"),
                    QStringLiteral("CountID")),
             QStringLiteral("0"));
}

void TestConnection::plusJoinsTextAndAddsNumbers()
{
    Recordset rs;
    rs.Open(QStringLiteral("select 'a'+'b' as t, 'a'+null as n, 2+3 as s, 1.5+1 as r, 10-2+1 as m"), m_connection);
    QCOMPARE(rs.Fields(QStringLiteral("t")).toText(), QStringLiteral("ab"));
    QVERIFY(rs.Fields(QStringLiteral("n")).isNull());
    QCOMPARE(rs.Fields(QStringLiteral("s")).toInteger(), 5);
    QCOMPARE(rs.Fields(QStringLiteral("r")).toText(), QStringLiteral("2.5"));
    QCOMPARE(rs.Fields(QStringLiteral("m")).toInteger(), 9);
}

void TestConnection::namesAndComparisonsIgnoreCase()
{
    m_connection.Execute(issueInsert(QStringLiteral("Paper jam"), QStringLiteral("In Process")));
    QCOMPARE(single(m_connection, QStringLiteral("SELECT title FROM issues WHERE STATUS='in process'"),
                    QStringLiteral("TITLE")),
             QStringLiteral("Paper jam"));
    Recordset rs;
    rs.Open(QStringLiteral("select * from [open issues]"), m_connection);
    QCOMPARE(rs.Fields(QStringLiteral("comment")).toText(), QString());
    QCOMPARE(rs.Fields(QStringLiteral("COMMENT")).toText(), QString());
    QCOMPARE(rs.Fields(QStringLiteral("assigned to name")).toText(), QStringLiteral("Orrin Pellham"));
}

void TestConnection::orderingIgnoresCaseBeyondAscii()
{
    for (const char *title : {"zebra", "Éclair", "apple", "éclat", "Apricot", "ÉCLA"})
        m_connection.Execute(issueInsert(QString::fromUtf8(title), QStringLiteral("Open")));
    const QStringList ordered =
        column(m_connection, QStringLiteral("select * from [Open Issues] order by Title"), QStringLiteral("Title"));
    QCOMPARE(ordered, QStringList({QStringLiteral("apple"), QStringLiteral("Apricot"), QStringLiteral("ÉCLA"),
                                   QStringLiteral("Éclair"), QStringLiteral("éclat"), QStringLiteral("zebra")}));
    QCOMPARE(single(m_connection, QStringLiteral("select Count(ID) as n from Issues where Title='ÉCLAIR'"),
                    QStringLiteral("n")),
             QStringLiteral("1"));
}

void TestConnection::openAndClosedViewsSplitEveryIssue()
{
    const QStringList statuses = {QStringLiteral("Closed"),       QStringLiteral("  closed "), QStringLiteral("CLOSED"),
                                  QStringLiteral("Closed later"), QStringLiteral("Open"),      QStringLiteral("")};
    for (const QString &status : statuses)
        m_connection.Execute(issueInsert(status.isEmpty() ? QStringLiteral("blank") : status, status));
    m_connection.Execute(QStringLiteral("insert into Issues (Title) values ('no status')"));
    QCOMPARE(column(m_connection, QStringLiteral("select * from [Closed Issues] order by ID"), QStringLiteral("ID")),
             QStringList({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")}));
    QCOMPARE(column(m_connection, QStringLiteral("select * from [Open Issues] order by ID"), QStringLiteral("ID")),
             QStringList({QStringLiteral("4"), QStringLiteral("5"), QStringLiteral("6"), QStringLiteral("7")}));
}

void TestConnection::viewsCarryContactNames()
{
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Solo')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],Status) values ('x',3,2,'Open')"));
    Recordset rs;
    rs.Open(QStringLiteral("select * from [Open Issues] where ID=1"), m_connection);
    QVERIFY(rs.Fields(QStringLiteral("Assigned To Name")).isNull());
    QCOMPARE(rs.Fields(QStringLiteral("Opened By Name")).toText(), QStringLiteral("Tobiah Quarles"));
    QCOMPARE(rs.fieldCount(), 12);
    QVERIFY(rs.Fields(QStringLiteral("Due Date")).isNull());
}

void TestConnection::issueEditorStatements()
{
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened "
                       "Date],Status,Category,Priority,Comment,[Due Date]) "
                       "values ('Paper jam',1,2,'8/31/2021','Open','Hardware','High','','8/31/2021')"));
    QCOMPARE(
        m_connection.Execute(QStringLiteral(
            "update Issues set Title='It''s jammed',[Assigned To]=2,[Opened By]=1,[Opened Date]='9/1/2021',"
            "Status='Open',Category='Hardware',Priority='Low',Comment='line one\r\nline two',[Due Date]='9/30/2021' "
            "where ID=1")),
        1);
    Recordset rs;
    rs.Open(QStringLiteral("select * from [Open Issues] where ID=1"), m_connection);
    QCOMPARE(rs.Fields(QStringLiteral("Title")).toText(), QStringLiteral("It's jammed"));
    QCOMPARE(rs.Fields(QStringLiteral("Assigned To Name")).toText(), QStringLiteral("Tobiah Quarles"));
    QCOMPARE(rs.Fields(QStringLiteral("Opened Date")).toDate(), QDate(2021, 9, 1));
    QCOMPARE(rs.Fields(QStringLiteral("Due Date")).toText(), QStringLiteral("9/30/2021"));
    QCOMPARE(rs.Fields(QStringLiteral("comment")).toText(), QStringLiteral("line one\r\nline two"));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Open Issues] where [Opened By]=1"), QStringLiteral("ID")),
        QStringList({QStringLiteral("1")}));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Open Issues] where [Assigned To]=1"), QStringLiteral("ID")),
        QStringList());
}

void TestConnection::contactEditorStatements()
{
    m_connection.Execute(QStringLiteral(
        "insert into Contacts ([First Name],[Last Name],[E-mail Address],Company,[Job Title],[Business Phone],"
        "[Home Phone],[Mobile Phone],[Fax Number],Address,City,State,ZIP,Country,[Web Page],Notes) values "
        "('Ada','Byron',"
        "'ada@example.org','Baker''s Supply','Analyst','1','2','3','4','12 Road','London','','N1','UK','','notes')"));
    QCOMPARE(m_connection.Execute(QStringLiteral("update Contacts set [First Name]='Augusta',Notes='new' where ID=3")),
             1);
    Recordset rs;
    rs.Open(QStringLiteral("select * from Contacts where ID=3"), m_connection);
    QCOMPARE(rs.Fields(QStringLiteral("first name")).toText(), QStringLiteral("Augusta"));
    QCOMPARE(rs.Fields(QStringLiteral("Company")).toText(), QStringLiteral("Baker's Supply"));
    QCOMPARE(rs.Fields(QStringLiteral("state")).toText(), QString());
    QCOMPARE(rs.fieldCount(), 18); // the sixteen boxes, the ID and the version
}

void TestConnection::cascadesDeleteDependentIssues()
{
    m_connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('C','Three')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],Status) values ('a',1,2,'Open')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],Status) values ('b',2,1,'Closed')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],Status) values ('c',3,3,'Open')"));
    m_connection.Execute(QStringLiteral("delete from Contacts where ID=1"));
    QCOMPARE(m_connection.Execute(QStringLiteral("delete from Issues where [Assigned To]=1 Or [Opened By] = 1")), 2);
    QCOMPARE(m_connection.Execute(QStringLiteral("delete from Issues where Status='open'")), 1);
    QCOMPARE(m_connection.Execute(QStringLiteral("delete from Issues where ID=3")), 0);
}

void TestConnection::reportOrderings()
{
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],Status,Category) values ('b',2,'s2','k1')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],Status,Category) values ('a',1,'s1','k2')"));
    m_connection.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],Status,Category) values ('c',1,'Closed','k0')"));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Open Issues] order by Title"), QStringLiteral("Title")),
        QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Open Issues] order by Category"), QStringLiteral("Title")),
        QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Open Issues] order by Status"), QStringLiteral("Title")),
        QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(column(m_connection, QStringLiteral("select * from [Open Issues] order by [Assigned To Name]"),
                    QStringLiteral("Title")),
             QStringList({QStringLiteral("a"), QStringLiteral("b")}));
    QCOMPARE(
        column(m_connection, QStringLiteral("select * from [Closed Issues] order by Title"), QStringLiteral("Title")),
        QStringList({QStringLiteral("c")}));
}

void TestConnection::datesRoundTripInEveryLocale_data()
{
    QTest::addColumn<QString>("writer");
    QTest::addColumn<QString>("reader");
    const QStringList locales = {QStringLiteral("en_US"), QStringLiteral("en_GB"), QStringLiteral("de_DE"),
                                 QStringLiteral("ja_JP"), QStringLiteral("C")};
    for (const QString &writer : locales)
        QTest::newRow(qPrintable(writer))
            << writer << (writer == QLatin1String("de_DE") ? QStringLiteral("en_US") : QStringLiteral("de_DE"));
}

void TestConnection::datesRoundTripInEveryLocale()
{
    QFETCH(QString, writer);
    QFETCH(QString, reader);
    const QDate opened(2021, 8, 31);
    const QDate due(2030, 1, 2);
    QLocale::setDefault(QLocale(writer));
    const QString openedText = DateText::toText(opened);
    QVERIFY2(openedText.contains(QLatin1String("2021")), qPrintable(openedText)); // the year keeps its century
    m_connection.Execute(QStringLiteral("insert into Issues (Title,[Opened Date],[Due Date]) values ('d','%1','%2')")
                             .arg(openedText, DateText::toText(due)));
    Recordset rs;
    rs.Open(QStringLiteral("select * from [Open Issues]"), m_connection);
    QCOMPARE(rs.Fields(QStringLiteral("Opened Date")).toDate(), opened);
    QCOMPARE(rs.Fields(QStringLiteral("Opened Date")).toText(), openedText);
    QCOMPARE(rs.Fields(QStringLiteral("Due Date")).toDate(), due);
    // The file holds ISO text, so another locale reads the same dates.
    QLocale::setDefault(QLocale(reader));
    QCOMPARE(rs.Fields(QStringLiteral("Opened Date")).toText(), DateText::toText(opened));
    QCOMPARE(single(m_connection, QStringLiteral("select cast([Opened Date] as text) as raw from Issues"),
                    QStringLiteral("raw")),
             QStringLiteral("2021-08-31"));
}

void TestConnection::nonDateIsRefusedAndNothingWritten()
{
    m_connection.Execute(issueInsert(QStringLiteral("keep"), QStringLiteral("Open"), QStringLiteral("8/31/2021")));
    for (const QString &bad : {QStringLiteral("someday"), QStringLiteral("13/45/2021"), QStringLiteral("")}) {
        const QString description = expectFailure(
            [&] { m_connection.Execute(issueInsert(QStringLiteral("new"), QStringLiteral("Open"), bad)); });
        QVERIFY2(description.contains(QLatin1String("is not a date")), qPrintable(description));
        QVERIFY(!expectFailure([&] {
                     m_connection.Execute(QStringLiteral("update Issues set [Due Date]='%1' where ID=1").arg(bad));
                 }).isEmpty());
    }
    QCOMPARE(column(m_connection, QStringLiteral("select * from Issues"), QStringLiteral("Title")),
             QStringList({QStringLiteral("keep")}));
    QCOMPARE(single(m_connection, QStringLiteral("select * from Issues"), QStringLiteral("Due Date")),
             QStringLiteral("8/31/2021"));
}

void TestConnection::recordsetReportsMissingColumnAndRow()
{
    Recordset rs;
    rs.Open(QStringLiteral("select * from [Open Issues]"), m_connection);
    QVERIFY(rs.Eof());
    QVERIFY(!expectFailure([&] { rs.Fields(QStringLiteral("Title")); }).isEmpty());
    rs.Open(QStringLiteral("select * from Contacts"), m_connection);
    QVERIFY(!rs.Eof());
    QVERIFY(expectFailure([&] { rs.Fields(QStringLiteral("Nickname")); }).contains(QLatin1String("Nickname")));
    QVERIFY(!expectFailure([&] { rs.Open(QStringLiteral("select * from Nowhere"), m_connection); }).isEmpty());
    QCOMPARE(rs.State(), 0);
}

// Another program redefines a view after the query was prepared and before
// its first row: every value stands under the name the view now gives it.
void TestConnection::viewRedefinedBeforeTheFirstRowKeepsValuesUnderTheirNames()
{
    sqlite3 *mine = m_connection.handle();
    sqlite3_exec(mine, "create view Shown as select 1 as Alpha, 2 as Beta", nullptr, nullptr, nullptr);
    Recordset rs;
    rs.Open(QStringLiteral("select * from Shown"), m_connection); // the old definition, now known here
    // The other program redefines the view, and commits once this connection waits for it.
    sqlite3 *other = SqliteFile::openRaw(m_db->path(), false);
    sqlite3_exec(other, "begin exclusive; drop view Shown; create view Shown as select 'b' as Beta, 'g' as Gamma",
                 nullptr, nullptr, nullptr);
    const auto commitOther = [](void *db, int) {
        return int(sqlite3_exec(static_cast<sqlite3 *>(db), "commit", nullptr, nullptr, nullptr) == SQLITE_OK);
    };
    sqlite3_busy_handler(mine, commitOther, other);
    rs.Open(QStringLiteral("select * from Shown"), m_connection);
    sqlite3_busy_timeout(mine, 5000);
    sqlite3_close(other);
    QCOMPARE(QStringList({rs.fieldName(0), rs.field(0).toText(), rs.fieldName(1), rs.field(1).toText()}),
             QStringList({"Beta", "b", "Gamma", "g"}));
}

QTEST_APPLESS_MAIN(TestConnection)
#include "tst_connection.moc"
