// What the pages look like once drawn: PDF files read back as text (titles,
// headings and row values in order, page after page, other scripts), the
// cut of a text too long for its box as drawn pixels, the footer, a failed
// export, and a cancelled print.

#include "ReportTestSupport.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "reports/PrintJob.h"
#include "reports/engine/Layouts.h"
#include "reports/engine/Paginator.h"
#include "reports/engine/ReportPainter.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

namespace {

using LayoutMaker = ReportLayout (*)();

ReportPaper letter()
{
    return {QPageSize(QPageSize::Letter), QPageLayout::Landscape};
}

// The texts a section shows for a row, in reading order (top to bottom, left to right).
QStringList readingOrder(const ReportLayout &layout, int section, const ReportData &rows, int row)
{
    std::vector<ReportControl> controls = layout.sections[section].controls;
    std::stable_sort(controls.begin(), controls.end(), [](const ReportControl &a, const ReportControl &b) {
        return a.top != b.top ? a.top < b.top : a.left < b.left;
    });
    QStringList texts;
    for (const ReportControl &control : controls) {
        const QString text = control.kind == ReportControl::Kind::Label
                                 ? control.caption
                                 : rows.cell(row, rows.columnIndex(control.column));
        if (!text.isEmpty())
            texts << text;
    }
    return texts;
}

ReportData sampleRows()
{
    ReportData rows(issueColumns());
    rows.appendRow({"7", "Printer jams", "Ann Archer", "High", "Open", "Hardware", "9/1/2021", "Bob Baker", "8/31/2021",
                    "Paper tray two sticks."});
    rows.appendRow({"3", "Mail bounces", "Cid Cole", "Low", "Waiting", "Network", "", "Dee Dunn", "8/30/2021",
                    "Only for external addresses."});
    rows.appendRow(
        {"12", "Screen flickers", "Eve Ellis", "Normal", "New", "Display", "10/2/2021", "Fay Ford", "8/29/2021", ""});
    return rows;
}

QString writeAndRead(const ReportPages &pages, const QString &title)
{
    static QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("report.pdf"));
    try {
        ReportPainter::writePdfFile(path, pages, title);
    } catch (const Error &error) {
        qWarning("%s", qPrintable(error.description()));
        return QString();
    }
    return pdfText(path);
}

// Draws a page at ten twips to the pixel and counts the dark pixels in a
// rectangle given in twips.
int inkIn(const ReportPages &pages, const QRectF &twips)
{
    QImage image(qCeil(pages.size.width() / 10), qCeil(pages.size.height() / 10), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    ReportPainter::scaleToTwips(painter, 144, 144);
    ReportPainter::paintPage(painter, pages, 0);
    painter.end();
    int dark = 0;
    for (int x = qCeil(twips.left() / 10); x < qFloor(twips.right() / 10); ++x)
        for (int y = qFloor(twips.top() / 10); y < qCeil(twips.bottom() / 10); ++y)
            dark += qGray(image.pixel(x, y)) < 160;
    return dark;
}

} // namespace

class TestReportOutput : public QObject {
    Q_OBJECT

private slots:
    void eachLayoutReadsBack_data()
    {
        QTest::addColumn<LayoutMaker>("layout");
        QTest::newRow("rptOpenIssues") << LayoutMaker(rptOpenIssues);
        QTest::newRow("rptIssuesByCategory") << LayoutMaker(rptIssuesByCategory);
        QTest::newRow("rptIssuesByStatus") << LayoutMaker(rptIssuesByStatus);
        QTest::newRow("rptIssuesByAssigned") << LayoutMaker(rptIssuesByAssigned);
        QTest::newRow("rptIssueDetails") << LayoutMaker(rptIssueDetails);
    }

    // The title, then the headings, then each row's values, all in reading order.
    void eachLayoutReadsBack()
    {
        QFETCH(LayoutMaker, layout);
        const ReportLayout report = layout();
        const ReportData rows = sampleRows();
        QtTextMeasurer measurer;
        const QString text = writeAndRead(paginate(report, rows, letter(), measurer), report.caption);
        QVERIFY(!text.isEmpty());

        QStringList expected{report.caption};
        expected += readingOrder(report, ReportLayout::PageHeader, rows, -1);
        for (int row = 0; row < rows.rowCount(); ++row)
            expected += readingOrder(report, ReportLayout::Detail, rows, row);
        QString missing;
        QVERIFY2(inOrder(text, expected, &missing),
                 qPrintable(QStringLiteral("\"%1\" not in order in:\n%2").arg(missing, text)));
        // Headings of a table share one line, as the values of a row do.
        const QStringList headings = readingOrder(report, ReportLayout::PageHeader, rows, -1);
        if (!headings.isEmpty()) {
            const QString headingLine = text.split(QLatin1Char('\n')).filter(headings.last()).value(0);
            QVERIFY2(inOrder(headingLine, headings), qPrintable(headingLine));
        }
    }

    // Page after page: the title on the first only, the headings on each,
    // the rows in order across the pages.
    void pagesReadBack()
    {
        const ReportLayout report = rptOpenIssues();
        QtTextMeasurer measurer;
        const QString text = writeAndRead(paginate(report, numberedRows(60), letter(), measurer), report.caption);
        const QStringList pages = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pages.size(), 3);
        QStringList allTitles;
        for (int i = 0; i < 60; ++i)
            allTitles << QStringLiteral("Issue %1").arg(i, 4, 10, QLatin1Char('0'));
        QVERIFY(inOrder(text, allTitles));
        const QList<int> firstRowOfPage{0, 23, 48};
        for (int p = 0; p < pages.size(); ++p) {
            QCOMPARE(pages[p].contains(QLatin1String("Open Issues")), p == 0);
            QVERIFY(inOrder(pages[p], {"ID", "Title", "Assigned To", "Priority", "Status", "Category", "Due Date",
                                       "Opened By", "Opened Date", allTitles[firstRowOfPage[p]]}));
        }
    }

    void scripts_data()
    {
        QTest::addColumn<QString>("title");
        QTest::newRow("cyrillic") << QString::fromUtf8("Принтер не печатает");
        QTest::newRow("greek") << QString::fromUtf8("Ο εκτυπωτής κόλλησε");
        QTest::newRow("accents") << QString::fromUtf8("Café déjà vu – Größe");
    }

    void scripts()
    {
        QFETCH(QString, title);
        ReportData rows(issueColumns());
        rows.appendRow({"1", title, "", "", "", "", "", "", "", title});
        const ReportLayout report = rptIssueDetails();
        QtTextMeasurer measurer;
        const QString text = writeAndRead(paginate(report, rows, letter(), measurer), report.caption);
        QCOMPARE(text.count(title), 2);
    }

    void drawnScripts_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("emoji") << QString::fromUtf8("😀😀😀");
        QTest::newRow("hebrew") << QString::fromUtf8("עברית");
        QTest::newRow("arabic") << QString::fromUtf8("العربية");
    }

    // Scripts that a PDF reader may not give back as the same characters
    // are at least drawn, from a fallback font where Arial has no glyphs.
    void drawnScripts()
    {
        QFETCH(QString, text);
        const auto ink = [](const QString &title) {
            ReportData rows(issueColumns());
            rows.appendRow({"", title, "", "", "", "", "", "", "", ""});
            QtTextMeasurer measurer;
            const ReportPages pages = paginate(rptOpenIssues(), rows, letter(), measurer);
            return inkIn(pages, itemsOf(pages.pages[0], ReportLayout::Detail, 0)[1].box);
        };
        QVERIFY(ink(QStringLiteral("a b")) > 0);
        QVERIFY2(ink(QStringLiteral("a ") + text + QStringLiteral(" b")) > ink(QStringLiteral("a b")) + 20,
                 "the text left no ink");
    }

    // A cut title ends in an ellipsis and its cut words are not in the PDF;
    // a right-to-left one keeps its first letters; every page's foot says
    // which page of how many, and the date it was printed.
    void cutTextAndFooterReadBack()
    {
        ReportData rows = numberedRows(60);
        const QString title =
            QStringLiteral("Begins here ") + QString(40, QLatin1Char('m')) + QStringLiteral(" endword");
        const QString hebrew = QString::fromUtf8("שלום ").repeated(30);
        QStringList first, second;
        for (int c = 0; c < issueColumns().size(); ++c)
            first << (c == 1 ? title : rows.cell(0, c)), second << (c == 1 ? hebrew : rows.cell(1, c));
        ReportData cut(issueColumns());
        cut.appendRow(first);
        cut.appendRow(second);
        for (int r = 2; r < rows.rowCount(); ++r) {
            QStringList cells;
            for (int c = 0; c < issueColumns().size(); ++c)
                cells << rows.cell(r, c);
            cut.appendRow(cells);
        }
        QtTextMeasurer measurer;
        const ReportPages pages = paginate(rptOpenIssues(), cut, letter(), measurer);
        const QString shownHebrew = itemsOf(pages.pages[0], ReportLayout::Detail, 1)[1].text;
        QVERIFY(shownHebrew.startsWith(hebrew.left(4)) && shownHebrew.endsWith(QChar(0x2026)));

        const QString text = writeAndRead(pages, QStringLiteral("Open Issues"));
        QVERIFY2(text.contains(QStringLiteral("Begins here mmm")) && text.contains(QChar(0x2026)), qPrintable(text));
        QVERIFY(!text.contains(QStringLiteral("endword")));
        const QStringList pageTexts = text.split(QLatin1Char('\f'), Qt::SkipEmptyParts);
        QCOMPARE(pageTexts.size(), 3);
        const QString printed = QStringLiteral("Printed ") + DateText::toText(QDate::currentDate());
        QVERIFY(printed.contains(QString::number(QDate::currentDate().year())));
        for (int p = 0; p < pageTexts.size(); ++p)
            QVERIFY2(pageTexts[p].contains(printed) && pageTexts[p].contains(QStringLiteral("Page %1 of 3").arg(p + 1)),
                     qPrintable(pageTexts[p]));
        // "Page 1 of 3" ends at the body's right edge, not at the paper's margin.
        const QRectF foot(0, pages.footerBaseline - 200, pages.size.width(), 300);
        const qreal bodyRight = 1440 + 11961;
        QVERIFY(inkIn(pages, foot.adjusted(bodyRight - 300, 0, bodyRight - foot.width(), 0)) > 0);
        QCOMPARE(inkIn(pages, foot.adjusted(bodyRight + 30, 0, 0, 0)), 0);
    }

    // A title far longer than its box is cut short with an ellipsis: nothing
    // of it is drawn in the gap before the next column's text.
    void longTextStaysInItsBox()
    {
        const ReportLayout report = rptOpenIssues();
        ReportData rows(issueColumns());
        rows.appendRow({"1", QString(400, QLatin1Char('W')), "", "", "", "", "", "", "", ""});
        QtTextMeasurer measurer;
        const ReportPages pages = paginate(report, rows, letter(), measurer);

        const PageItem title = itemsOf(pages.pages[0], ReportLayout::Detail, 0)[1];
        QVERIFY(title.text.endsWith(QChar(0x2026)));
        QVERIFY(inkIn(pages, title.box) > 100); // the title is drawn
        const qreal nextText = report.leftMargin + 2736 + ReportText::padding;
        QCOMPARE(inkIn(pages,
                       QRectF(QPointF(title.box.right() + 10, title.box.top()), QPointF(nextText, title.box.bottom()))),
                 0);
    }

    void exportToMissingFolderFails()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("no such folder/report.pdf"));
        QtTextMeasurer measurer;
        QString error;
        try {
            ReportPainter::writePdfFile(path, paginate(rptOpenIssues(), numberedRows(3), letter(), measurer),
                                        QStringLiteral("Open Issues"));
        } catch (const Error &failure) {
            error = failure.description();
        }
        QVERIFY(!error.isEmpty());
        QVERIFY(!QFile::exists(path));
    }

    // Cancel at the first, middle or last page of three: nothing reaches the
    // printer and no output file is left; printed through, one job is sent
    // with every page.
    void cancelledPrintSendsNothing_data()
    {
        QTest::addColumn<int>("cancelAt"); // the page after which Cancel is pressed; 0: never
        QTest::addColumn<bool>("toFile");
        for (const bool toFile : {false, true}) {
            const char *where = toFile ? "file" : "printer";
            QTest::addRow("%s, first page", where) << 1 << toFile;
            QTest::addRow("%s, middle page", where) << 2 << toFile;
            QTest::addRow("%s, last page", where) << 3 << toFile;
            QTest::addRow("%s, not cancelled", where) << 0 << toFile;
        }
    }

    void cancelledPrintSendsNothing()
    {
        QFETCH(int, cancelAt);
        QFETCH(bool, toFile);
        QTemporaryDir folder;
        PrintJob job;
        job.title = QStringLiteral("Open Issues");
        if (toFile)
            job.outputFile = folder.filePath(QStringLiteral("printed.pdf"));
        else
            job.printerName = QStringLiteral("office");
        QStringList sent;
        const auto send = [&sent](const PrintJob &, const QString &path) { sent << pdfText(path); };
        QtTextMeasurer measurer;
        const ReportPages pages = paginate(rptOpenIssues(), numberedRows(60), letter(), measurer);
        const bool printed = printPages(
            job, pages, 0, 2, [&](int done, int) { return done != cancelAt; }, send);
        QCOMPARE(printed, cancelAt == 0);
        const QStringList left = QDir(folder.path()).entryList(QDir::Files);
        if (!printed) {
            QVERIFY(sent.isEmpty());
            QVERIFY(left.isEmpty());
        } else if (toFile) {
            QCOMPARE(left, QStringList{"printed.pdf"});
            QCOMPARE(pdfText(job.outputFile).count(QStringLiteral("Page ")), 3);
        } else {
            QCOMPARE(sent.size(), 1);
            QCOMPARE(sent[0].count(QStringLiteral("Page ")), 3);
        }
    }

    // Cancel at the second of three pages: no file, or the earlier one as it was.
    void cancelledExportLeavesNoFile_data()
    {
        QTest::addColumn<QByteArray>("earlier"); // empty: no earlier file
        QTest::newRow("new file") << QByteArray();
        QTest::newRow("earlier file") << QByteArray("earlier report");
    }

    void cancelledExportLeavesNoFile()
    {
        QFETCH(QByteArray, earlier);
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("report.pdf"));
        if (!earlier.isEmpty()) {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly) && file.write(earlier) == earlier.size());
        }
        QtTextMeasurer measurer;
        QList<int> told;
        QVERIFY(!ReportPainter::writePdfFile(path, paginate(rptOpenIssues(), numberedRows(60), letter(), measurer),
                                             QStringLiteral("Open Issues"), [&](int done, int total) {
                                                 told << done << total;
                                                 return done < 2;
                                             }));
        QCOMPARE(told, (QList<int>{1, 3, 2, 3}));
        QCOMPARE(QDir(folder.path()).entryList(QDir::Files),
                 earlier.isEmpty() ? QStringList() : QStringList{"report.pdf"});
        QFile file(path);
        QCOMPARE(file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray(), earlier);
    }
};

QTEST_MAIN(TestReportOutput)
#include "tst_reportoutput.moc"
