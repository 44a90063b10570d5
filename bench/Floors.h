#pragma once
// The floors: the least work that gives the same result as the program's
// path, measured in the same process on the same data. A case's ratio is our
// time over its floor's.

#include "reports/engine/ReportPages.h"

#include <QFont>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <array>
#include <vector>

struct sqlite3;

namespace Floor {

// The ten cells of one list row, in the list's column order: ID, Title,
// Assigned To Name, Opened By Name, Opened Date, Due Date, Status, Category,
// Priority, Comment.
using ListRow = std::array<QString, 10>;

// Steps "select * from [Open Issues]" with sqlite3_step and converts the ten
// cells of each row to QString (a null to empty text), nothing more.
std::vector<ListRow> readOpenIssues(sqlite3 *db);

// A row with the sort key of its opened date (days and milliseconds), as the
// list computes it once when it is filled.
struct SortRow {
    ListRow cells;
    qint64 openedKey = 0;
};
std::vector<SortRow> sortRows(std::vector<ListRow> rows);

// Stable sorts, ascending, with the list's comparisons: a text column by its
// collation keys (the same keys the list makes) compared byte by byte, the
// opened date by its key.
void sortByText(std::vector<SortRow> &rows, int column);
void sortByOpenedDate(std::vector<SortRow> &rows);

// A report's pages flattened to what a painter draws: each text with its font,
// origin and, for a text cut at its box's edges, the clip.
struct DrawnText {
    QPointF origin;
    QRectF clip;
    QString text;
    int font = 0;
    bool clipped = false;
};
struct Drawing {
    ReportPaper paper;
    std::vector<QFont> fonts;
    std::vector<std::vector<DrawnText>> pages;
};
Drawing drawingOf(const ReportPages &pages);

// Draws the texts at their positions with a plain QPainter into a PDF file.
// False when the file cannot be written.
bool writePdf(const Drawing &drawing, const QString &path);

// Runs one statement with sqlite3_exec. False when it fails.
bool exec(sqlite3 *db, const QString &statement);

} // namespace Floor
