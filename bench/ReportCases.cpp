// The reports: from the query to a PDF file, and opening a large preview.

#include "Cases.h"
#include "Floors.h"
#include "Harness.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "reports/ReportPreview.h"
#include "reports/engine/Layouts.h"
#include "reports/engine/Paginator.h"
#include "reports/engine/ReportData.h"
#include "reports/engine/ReportPainter.h"
#include "reports/engine/TextMeasurer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTimer>

#include <algorithm>
#include <memory>
#include <vector>

namespace Bench {
namespace {

ReportData readRows(Connection &connection, const QString &statement, const ReportLayout &layout)
{
    Recordset result;
    result.Open(statement, connection);
    ReportData rows = ReportData::fromRecordset(result, layout.columns());
    result.Close();
    return rows;
}

ReportPages layOut(const ReportLayout &layout, const ReportData &rows)
{
    QtTextMeasurer measurer;
    return paginate(layout, rows, ReportPaper::forLocale(layout.orientation), measurer);
}

// The program's path: the query, the rows, the pages, the PDF file.
void engineToPdf(Connection &connection, const QString &statement, const ReportLayout &layout, const QString &path)
{
    const ReportData rows = readRows(connection, statement, layout);
    const ReportPages pages = layOut(layout, rows);
    if (!ReportPainter::writePdfFile(path, pages, layout.caption))
        qFatal("the report could not be written to %s", qPrintable(path));
}

// The first rows of a report's data: those that fill the given number of
// pages, laid out only as far as needed.
ReportData firstRowsFor(const ReportLayout &layout, const ReportData &rows, int pageCount)
{
    QtTextMeasurer measurer;
    ReportPaginator paginator(layout, rows, ReportPaper::forLocale(layout.orientation), measurer);
    while (paginator.finishedPages() <= pageCount && !paginator.layOutRows(16)) {
    }
    int end = rows.rowCount();
    if (paginator.finishedPages() > pageCount) {
        // The first row that starts on the page after the last one wanted.
        for (const PageItem &item : paginator.pages().pages[static_cast<size_t>(pageCount)].items)
            if (item.row >= 0) {
                end = item.row;
                break;
            }
    }
    ReportData first(rows.columns());
    for (int r = 0; r < end; ++r) {
        QStringList texts;
        for (int c = 0; c < rows.columns().size(); ++c)
            texts.append(rows.cell(r, c));
        first.appendRow(texts);
    }
    return first;
}

} // namespace

void reportCases(const Run &run, int size, const QString &database)
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(database));
    const QString oursPath = run.folder + QStringLiteral("/ours.pdf");
    const QString floorPath = run.folder + QStringLiteral("/floor.pdf");
    const struct {
        const char *name;
        ReportLayout (*layout)();
    } reports[] = {{"Open Issues report to PDF", rptOpenIssues}, {"Issue Details report to PDF", rptIssueDetails}};
    for (const auto &report : reports) {
        const ReportLayout layout = report.layout();
        const QString statement = QStringLiteral("select * from [Open Issues] order by Title");
        const Floor::Drawing drawing = Floor::drawingOf(layOut(layout, readRows(connection, statement, layout)));
        // The largest reports take a minute a run: they get as many runs as
        // the case's time budget allows.
        const Harness::Pair pair = Harness::medianPairWithin(
            [&] { return Harness::timedMs([&] { engineToPdf(connection, statement, layout, oursPath); }); },
            [&] {
                return Harness::timedMs([&] {
                    if (!Floor::writePdf(drawing, floorPath))
                        qFatal("the floor could not write %s", qPrintable(floorPath));
                });
            },
            run.runs(size), run.budgetMs(size));
        Harness::report(QLatin1String(report.name), QString::number(size), pair, size == 10000 ? 1.5 : 0);
        Harness::note(QStringLiteral("  (%1 pages)").arg(drawing.pages.size()));
    }
}

void previewCase(const Run &run, const QString &database)
{
    constexpr int wantedPages = 1000;
    Connection connection;
    connection.Open(ConnectionText::dataSource(database));
    const ReportLayout layout = rptIssueDetails();
    const ReportData rows =
        firstRowsFor(layout, readRows(connection, QStringLiteral("select * from [Open Issues] order by Title"), layout),
                     wantedPages);
    const int pageCount = layOut(layout, rows).count();
    connection.Close();
    const QString pdfPath = run.folder + QStringLiteral("/preview.pdf");

    // The longest time the event loop could not run while the preview opened:
    // a zero timer marks every turn of the loop.
    std::vector<double> stalls;
    std::vector<double> completeMs;
    const auto openPreview = [&] {
        QElapsedTimer clock;
        qint64 lastTurn = 0;
        double stall = 0;
        QTimer turns;
        turns.setInterval(0);
        QObject::connect(&turns, &QTimer::timeout, [&] {
            const qint64 now = clock.nsecsElapsed();
            stall = qMax(stall, (now - lastTurn) / 1e6);
            lastTurn = now;
        });
        clock.start();
        turns.start();
        auto preview = std::make_unique<ReportPreview>(layout, rows, ReportPaper::forLocale(layout.orientation));
        preview->show();
        if (!waitPainted(preview->findChild<QWidget *>(QStringLiteral("PageView"))))
            qFatal("the preview was never painted");
        const double openMs = clock.nsecsElapsed() / 1e6;
        // The rest of the pages are laid out between events; the window must
        // keep answering until the last one is done.
        while (!preview->layoutComplete())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        stall = qMax(stall, (clock.nsecsElapsed() - lastTurn) / 1e6);
        completeMs.push_back(clock.nsecsElapsed() / 1e6);
        turns.stop();
        stalls.push_back(stall);
        if (preview->pageCount() != pageCount)
            qFatal("the preview has %d pages, not %d", preview->pageCount(), pageCount);
        return openMs;
    };
    const auto writePdf = [&] {
        return Harness::timedMs([&] {
            const ReportPages pages = layOut(layout, rows);
            if (!ReportPainter::writePdfFile(pdfPath, pages, layout.caption))
                qFatal("the report could not be written to %s", qPrintable(pdfPath));
        });
    };
    const Harness::Pair pair = Harness::medianPair(openPreview, writePdf, 3, 1);
    Harness::report(QStringLiteral("Preview of a %1-page report vs its PDF").arg(pageCount),
                    QString::number(rows.rowCount()), pair, 1.5);
    Harness::note(QStringLiteral("  (all %1 pages laid out in the open preview after %2 ms)")
                      .arg(pageCount)
                      .arg(Harness::median(std::vector<double>(completeMs.begin() + 1, completeMs.end())), 0, 'f', 1));
    // The first opening is the warm-up, which also loads the fonts.
    const double longestStall =
        stalls.size() > 1 ? *std::max_element(stalls.begin() + 1, stalls.end()) : stalls.front();
    Harness::limit(QStringLiteral("longest stall while the preview opens, all pages"), longestStall, 100,
                   QStringLiteral("ms"));
}

} // namespace Bench
