// "Load Sample/Example Data" on a fresh database as the shared connection:
// what a run adds to empty, half-filled and full tables, which rows the
// issues refer to, and what a failing run reports and leaves out.

#include "app/SampleData.h"
#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QTest>

#include <sqlite3.h>

namespace {

// Every row of a query, its columns joined by "|".
QStringList rows(const QString &sql)
{
    QStringList result;
    Recordset rs;
    for (rs.Open(sql, sharedConnection()); !rs.Eof(); rs.MoveNext()) {
        QStringList cells;
        for (int i = 0; i < rs.fieldCount(); ++i)
            cells << rs.field(i).toTextOrEmpty();
        result << cells.join(QLatin1Char('|'));
    }
    return result;
}

const QString contents = QStringLiteral(
    "select (select group_concat([First Name] || ' ' || [Last Name] || ' ' || [E-mail Address], ',') from Contacts), "
    "(select group_concat(Status, ',') from Status), (select group_concat(Category, ',') from Categories), "
    "(select group_concat(Priority, ',') from Priorities)");
const QString issues = QStringLiteral("select Title, [Assigned To Name], [Opened By Name], Status, Category, Priority, "
                                      "Comment, [Opened Date], [Due Date] from [Open Issues] order by ID");
const QString orrin = QStringLiteral("Orrin Pellham orrin.pellham@acme.example");
const QString tobiah = QStringLiteral("Tobiah Quarles tobiah.quarles@acme.example");

} // namespace

class TestSampleData : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void runs_data()
    {
        QTest::addColumn<QStringList>("seed");
        QTest::addColumn<int>("runs");
        QTest::addColumn<QString>("tables");
        QTest::addColumn<QStringList>("issueRows"); // the first three issues, without the dates
        const QString samples = orrin + ',' + tobiah + "|In process,Cancelled|New Category,Main Category|High,Low";
        const QStringList sampleIssues{
            "Issue #1|Tobiah Quarles|Tobiah Quarles|Cancelled|Main Category|Low|Need to solve this case ASAP",
            "Issue #2|Orrin Pellham|Orrin Pellham|In process|New Category|High|Notify Orrin about this",
            "Issue #3|Orrin Pellham|Tobiah Quarles|Cancelled|New Category|Low|Comment here"};
        QTest::newRow("empty database") << QStringList() << 1 << samples << sampleIssues;
        QTest::newRow("second run adds only issues") << QStringList() << 2 << samples << sampleIssues;
        QTest::newRow("one contact")
            << QStringList{"insert into Contacts ([First Name],[Last Name],[E-mail Address]) "
                           "values ('Ada','Byron','a')"}
            << 1 << "Ada Byron a," + orrin + "|In process,Cancelled|New Category,Main Category|High,Low"
            << QStringList{"Issue #1|Orrin Pellham|Orrin Pellham|Cancelled|Main Category|Low|"
                           "Need to solve this case ASAP",
                           "Issue #2|Ada Byron|Ada Byron|In process|New Category|High|Notify Orrin about this",
                           "Issue #3|Ada Byron|Orrin Pellham|Cancelled|New Category|Low|Comment here"};
        QTest::newRow("one of each value, one with an apostrophe")
            << QStringList{"insert into [Status] values ('Won''t fix')", "insert into [Categories] values ('Hardware')",
                           "insert into [Priorities] values ('Urgent')"}
            << 1 << orrin + ',' + tobiah + "|Won't fix,In process|Hardware,New Category|Urgent,High"
            << QStringList{"Issue #1|Tobiah Quarles|Tobiah Quarles|In process|New Category|High|"
                           "Need to solve this case ASAP",
                           "Issue #2|Orrin Pellham|Orrin Pellham|Won't fix|Hardware|Urgent|Notify Orrin about this",
                           "Issue #3|Orrin Pellham|Tobiah Quarles|In process|Hardware|High|Comment here"};
        // First and Last follow the stored order, not the names.
        QStringList three;
        for (const char *name : {"Zed','Zulu", "Amy','Adams", "Max','Mayer"})
            three << QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address]) "
                                    "values ('%1','m')")
                         .arg(QLatin1String(name));
        QTest::newRow("three contacts")
            << three << 1
            << "Zed Zulu m,Amy Adams m,Max Mayer m|In process,Cancelled|New Category,Main Category|High,Low"
            << QStringList{"Issue #1|Max Mayer|Max Mayer|Cancelled|Main Category|Low|Need to solve this case ASAP",
                           "Issue #2|Zed Zulu|Zed Zulu|In process|New Category|High|Notify Orrin about this",
                           "Issue #3|Zed Zulu|Max Mayer|Cancelled|New Category|Low|Comment here"};
    }

    void runs()
    {
        QFETCH(QStringList, seed);
        QFETCH(int, runs);
        QFETCH(QString, tables);
        QFETCH(QStringList, issueRows);
        TestDatabase database;
        database.open(createSharedConnection());
        ScriptedDialogs dialogs;
        for (const QString &sql : seed)
            sharedConnection().Execute(sql);
        int listed = 0;
        for (int run = 0; run < runs; ++run)
            LoadSampleData([&] { ++listed; });
        QCOMPARE(listed, runs);
        QCOMPARE(dialogs.boxes.size(), 0);
        QCOMPARE(rows(contents), QStringList{tables});
        const QString today = DateText::toText(QDate::currentDate());
        QStringList expected;
        for (int run = 0; run < runs; ++run)
            for (const QString &issue : issueRows)
                expected << issue + '|' + today + '|' + today;
        QCOMPARE(rows(issues), expected);
        releaseSharedConnection();
    }

    // An issue is added only when every contact and value it refers to was
    // read; each failure is reported once, and the issues left out once.
    void unreadableValuesLeaveTheirIssuesOut_data()
    {
        QTest::addColumn<QString>("seed");
        QTest::addColumn<QString>("errorSteps");
        QTest::addColumn<QStringList>("added"); // title, contact IDs, status
        QTest::addColumn<QString>("leftOut");
        QTest::newRow("contacts refused") << "CREATE TRIGGER Hold BEFORE INSERT ON Contacts BEGIN SELECT RAISE(ABORT, "
                                             "'held'); END"
                                          << "132" << QStringList() << "Issue #1, Issue #2, Issue #3.";
        // Count skips the null, so "In process" is added last.
        QTest::newRow("first status null")
            << "insert into Status values (null); insert into Status values ('Open')"
            << "174" << QStringList{"Issue #1|2|2|In process", "Issue #3|1|2|In process"} << "Issue #2.";
    }

    void unreadableValuesLeaveTheirIssuesOut()
    {
        QFETCH(QString, seed);
        QFETCH(QString, errorSteps);
        QFETCH(QStringList, added);
        QFETCH(QString, leftOut);
        TestDatabase database;
        database.open(createSharedConnection());
        ScriptedDialogs dialogs;
        QCOMPARE(sqlite3_exec(sharedConnection().handle(), qPrintable(seed), nullptr, nullptr, nullptr), SQLITE_OK);
        LoadSampleData([] {});
        QStringList reported;
        for (const ScriptedDialogs::Box &box : dialogs.errorBoxes())
            reported << box.text.section(QStringLiteral(" at line "), 1).section(QLatin1Char('\r'), 0, 0);
        QCOMPARE(reported.join(' '), errorSteps);
        QCOMPARE(dialogs.boxes.size() - dialogs.plainMessages().size(), reported.size());
        QVERIFY(dialogs.boxes.last().text.endsWith(QStringLiteral("could not be read: ") + leftOut));
        QCOMPARE(rows(QStringLiteral("select Title, [Assigned To], [Opened By], Status from Issues")), added);
        releaseSharedConnection();
    }
};

QTEST_GUILESS_MAIN(TestSampleData)
#include "tst_sampledata.moc"
