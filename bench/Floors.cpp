#include "Floors.h"

#include "app/list/CollationKeys.h"
#include "reports/engine/ReportFonts.h"
#include "reports/engine/ReportPainter.h"

#include <QDate>
#include <QFile>
#include <QFontMetricsF>
#include <QLocale>
#include <QPageLayout>
#include <QPainter>
#include <QPdfWriter>

#include <sqlite3.h>

#include <algorithm>
#include <numeric>

namespace Floor {
namespace {

constexpr const char *listColumns[] = {"ID",       "Title",  "Assigned To Name", "Opened By Name", "Opened Date",
                                       "Due Date", "Status", "Category",         "Priority",       "Comment"};

template <typename Less>
void stableSortAndPermute(std::vector<SortRow> &rows, Less less)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), less);
    std::vector<SortRow> sorted;
    sorted.reserve(rows.size());
    for (const int from : order)
        sorted.push_back(std::move(rows[static_cast<size_t>(from)]));
    rows.swap(sorted);
}

} // namespace

std::vector<ListRow> readOpenIssues(sqlite3 *db)
{
    std::vector<ListRow> rows;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "select * from \"Open Issues\"", -1, &statement, nullptr) != SQLITE_OK)
        return rows;
    std::array<int, 10> source{};
    const int columns = sqlite3_column_count(statement);
    for (size_t i = 0; i < source.size(); ++i) {
        source[i] = -1;
        for (int c = 0; c < columns; ++c)
            if (qstricmp(sqlite3_column_name(statement, c), listColumns[i]) == 0)
                source[i] = c;
    }
    while (sqlite3_step(statement) == SQLITE_ROW) {
        ListRow &row = rows.emplace_back();
        for (size_t i = 0; i < source.size(); ++i) {
            const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, source[i]));
            if (text)
                row[i] = QString::fromUtf8(text, sqlite3_column_bytes(statement, source[i]));
        }
    }
    sqlite3_finalize(statement);
    return rows;
}

std::vector<SortRow> sortRows(std::vector<ListRow> rows)
{
    std::vector<SortRow> result;
    result.reserve(rows.size());
    for (ListRow &cells : rows) {
        SortRow &row = result.emplace_back();
        row.cells = std::move(cells);
        const QDate date = QDate::fromString(row.cells[4].left(10), Qt::ISODate);
        row.openedKey = date.isValid() ? date.toJulianDay() * 86400000 : std::numeric_limits<qint64>::min();
    }
    return result;
}

void sortByText(std::vector<SortRow> &rows, int column)
{
    CollationKeys keys;
    keys.reserve(rows.size());
    for (const SortRow &row : rows)
        keys.append(row.cells[static_cast<size_t>(column)]);
    stableSortAndPermute(rows, [&](int a, int b) { return keys.compare(size_t(a), size_t(b)) < 0; });
}

void sortByOpenedDate(std::vector<SortRow> &rows)
{
    stableSortAndPermute(rows, [&](int a, int b) {
        return rows[static_cast<size_t>(a)].openedKey < rows[static_cast<size_t>(b)].openedKey;
    });
}

Drawing drawingOf(const ReportPages &pages)
{
    Drawing drawing;
    drawing.paper = pages.paper;
    for (const ReportFont &font : pages.fonts)
        drawing.fonts.push_back(reportQFont(font));
    // The footer line of every page, placed here, outside the timing.
    const int footer = static_cast<int>(drawing.fonts.size());
    drawing.fonts.push_back(reportQFont(ReportPainter::footerFont()));
    const QFontMetricsF footerMetrics(drawing.fonts.back());
    for (int p = 0; p < pages.count(); ++p) {
        std::vector<DrawnText> &texts = drawing.pages.emplace_back();
        for (const PageItem &item : pages.pages[static_cast<size_t>(p)].items)
            if (!item.text.isEmpty())
                texts.push_back({QPointF(item.box.left(), item.baseline), item.box, item.text, item.font, item.clip});
        const QString number = ReportPainter::pageNumberText(pages, p);
        texts.push_back({QPointF(pages.footerLeft, pages.footerBaseline), QRectF(), pages.printedOn, footer, false});
        texts.push_back({QPointF(pages.footerRight - footerMetrics.horizontalAdvance(number), pages.footerBaseline),
                         QRectF(), number, footer, false});
    }
    return drawing;
}

bool writePdf(const Drawing &drawing, const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QPdfWriter writer(&file);
    writer.setResolution(1200);
    writer.setPageLayout(QPageLayout(drawing.paper.size, drawing.paper.orientation, QMarginsF()));
    QPainter painter;
    if (!painter.begin(&writer))
        return false;
    // One unit is one twip.
    const qreal scale = writer.resolution() / 1440.0;
    for (size_t p = 0; p < drawing.pages.size(); ++p) {
        if (p > 0)
            writer.newPage();
        painter.resetTransform();
        painter.scale(scale, scale);
        int currentFont = -1;
        for (const DrawnText &text : drawing.pages[p]) {
            if (text.font != currentFont) {
                painter.setFont(drawing.fonts[static_cast<size_t>(text.font)]);
                currentFont = text.font;
            }
            if (text.clipped) {
                painter.save();
                painter.setClipRect(text.clip, Qt::IntersectClip);
                painter.drawText(text.origin, text.text);
                painter.restore();
            } else {
                painter.drawText(text.origin, text.text);
            }
        }
    }
    return painter.end();
}

bool exec(sqlite3 *db, const QString &statement)
{
    return sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace Floor
