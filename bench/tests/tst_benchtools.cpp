// The benchmark's tools: its options, its medians and time budget, the data
// it generates, and its floors, which must do the same work as the program
// on the same data or the ratios mean nothing.

#include "BenchData.h"
#include "BenchSetup.h"
#include "Floors.h"
#include "Harness.h"
#include "ReportTestSupport.h"

#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "reports/engine/Layouts.h"
#include "reports/engine/Paginator.h"
#include "reports/engine/ReportPainter.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QCryptographicHash>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

// One value of a one-row query.
Value single(Connection &connection, const QString &query)
{
    Recordset result;
    result.Open(query, connection);
    const Value value = result.field(0);
    result.Close();
    return value;
}

QByteArray issuesDigest(const QString &database)
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(database));
    Recordset result;
    result.Open(QStringLiteral("select * from Issues order by ID"), connection);
    QCryptographicHash hash(QCryptographicHash::Sha256);
    for (; !result.Eof(); result.MoveNext())
        for (int c = 0; c < result.fieldCount(); ++c)
            hash.addData(result.field(c).toTextOrEmpty().toUtf8() + '\x1f');
    return hash.result();
}

QStringList idsOf(const std::vector<Floor::SortRow> &rows)
{
    QStringList ids;
    for (const Floor::SortRow &row : rows)
        ids.append(row.cells[0]);
    return ids;
}

} // namespace

class TestBenchTools : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void readsOptions_data();
    void readsOptions();
    void takesMedians_data();
    void takesMedians();
    void keepsToTheBudget_data();
    void keepsToTheBudget();
    void pairKeepsMediansAndFastestRuns();
    void generatesRealisticData();
    void floorReadsWhatTheListShows();
    void floorSortsLikeTheList_data();
    void floorSortsLikeTheList();
    void floorDrawsWhatTheEngineDraws_data();
    void floorDrawsWhatTheEngineDraws();

private:
    QTemporaryDir m_folder;
    QString m_database;
};

void TestBenchTools::initTestCase()
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    installTemplateBesideProgram();
    QVERIFY(m_folder.isValid());
    m_database = BenchData::database(m_folder.path(), 1500);
}

void TestBenchTools::cleanup()
{
    releaseSharedConnection();
}

void TestBenchTools::readsOptions_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QList<int>>("sizes");
    QTest::addColumn<bool>("quick");
    QTest::addColumn<QStringList>("cases");
    QTest::addColumn<bool>("fails");
    const QList<int> all{1000, 10000, 100000};
    QTest::newRow("none") << QStringList{} << all << false << QStringList{} << false;
    QTest::newRow("sizes") << QStringList{"--sizes", "1000,10000"} << QList<int>{1000, 10000} << false << QStringList{}
                           << false;
    QTest::newRow("sizes with =, sorted, once each")
        << QStringList{"--sizes=10000, 500,500"} << QList<int>{500, 10000} << false << QStringList{} << false;
    QTest::newRow("quick and cases") << QStringList{"--quick", "--cases", "list,memory"} << all << true
                                     << QStringList{"list", "memory"} << false;
    QTest::newRow("sizes without a value") << QStringList{"--sizes"} << all << false << QStringList{} << true;
    QTest::newRow("a size that is no number") << QStringList{"--sizes", "1e4"} << all << false << QStringList{} << true;
    QTest::newRow("a size of nothing") << QStringList{"--sizes", "1000,"} << all << false << QStringList{} << true;
    QTest::newRow("a size of zero") << QStringList{"--sizes", "0"} << all << false << QStringList{} << true;
    QTest::newRow("an unknown group") << QStringList{"--cases", "lists"} << all << false << QStringList{} << true;
    QTest::newRow("an unknown option") << QStringList{"--fast"} << all << false << QStringList{} << true;
    QTest::newRow("kept databases") << QStringList{"--data", "kept", "--make-only"} << all << false << QStringList{}
                                    << false;
    QTest::newRow("made but kept nowhere") << QStringList{"--make-only"} << all << false << QStringList{} << true;
}

void TestBenchTools::readsOptions()
{
    QFETCH(QStringList, arguments);
    QFETCH(QList<int>, sizes);
    QFETCH(bool, quick);
    QFETCH(QStringList, cases);
    QFETCH(bool, fails);
    const Bench::Options options = Bench::parseOptions(arguments);
    QCOMPARE(!options.error.isEmpty(), fails);
    if (fails)
        return;
    QCOMPARE(options.sizes, sizes);
    QCOMPARE(options.quick, quick);
    QCOMPARE(options.cases, cases);
    for (const QString &group : Bench::caseGroups())
        QCOMPARE(Bench::wants(options, group), cases.isEmpty() || cases.contains(group));
}

void TestBenchTools::takesMedians_data()
{
    QTest::addColumn<QList<double>>("values");
    QTest::addColumn<double>("median");
    QTest::newRow("none") << QList<double>{} << 0.0;
    QTest::newRow("one") << QList<double>{5} << 5.0;
    QTest::newRow("odd, unsorted") << QList<double>{3, 9, 1} << 3.0;
    QTest::newRow("even: the middle two") << QList<double>{4, 1, 3, 2} << 2.5;
    QTest::newRow("an outlier does not move it") << QList<double>{10, 11, 1000, 12, 10.5} << 11.0;
}

void TestBenchTools::takesMedians()
{
    QFETCH(QList<double>, values);
    QFETCH(double, median);
    QCOMPARE(Harness::median(std::vector<double>(values.begin(), values.end())), median);
}

void TestBenchTools::keepsToTheBudget_data()
{
    // Each run says it took a fixed time; nothing waits.
    QTest::addColumn<double>("runMs");
    QTest::addColumn<int>("wanted");
    QTest::addColumn<double>("budgetMs");
    QTest::addColumn<int>("calls");
    QTest::addColumn<int>("runs");
    QTest::newRow("cheap: a warm-up, then every run") << 1.0 << 3 << 100.0 << 4 << 3;
    QTest::newRow("no room for a warm-up: the first counts") << 15.0 << 3 << 100.0 << 3 << 3;
    QTest::newRow("room for two runs") << 20.0 << 5 << 100.0 << 2 << 2;
    QTest::newRow("dearer than the budget: one run") << 80.0 << 3 << 100.0 << 1 << 1;
}

void TestBenchTools::keepsToTheBudget()
{
    QFETCH(double, runMs);
    QFETCH(int, wanted);
    QFETCH(double, budgetMs);
    QFETCH(int, calls);
    QFETCH(int, runs);
    int oursCalls = 0;
    int floorCalls = 0;
    const Harness::Pair pair = Harness::medianPairWithin(
        [&] {
            ++oursCalls;
            return runMs * 1.5;
        },
        [&] {
            ++floorCalls;
            return runMs * 0.5;
        },
        wanted, budgetMs);
    QCOMPARE(oursCalls, calls);
    QCOMPARE(floorCalls, calls);
    QCOMPARE(pair.runs, runs);
    QCOMPARE(pair.oursMs, runMs * 1.5);
    QCOMPARE(pair.floorMs, runMs * 0.5);
}

void TestBenchTools::pairKeepsMediansAndFastestRuns()
{
    // The warm-up's figure (first) is dropped; growth reads the fastest run.
    const std::vector<double> oursTimes = {100, 5, 1, 9};
    const std::vector<double> floorTimes = {100, 4, 6, 2};
    size_t oursCall = 0;
    size_t floorCall = 0;
    const Harness::Pair pair =
        Harness::medianPair([&] { return oursTimes.at(oursCall++); }, [&] { return floorTimes.at(floorCall++); }, 3);
    QCOMPARE(pair.runs, 3);
    QCOMPARE(pair.oursMs, 5.0);
    QCOMPARE(pair.oursFastestMs, 1.0);
    QCOMPARE(pair.floorMs, 4.0);
    QCOMPARE(pair.floorFastestMs, 2.0);
}

void TestBenchTools::generatesRealisticData()
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(m_database));
    const auto number = [&](const char *query) { return single(connection, QLatin1String(query)).toInteger(); };
    QCOMPARE(number("select count(*) from Issues"), 1500);
    QCOMPARE(number("select count(*) from Contacts"), 200);
    QCOMPARE(number("select count(*) from Status"), 10);
    QCOMPARE(number("select count(*) from Categories"), 8);
    QCOMPARE(number("select count(*) from Priorities"), 4);
    const qint64 closed = number("select count(*) from [Closed Issues]");
    QVERIFY2(closed > 1500 * 7 / 100 && closed < 1500 * 13 / 100, qPrintable(QString::number(closed)));
    QCOMPARE(number("select min(length(Title)) from Issues"), 20);
    QCOMPARE(number("select max(length(Title)) from Issues"), 80);
    QVERIFY(number("select max(length(Comment)) from Issues") <= 2000);
    QVERIFY(number("select max(length(Comment)) from Issues") > 1900);
    QVERIFY(number("select count(*) from Issues where Comment = '' or Comment is null") > 0);
    QVERIFY(number("select count(*) from Issues where instr(Comment, char(13) || char(10)) > 0") > 100);
    QVERIFY(number("select count(*) from Issues where [Due Date] is null") > 0);
    // Every issue's contacts exist, so the views name them.
    QCOMPARE(number("select count(*) from [Open Issues] where [Assigned To Name] is null or [Opened By Name] is null"),
             0);
    const QDate first = single(connection, QStringLiteral("select min([Opened Date]) from Issues")).toDate();
    const QDate last = single(connection, QStringLiteral("select max([Opened Date]) from Issues")).toDate();
    QVERIFY2(first >= QDate(2021, 1, 1) && last < QDate(2026, 1, 1) && first.daysTo(last) > 4 * 365,
             qPrintable(first.toString(Qt::ISODate) + QLatin1Char(' ') + last.toString(Qt::ISODate)));
    connection.Close();

    // A fixed seed: the same data in another folder.
    QTemporaryDir other;
    QCOMPARE(issuesDigest(BenchData::database(other.path(), 1500)), issuesDigest(m_database));
}

void TestBenchTools::floorReadsWhatTheListShows()
{
    ScriptedDialogs dialogs;
    Bench::useDataHome(m_folder.path() + QStringLiteral("/home"), m_database);
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    QCOMPARE(dialogs.boxes.size(), 0);
    const IssueListModel &model = *form->listModel();
    const std::vector<Floor::ListRow> rows = Floor::readOpenIssues(sharedConnection().handle());
    QVERIFY(rows.size() > 1000);
    QCOMPARE(static_cast<size_t>(model.rowCount()), rows.size());
    for (int row = 0; row < model.rowCount(); ++row) {
        const Floor::ListRow &floor = rows[static_cast<size_t>(row)];
        for (int column = 0; column < IssueListModel::maxColumns; ++column) {
            QString expected = floor[static_cast<size_t>(column)];
            if (IssueListModel::kindOf(column) == IssueListModel::Kind::Date && !expected.isEmpty())
                expected = DateText::toText(QDate::fromString(expected, Qt::ISODate));
            if (model.cell(row, column) != expected)
                QFAIL(qPrintable(QStringLiteral("row %1, column %2: \"%3\" against the floor's \"%4\"")
                                     .arg(row)
                                     .arg(column)
                                     .arg(model.cell(row, column), expected)));
        }
    }
}

void TestBenchTools::floorSortsLikeTheList_data()
{
    QTest::addColumn<int>("column");
    QTest::newRow("title") << 1;
    QTest::newRow("opened date") << 4;
}

void TestBenchTools::floorSortsLikeTheList()
{
    QFETCH(int, column);
    ScriptedDialogs dialogs;
    Bench::useDataHome(m_folder.path() + QStringLiteral("/home"), m_database);
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    std::vector<Floor::SortRow> rows = Floor::sortRows(Floor::readOpenIssues(sharedConnection().handle()));
    form->sortByColumn(column);
    if (column == 4)
        Floor::sortByOpenedDate(rows);
    else
        Floor::sortByText(rows, column);
    QStringList shown;
    for (int row = 0; row < form->listModel()->rowCount(); ++row)
        shown.append(form->listModel()->cell(row, 0));
    // Many issues share a date: equal rows must keep the same order on both sides.
    QCOMPARE(shown, idsOf(rows));
}

void TestBenchTools::floorDrawsWhatTheEngineDraws_data()
{
    QTest::addColumn<int>("report");
    QTest::newRow("Open Issues") << 0;
    QTest::newRow("Issue Details") << 1;
}

void TestBenchTools::floorDrawsWhatTheEngineDraws()
{
    QFETCH(int, report);
    const ReportLayout layout = report == 0 ? rptOpenIssues() : rptIssueDetails();
    Connection connection;
    connection.Open(ConnectionText::dataSource(m_database));
    Recordset result;
    result.Open(QStringLiteral("select * from [Open Issues] where ID <= 60 order by Title"), connection);
    const ReportData rows = ReportData::fromRecordset(result, layout.columns());
    QtTextMeasurer measurer;
    const ReportPages pages = paginate(layout, rows, ReportPaper::forLocale(layout.orientation), measurer);
    const QString engine = m_folder.filePath(QStringLiteral("engine.pdf"));
    const QString floor = m_folder.filePath(QStringLiteral("floor.pdf"));
    QVERIFY(ReportPainter::writePdfFile(engine, pages, layout.caption));
    QVERIFY(Floor::writePdf(Floor::drawingOf(pages), floor));
    const QString engineText = pdfText(engine);
    QVERIFY(engineText.count(QLatin1Char('\f')) >= (report == 0 ? 2 : 15));
    QCOMPARE(pdfText(floor), engineText);
}

QTEST_MAIN(TestBenchTools)
#include "tst_benchtools.moc"
