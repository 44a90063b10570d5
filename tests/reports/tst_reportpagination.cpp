// Pagination on the page model: how many rows each layout puts on a page of
// Letter and of A4 in landscape, what repeats on every page, how the comment
// of the details layout grows and breaks across pages, and how texts too
// long for their boxes are cut.

#include "ReportTestSupport.h"

#include "data/Error.h"
#include "reports/engine/Layouts.h"
#include "reports/engine/Paginator.h"

#include <QApplication>
#include <QTest>

namespace {

using LayoutMaker = ReportLayout (*)();

ReportPaper landscape(QPageSize::PageSizeId id)
{
    return {QPageSize(id), QPageLayout::Landscape};
}

// Every text lies inside the paper's margins.
void checkWithinMargins(const ReportLayout &layout, const ReportPages &pages)
{
    for (int p = 0; p < pages.count(); ++p)
        for (const PageItem &item : pages.pages[p].items) {
            QVERIFY2(item.box.top() >= layout.topMargin, qPrintable(QStringLiteral("page %1").arg(p + 1)));
            QVERIFY2(
                item.box.bottom() <= pages.size.height() - layout.bottomMargin + 0.001,
                qPrintable(QStringLiteral("page %1: %2 reaches %3").arg(p + 1).arg(item.text).arg(item.box.bottom())));
            QVERIFY(item.box.left() >= layout.leftMargin);
            QVERIFY(item.box.right() <= pages.size.width() - layout.rightMargin);
        }
}

int controlIndex(const ReportLayout &layout, int section, const char *name)
{
    const auto &controls = layout.sections[section].controls;
    for (size_t i = 0; i < controls.size(); ++i)
        if (controls[i].name == QLatin1String(name))
            return static_cast<int>(i);
    return -1;
}

ReportData detailRows(const QList<QString> &comments)
{
    ReportData rows(issueColumns());
    for (int i = 0; i < comments.size(); ++i)
        rows.appendRow({QString::number(i + 1), QStringLiteral("Issue %1").arg(i), QString(), QString(), QString(),
                        QString(), QString(), QString(), QString(), comments[i]});
    return rows;
}

// A comment of n lines, "Line 001" to "Line n", joined by CR LF.
QString commentOfLines(int n)
{
    QStringList lines;
    for (int i = 1; i <= n; ++i)
        lines << QStringLiteral("Line %1").arg(i, 3, 10, QLatin1Char('0'));
    return lines.join(QStringLiteral("\r\n"));
}

} // namespace

class TestReportPagination : public QObject {
    Q_OBJECT

private slots:
    void rowsPerPage_data()
    {
        QTest::addColumn<LayoutMaker>("layout");
        QTest::addColumn<int>("paper");
        QTest::addColumn<int>("firstPage");
        QTest::addColumn<int>("laterPages");
        // Body height: paper height less two margins of 1440; the first page
        // also holds the report header of 435.
        const struct {
            const char *name;
            LayoutMaker layout;
            int letterFirst, letterLater, a4First, a4Later;
        } cases[] = {
            {"rptOpenIssues", rptOpenIssues, 23, 25, 22, 24},
            {"rptIssuesByStatus", rptIssuesByStatus, 31, 33, 30, 32},
            {"rptIssuesByCategory", rptIssuesByCategory, 28, 30, 27, 29},
            {"rptIssuesByAssigned", rptIssuesByAssigned, 33, 35, 32, 34},
            {"rptIssueDetails", rptIssueDetails, 4, 4, 4, 4},
        };
        for (const auto &c : cases) {
            QTest::addRow("%s Letter", c.name) << c.layout << int(QPageSize::Letter) << c.letterFirst << c.letterLater;
            QTest::addRow("%s A4", c.name) << c.layout << int(QPageSize::A4) << c.a4First << c.a4Later;
        }
    }

    void rowsPerPage()
    {
        QFETCH(LayoutMaker, layout);
        QFETCH(int, paper);
        QFETCH(int, firstPage);
        QFETCH(int, laterPages);
        const ReportLayout report = layout();
        QtTextMeasurer measurer;
        const int rowCount = firstPage + 2 * laterPages + 1;
        const ReportPages pages =
            paginate(report, numberedRows(rowCount), landscape(QPageSize::PageSizeId(paper)), measurer);

        QCOMPARE(pages.count(), 4);
        const QList<int> expectedCounts{firstPage, laterPages, laterPages, 1};
        int next = 0;
        const size_t headings = report.sections[ReportLayout::PageHeader].controls.size();
        for (int p = 0; p < pages.count(); ++p) {
            const ReportPage &page = pages.pages[p];
            const QList<int> rows = rowsOnPage(page);
            QCOMPARE(rows.size(), expectedCounts[p]);
            for (const int row : rows)
                QCOMPARE(row, next++); // each row once, in the rows' order
            QCOMPARE(itemsOf(page, ReportLayout::PageHeader).size(), headings);
            QCOMPARE(itemsOf(page, ReportLayout::ReportHeader).size(), size_t(p == 0 ? 1 : 0));
        }
        QCOMPARE(itemsOf(pages.pages[0], ReportLayout::ReportHeader).front().text, report.caption);
        checkWithinMargins(report, pages);

        // Rows that exactly fill the first page leave no page for the empty report footer.
        QCOMPARE(paginate(report, numberedRows(firstPage), landscape(QPageSize::PageSizeId(paper)), measurer).count(),
                 1);
    }

    void emptyResult_data()
    {
        QTest::addColumn<LayoutMaker>("layout");
        QTest::addColumn<QString>("title");
        QTest::newRow("open") << LayoutMaker(rptOpenIssues) << "Open Issues";
        QTest::newRow("category") << LayoutMaker(rptIssuesByCategory) << "Issues By Category";
        QTest::newRow("status") << LayoutMaker(rptIssuesByStatus) << "Issues By Status";
        QTest::newRow("assigned") << LayoutMaker(rptIssuesByAssigned) << "Issues By Assigned To";
        QTest::newRow("details") << LayoutMaker(rptIssueDetails) << "Issues Details";
    }

    // No rows: one page with the title and, below it, the headings.
    void emptyResult()
    {
        QFETCH(LayoutMaker, layout);
        QFETCH(QString, title);
        const ReportLayout report = layout();
        QtTextMeasurer measurer;
        const ReportPages pages = paginate(report, ReportData(issueColumns()), landscape(QPageSize::Letter), measurer);
        QCOMPARE(pages.count(), 1);
        const ReportPage &page = pages.pages[0];
        const std::vector<PageItem> titleItems = itemsOf(page, ReportLayout::ReportHeader);
        QCOMPARE(titleItems.size(), size_t(1));
        QCOMPARE(titleItems.front().text, title);
        QVERIFY(rowsOnPage(page).isEmpty());
        const std::vector<PageItem> headings = itemsOf(page, ReportLayout::PageHeader);
        QCOMPARE(headings.size(), report.sections[ReportLayout::PageHeader].controls.size());
        for (const PageItem &item : headings)
            QVERIFY(!item.text.isEmpty() && item.box.top() >= titleItems.front().box.top() + 435);
    }

    void commentGrowth_data()
    {
        QTest::addColumn<QList<int>>("commentLines");
        QTest::addColumn<QList<int>>("firstPageOfRow");
        QTest::addColumn<int>("pageCount");
        // Letter landscape: details may reach 10800; the first page's start at
        // 1875, the others' at 1440. Each line is 200 high; the comment starts
        // 1728 into its block of 2130, which grows by what passes 288.
        QTest::newRow("one line each: four blocks a page")
            << QList<int>{1, 1, 1, 1, 1} << QList<int>{0, 0, 0, 0, 1} << 2;
        QTest::newRow("grown block moves whole to the next page") << QList<int>{10, 10, 10} << QList<int>{0, 0, 1} << 2;
        QTest::newRow("block taller than a page starts where it is")
            << QList<int>{1, 100, 1} << QList<int>{0, 0, 2} << 3;
        QTest::newRow("tall block whose first line no longer fits starts a page")
            << QList<int>{1, 1, 1, 1, 100} << QList<int>{0, 0, 0, 0, 1} << 4;
        QTest::newRow("empty comment keeps the block") << QList<int>{0, 0, 0, 0, 0} << QList<int>{0, 0, 0, 0, 1} << 2;
    }

    void commentGrowth()
    {
        QFETCH(QList<int>, commentLines);
        QFETCH(QList<int>, firstPageOfRow);
        QFETCH(int, pageCount);
        QList<QString> comments;
        for (const int n : commentLines)
            comments << commentOfLines(n);
        const ReportLayout layout = rptIssueDetails();
        const int comment = controlIndex(layout, ReportLayout::Detail, "Text10");
        FixedMeasurer measurer;
        const ReportPages pages = paginate(layout, detailRows(comments), landscape(QPageSize::Letter), measurer);

        QCOMPARE(pages.count(), pageCount);
        for (int row = 0; row < comments.size(); ++row) {
            int first = -1;
            QStringList lines;
            for (int p = 0; p < pages.count(); ++p)
                for (const PageItem &item : itemsOf(pages.pages[p], ReportLayout::Detail, row)) {
                    if (first < 0)
                        first = p;
                    if (item.control == comment)
                        lines << item.text;
                }
            QCOMPARE(first, firstPageOfRow[row]);
            // Every line once, in order, without its line break.
            QCOMPARE(lines.join(QStringLiteral("\r\n")), comments[row]);
        }
        checkWithinMargins(layout, pages);
    }

    // A block taller than a page continues at the top of the next, below the
    // page header and its own first line.
    void tallCommentContinues()
    {
        const ReportLayout layout = rptIssueDetails();
        const int comment = controlIndex(layout, ReportLayout::Detail, "Text10");
        FixedMeasurer measurer;
        const ReportPages pages =
            paginate(layout, detailRows({commentOfLines(1), commentOfLines(100), commentOfLines(1)}),
                     landscape(QPageSize::Letter), measurer);
        QList<int> linesPerPage;
        for (const ReportPage &page : pages.pages) {
            int lines = 0;
            for (const PageItem &item : itemsOf(page, ReportLayout::Detail, 1))
                lines += item.control == comment;
            linesPerPage << lines;
        }
        QCOMPARE(linesPerPage, (QList<int>{25, 45, 30}));
        // Each page it continues on repeats the issue's ID and title above it.
        const int title = controlIndex(layout, ReportLayout::Detail, "Text2");
        const qreal head = layout.sections[ReportLayout::Detail].controls[title].height;
        const auto titleOn = [&](int p) {
            QStringList shown;
            for (const PageItem &item : itemsOf(pages.pages[p], ReportLayout::Detail, 1))
                if (item.control == title)
                    shown << item.text;
            return shown;
        };
        QCOMPARE(titleOn(0).size(), 1);
        for (int p = 1; p <= 2; ++p) {
            QCOMPARE(itemsOf(pages.pages[p], ReportLayout::Detail, 1).front().box.top(), 1440.0);
            QCOMPARE(titleOn(p), titleOn(0));
        }
        // The next block follows the end of the comment on the last page.
        const PageItem next = itemsOf(pages.pages[2], ReportLayout::Detail, 2).front();
        QCOMPARE(next.box.top(), 1440.0 + head + 30 * 200 + (2130 - 1728 - 288));
    }

    // A comment of 100,000 characters with real fonts: as many pages as it
    // needs, every character printed once, in order.
    void hugeComment()
    {
        QString comment;
        comment.reserve(100000);
        for (int word = 0; comment.size() < 70000; ++word)
            comment += QStringLiteral("word%1 ").arg(word);
        comment += QString(100000 - comment.size(), QLatin1Char('x')); // one word far wider than the box
        const ReportLayout layout = rptIssueDetails();
        QtTextMeasurer measurer;
        const ReportPages pages =
            paginate(layout, detailRows({comment, QStringLiteral("after")}), landscape(QPageSize::A4), measurer);
        QVERIFY(pages.count() > 10);
        const int box = controlIndex(layout, ReportLayout::Detail, "Text10");
        QCOMPARE(textOf(pages, 0, box), comment);
        QCOMPARE(textOf(pages, 1, box), QStringLiteral("after"));
        checkWithinMargins(layout, pages);
        for (const ReportPage &page : pages.pages)
            for (const PageItem &item : page.items)
                if (item.control == box && item.section == ReportLayout::Detail)
                    QVERIFY(measurer.width(layout.sections[ReportLayout::Detail].controls[box].font,
                                           item.text.trimmed()) <= item.box.width() + 0.5);
    }

    void oneLineBoxes_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("clipped");
        QTest::addColumn<QString>("shown"); // empty: the title's start
        QTest::newRow("short") << "Printer jams" << false << "Printer jams";
        QTest::newRow("line breaks become blanks")
            << "First\r\nSecond\nThird\tFourth" << false << "First  Second Third Fourth";
        QTest::newRow("long latin") << QString(300, QLatin1Char('W')) << true << QString();
        QTest::newRow("long cyrillic") << QString::fromUtf8("Проблема с принтером ").repeated(20) << true << QString();
        QTest::newRow("long emoji") << QString::fromUtf8("😀").repeated(400) << true << QString();
        QTest::newRow("100000 characters") << QString(100000, QLatin1Char('i')) << true << QString();
    }

    // Only the comment grows: a title keeps its box, a longer one is cut
    // short with an ellipsis, and the rows per page do not change.
    void oneLineBoxes()
    {
        QFETCH(QString, title);
        QFETCH(bool, clipped);
        QFETCH(QString, shown);
        for (const LayoutMaker make : {LayoutMaker(rptOpenIssues), LayoutMaker(rptIssueDetails)}) {
            const ReportLayout layout = make();
            ReportData rows = numberedRows(30);
            ReportData withTitle(issueColumns());
            for (int r = 0; r < rows.rowCount(); ++r) {
                QStringList texts;
                for (int c = 0; c < issueColumns().size(); ++c)
                    texts << (c == 1 ? title : rows.cell(r, c));
                withTitle.appendRow(texts);
            }
            QtTextMeasurer measurer;
            const ReportPages plain = paginate(layout, rows, landscape(QPageSize::Letter), measurer);
            const ReportPages pages = paginate(layout, withTitle, landscape(QPageSize::Letter), measurer);
            QCOMPARE(pages.count(), plain.count());
            QCOMPARE(rowsOnPage(pages.pages[0]), rowsOnPage(plain.pages[0]));

            const int box = controlIndex(layout, ReportLayout::Detail, "Text2");
            const ReportControl &control = layout.sections[ReportLayout::Detail].controls[box];
            PageItem item;
            for (const PageItem &candidate : itemsOf(pages.pages[0], ReportLayout::Detail, 0))
                if (candidate.control == box)
                    item = candidate;
            QVERIFY(!item.clip);
            QCOMPARE(item.box.height(), qreal(control.height));
            QVERIFY(item.box.left() >= layout.leftMargin + control.left);
            QVERIFY(item.box.right() <= layout.leftMargin + control.left + control.width);
            if (!clipped) {
                QCOMPARE(item.text, shown);
            } else {
                QVERIFY(item.text.endsWith(QChar(0x2026)));
                const QString kept = item.text.chopped(1);
                QVERIFY(title.startsWith(kept));
                QVERIFY(kept.size() < title.size());
                QVERIFY(!kept.back().isHighSurrogate());
                // Within the box, and one character more would not be.
                QVERIFY(measurer.width(control.font, item.text) <= item.box.width());
                QVERIFY(measurer.width(control.font, title.left(kept.size() + 1) + QChar(0x2026)) > item.box.width());
            }
        }
    }

    void missingColumn()
    {
        QStringList columns = issueColumns();
        columns.removeAll(QStringLiteral("Opened By Name"));
        QtTextMeasurer measurer;
        try {
            paginate(rptIssuesByStatus(), ReportData(columns), landscape(QPageSize::Letter), measurer);
            QFAIL("a missing column was not reported");
        } catch (const Error &error) {
            QVERIFY2(error.description().contains(QLatin1String("\"Opened By Name\"")),
                     qPrintable(error.description()));
        }
    }
};

QTEST_MAIN(TestReportPagination)
#include "tst_reportpagination.moc"
