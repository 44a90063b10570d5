// What the speed-ups must not change: stored dates read without the general
// pattern, date texts remembered per locale, result values kept in blocks,
// the list sorting by ranks and positions (with the selection following its
// row), and long reports laid out a part at a time.

#include "ReportTestSupport.h"

#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Recordset.h"
#include "data/Value.h"
#include "reports/ReportPreview.h"
#include "reports/engine/Layouts.h"
#include "reports/engine/Paginator.h"

#include <QItemSelectionModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeView>

#include <limits>

namespace {

QString describe(const std::optional<DateText::DateValue> &value)
{
    if (!value)
        return QStringLiteral("none");
    if (const QDate *date = std::get_if<QDate>(&*value))
        return date->toString(Qt::ISODate);
    return std::get<QDateTime>(*value).toString(Qt::ISODate);
}

// A list of issues: an ID and an opened date each (null for none).
IssueListModel *listOf(QObject *parent, const QList<Value> &dates)
{
    auto *model = new IssueListModel(parent);
    for (int i = 0; i < IssueListModel::maxColumns; ++i)
        model->addColumn(QStringLiteral("C%1").arg(i + 1));
    model->beginRefill();
    for (int i = 0; i < dates.size(); ++i) {
        const int row = model->appendRow(QString::number(i + 1));
        model->setCell(row, 1, QStringLiteral("Title %1").arg(dates.size() - i));
        model->setCell(row, 4, dates[i].toTextOrEmpty());
        model->setDateKey(row, 4, dates[i]);
    }
    model->endRefill();
    return model;
}

QStringList shownIds(const IssueListModel &model)
{
    QStringList ids;
    for (int row = 0; row < model.rowCount(); ++row)
        ids.append(model.cell(row, 0));
    return ids;
}

bool sameItems(const ReportPage &a, const ReportPage &b)
{
    if (a.items.size() != b.items.size())
        return false;
    for (size_t i = 0; i < a.items.size(); ++i) {
        const PageItem &x = a.items[i];
        const PageItem &y = b.items[i];
        if (x.box != y.box || x.baseline != y.baseline || x.text != y.text || x.row != y.row || x.font != y.font ||
            x.control != y.control || x.section != y.section || x.clip != y.clip)
            return false;
    }
    return true;
}

// Rows whose comments run from nothing to several pages.
ReportData commentedRows(int count)
{
    ReportData rows(issueColumns());
    for (int i = 0; i < count; ++i) {
        QString comment;
        for (int line = 0; line < (i * 7) % 23 + (i % 17 == 0 ? 90 : 0); ++line)
            comment += QStringLiteral("Line %1 of the comment of issue %2, long enough to wrap once or twice.\r\n")
                           .arg(line)
                           .arg(i);
        rows.appendRow({QString::number(i + 1), QStringLiteral("Issue %1").arg(i), QStringLiteral("Ann"),
                        QStringLiteral("High"), QStringLiteral("Open"), QStringLiteral("Bug"), QString(),
                        QStringLiteral("Bob"), QStringLiteral("8/31/2021"), comment});
    }
    return rows;
}

} // namespace

class TestSpeedups : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void readsStoredDates_data();
    void readsStoredDates();
    void writesDatesInTheLocaleInForce();
    void readsEveryValueOfALongResult_data();
    void readsEveryValueOfALongResult();
    void sortsDatesByRank_data();
    void sortsDatesByRank();
    void selectionFollowsItsRow_data();
    void selectionFollowsItsRow();
    void paginatesInParts_data();
    void paginatesInParts();
    void previewCompletesItsLayoutWhenAsked_data();
    void previewCompletesItsLayoutWhenAsked();
};

void TestSpeedups::readsStoredDates_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("read");
    QTest::newRow("date") << "2021-08-31"
                          << "2021-08-31";
    QTest::newRow("leap day") << "2024-02-29"
                              << "2024-02-29";
    QTest::newRow("no such leap day") << "2021-02-29"
                                      << "none";
    QTest::newRow("month 13") << "2021-13-01"
                              << "none";
    QTest::newRow("day 0") << "2021-08-00"
                           << "none";
    QTest::newRow("year 0") << "0000-01-01"
                            << "none";
    QTest::newRow("date and time") << "2021-08-31T14:05:09"
                                   << "2021-08-31T14:05:09";
    QTest::newRow("blank before the time") << "2021-08-31 14:05:09"
                                           << "2021-08-31T14:05:09";
    QTest::newRow("time without seconds") << "2021-08-31T14:05"
                                          << "2021-08-31T14:05:00";
    QTest::newRow("midnight is no time") << "2021-08-31T00:00:00"
                                         << "2021-08-31";
    QTest::newRow("hour 24") << "2021-08-31T24:00:00"
                             << "none";
    QTest::newRow("minute 60") << "2021-08-31T14:60"
                               << "none";
    QTest::newRow("other separators") << "2021/08/31"
                                      << "none";
    QTest::newRow("letter in the year") << "2O21-08-31"
                                        << "none";
    QTest::newRow("other digits") << QString::fromUtf8("２０２１-08-31") << "none";
    QTest::newRow("short year") << "21-08-31"
                                << "none";
    QTest::newRow("seconds cut short") << "2021-08-31T14:05:0"
                                       << "none";
    QTest::newRow("dash before the seconds") << "2021-08-31T14:05-09"
                                             << "none";
    QTest::newRow("dash before the minutes") << "2021-08-31T14-05"
                                             << "none";
    QTest::newRow("colon in the date") << "2021-08:31"
                                       << "none";
    QTest::newRow("text after it") << "2021-08-31 x"
                                   << "none";
    QTest::newRow("empty") << ""
                           << "none";
}

void TestSpeedups::readsStoredDates()
{
    QFETCH(QString, text);
    QFETCH(QString, read);
    QCOMPARE(describe(DateText::fromIso(text)), read);
}

void TestSpeedups::writesDatesInTheLocaleInForce()
{
    // More days than the remembered texts hold, in locales taking turns:
    // every text is that of the locale asked for.
    const QLocale us(QLocale::English, QLocale::UnitedStates);
    const QLocale german(QLocale::German, QLocale::Germany);
    const QDate first(1990, 1, 1);
    for (int day = 0; day < 20000; day += 3) {
        const QDate date = first.addDays(day);
        const QString usText = QStringLiteral("%1/%2/%3").arg(date.month()).arg(date.day()).arg(date.year());
        const QString germanText = QStringLiteral("%1.%2.%3")
                                       .arg(date.day(), 2, 10, QLatin1Char('0'))
                                       .arg(date.month(), 2, 10, QLatin1Char('0'))
                                       .arg(date.year());
        if (DateText::toText(date, us) != usText || DateText::toText(date, german) != germanText)
            QFAIL(qPrintable(date.toString(Qt::ISODate)));
    }
    // The default locale decides a value's text, also after it changed.
    const Value value{QDate(2021, 8, 31)};
    QCOMPARE(value.toText(), QStringLiteral("8/31/2021"));
    QLocale::setDefault(german);
    QCOMPARE(value.toText(), QStringLiteral("31.08.2021"));
    QLocale::setDefault(us);
    QCOMPARE(value.toText(), QStringLiteral("8/31/2021"));
}

void TestSpeedups::readsEveryValueOfALongResult_data()
{
    // Three values a row, kept in blocks of 4,096.
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("one short of a block") << 1365;
    QTest::newRow("across the first block") << 1366;
    QTest::newRow("many blocks") << 10000;
}

void TestSpeedups::readsEveryValueOfALongResult()
{
    QFETCH(int, rows);
    Connection connection;
    connection.OpenInMemory();
    Recordset result;
    result.Open(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                               "select i as [Number], 'row ' || i as [Text], case when i % 7 = 0 then null else i * 2 "
                               "end as [Double] from n where %1 > 0")
                    .arg(rows),
                connection);
    QCOMPARE(result.rowCount(), rows);
    int seen = 0;
    for (; !result.Eof(); result.MoveNext()) {
        ++seen;
        const bool right = result.Fields(QStringLiteral("number")).toInteger() == seen &&
                           result.Fields(QStringLiteral("Text")).toText() == QStringLiteral("row %1").arg(seen) &&
                           (seen % 7 == 0 ? result.Fields(QStringLiteral("Double")).isNull()
                                          : result.Fields(QStringLiteral("Double")).toInteger() == 2 * seen);
        if (!right)
            QFAIL(qPrintable(QStringLiteral("row %1 reads wrong").arg(seen)));
    }
    QCOMPARE(seen, rows);
}

void TestSpeedups::sortsDatesByRank_data()
{
    QTest::addColumn<QList<Value>>("dates");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("ids");
    const QList<Value> times{Value(QDateTime(QDate(2021, 8, 31), QTime(14, 5))), Value(),
                             Value(QDateTime(QDate(2021, 8, 31), QTime(9, 0))), Value(QDate(2021, 8, 30)),
                             Value(QDateTime(QDate(2021, 8, 31), QTime(9, 0)))};
    QTest::newRow("times of day, ascending") << times << false << QStringList{"2", "4", "3", "5", "1"};
    QTest::newRow("times of day, descending") << times << true << QStringList{"1", "3", "5", "4", "2"};
    const QList<Value> centuries{Value(QDate(2021, 8, 31)),  Value(QDate(1901, 1, 1)), Value(),
                                 Value(QDate(9999, 12, 31)), Value(QDate(1901, 1, 1)), Value(QDate(1, 1, 1))};
    QTest::newRow("days far apart") << centuries << false << QStringList{"3", "6", "2", "5", "1", "4"};
    QTest::newRow("days far apart, descending") << centuries << true << QStringList{"4", "1", "2", "5", "6", "3"};
    const QList<Value> extremes{Value(QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59))),
                                Value(QDateTime(QDate(1, 1, 1), QTime(0, 0, 1))), Value(QDate(2021, 8, 31)),
                                Value(QDateTime(QDate(1, 1, 1), QTime(0, 0, 1)))};
    QTest::newRow("milliseconds far apart") << extremes << false << QStringList{"2", "4", "3", "1"};
    QTest::newRow("none at all") << QList<Value>{Value(), Value(), Value()} << true << QStringList{"1", "2", "3"};
    QTest::newRow("stored text") << QList<Value>{Value(QStringLiteral("2021-08-31")), Value(QStringLiteral("x")),
                                                 Value(QStringLiteral("8/30/2021"))}
                                 << false << QStringList{"2", "3", "1"};
}

void TestSpeedups::sortsDatesByRank()
{
    QFETCH(QList<Value>, dates);
    QFETCH(bool, descending);
    QFETCH(QStringList, ids);
    IssueListModel *model = listOf(this, dates);
    model->sort(4, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QCOMPARE(shownIds(*model), ids);
    // A refill keeps the sort.
    model->beginRefill();
    for (int i = 0; i < dates.size(); ++i) {
        const int row = model->appendRow(QString::number(i + 1));
        model->setDateKey(row, 4, dates[i]);
    }
    model->endRefill();
    QCOMPARE(shownIds(*model), ids);
}

void TestSpeedups::selectionFollowsItsRow_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::newRow("title") << 1 << false;
    QTest::newRow("opened date, descending") << 4 << true;
    QTest::newRow("ID, descending") << 0 << true;
}

void TestSpeedups::selectionFollowsItsRow()
{
    QFETCH(int, column);
    QFETCH(bool, descending);
    QList<Value> dates;
    for (int i = 0; i < 40; ++i)
        dates.append(i % 5 ? Value(QDate(2021, 1, 1).addDays((i * 13) % 29)) : Value());
    IssueListModel *model = listOf(this, dates);
    QTreeView view;
    view.setModel(model);
    const int selected = model->rowOfFirstCell(QStringLiteral("13"));
    view.selectionModel()->setCurrentIndex(model->index(selected, 0),
                                           QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    model->sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QVERIFY(model->rowOfFirstCell(QStringLiteral("13")) != selected);
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    QCOMPARE(rows.size(), 1);
    QCOMPARE(model->cell(rows.first().row(), 0), QStringLiteral("13"));
    QCOMPARE(model->cell(view.selectionModel()->currentIndex().row(), 0), QStringLiteral("13"));
}

void TestSpeedups::paginatesInParts_data()
{
    QTest::addColumn<int>("report");
    QTest::addColumn<int>("rowsAtATime");
    for (const int part : {1, 3, 50}) {
        QTest::addRow("details, %d at a time", part) << 1 << part;
        QTest::addRow("open issues, %d at a time", part) << 0 << part;
    }
}

void TestSpeedups::paginatesInParts()
{
    QFETCH(int, report);
    QFETCH(int, rowsAtATime);
    const ReportLayout layout = report == 0 ? rptOpenIssues() : rptIssueDetails();
    const ReportData rows = commentedRows(120);
    const ReportPaper paper{QPageSize(QPageSize::Letter), QPageLayout::Landscape};
    FixedMeasurer measurer;
    const ReportPages whole = paginate(layout, rows, paper, measurer);

    ReportPaginator parts(layout, rows, paper, measurer);
    // Each page is copied as soon as it is said to be finished; it must
    // never change afterwards.
    std::vector<ReportPage> finished;
    while (!parts.layOutRows(rowsAtATime)) {
        QVERIFY(parts.rowsPlaced() < rows.rowCount());
        while (static_cast<int>(finished.size()) < parts.finishedPages())
            finished.push_back(parts.pages().pages[finished.size()]);
    }
    QVERIFY(parts.complete());
    QCOMPARE(parts.rowsPlaced(), rows.rowCount());
    QCOMPARE(parts.finishedPages(), whole.count());
    QCOMPARE(parts.pages().count(), whole.count());
    QVERIFY(whole.count() > (report == 0 ? 2 : 20));
    for (int page = 0; page < whole.count(); ++page) {
        QVERIFY2(sameItems(parts.pages().pages[static_cast<size_t>(page)], whole.pages[static_cast<size_t>(page)]),
                 qPrintable(QStringLiteral("page %1").arg(page + 1)));
        if (static_cast<size_t>(page) < finished.size())
            QVERIFY2(sameItems(finished[static_cast<size_t>(page)], whole.pages[static_cast<size_t>(page)]),
                     qPrintable(QStringLiteral("page %1 changed after it was finished").arg(page + 1)));
    }
}

void TestSpeedups::previewCompletesItsLayoutWhenAsked_data()
{
    QTest::addColumn<QString>("ask");
    QTest::newRow("the pages") << "pages";
    QTest::newRow("the last page") << "last";
    QTest::newRow("a PDF file") << "pdf";
    QTest::newRow("time between events") << "events";
}

void TestSpeedups::previewCompletesItsLayoutWhenAsked()
{
    QFETCH(QString, ask);
    // Long enough that the window opens before its last page is laid out
    // (on any machine of today); every check holds either way.
    const ReportLayout layout = rptIssueDetails();
    const ReportData rows = commentedRows(4000);
    const ReportPaper paper{QPageSize(QPageSize::Letter), QPageLayout::Landscape};
    QtTextMeasurer measurer;
    const ReportPages whole = paginate(layout, rows, paper, measurer);

    ReportPreview preview(layout, rows, paper);
    preview.show();
    QVERIFY(preview.pagesLaidOut() >= 1);
    QVERIFY(preview.pagesLaidOut() <= whole.count());
    QCOMPARE(preview.layoutComplete(), preview.pagesLaidOut() == whole.count());
    if (ask == QLatin1String("pages")) {
        QCOMPARE(preview.pageCount(), whole.count());
    } else if (ask == QLatin1String("last")) {
        preview.lastPage();
        QCOMPARE(preview.currentPage(), whole.count() - 1);
    } else if (ask == QLatin1String("pdf")) {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("details.pdf"));
        QVERIFY(preview.exportPdf(path));
        QCOMPARE(pdfText(path).count(QLatin1Char('\f')), whole.count());
    } else {
        QTRY_VERIFY_WITH_TIMEOUT(preview.layoutComplete(), 120000);
    }
    QVERIFY(preview.layoutComplete());
    QCOMPARE(preview.pagesLaidOut(), whole.count());
    for (const int page : {0, whole.count() / 2, whole.count() - 1})
        QVERIFY(sameItems(preview.pages().pages[static_cast<size_t>(page)], whole.pages[static_cast<size_t>(page)]));
}

QTEST_MAIN(TestSpeedups)
#include "tst_speedups.moc"
