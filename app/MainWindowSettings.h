#pragma once
// What the main window keeps between runs in the settings store. Each key is
// declared once, in MainWindowSettings.cpp, with its default and its bounds;
// start-up reads through these functions and shutdown writes through them.
//
//   ColumnHeaders1 .. ColumnHeaders10  column widths in twips, in the user's
//                                      number format ("1234,5" in German)
//   WindowState                        0 normal, 1 minimized, 2 maximized
//   SortColumn, SortOrder              the list's sort (-1: unsorted; 1: descending;
//                                      10, 11: the history's date columns)
//   ShowClosed, FindBar                1 on, 0 off
//   WindowLeft, WindowTop,             a normal window's place and size,
//   WindowWidth, WindowHeight          whole twips
//   DetailPane/Shown, DetailPane/Below the detail pane (F3) and its place: 1 on, 0 off
//   Columns/ClosedDate,                the history's date columns after the ten:
//   Columns/LastChanged                1 shown, 0 hidden
//
// The widths and the window state are written together, once, at shutdown,
// so that a store that cannot be written is told once.

#include <QList>
#include <QRect>
#include <QString>
#include <qnamespace.h>

#include <optional>
#include <utility>

namespace MainWindowSettings {

// A key and the text stored under it.
using Entry = std::pair<QString, QString>;

// Column widths are kept between these (twips).
inline constexpr double minColumnWidth = 150;
inline constexpr double maxColumnWidth = 60000;

// The stored width of a column (0 is the first), brought between the
// bounds; without one, 1200 twips for the first column and 1700 for the
// others. Throws Error when the stored text is not a number.
double readColumnWidth(int column);
// The entry that keeps a column's width, a single-precision number without
// grouping in the user's format: 1700 stays "1700", 1234.5 is "1234,5" in German.
Entry columnWidthEntry(int column, double twips);

// The stored window state (0, 1 or 2); 0 without one, and for a stored
// number that is no window state. Throws Error when it is not a number.
int readWindowState();
Entry windowStateEntry(int state);

// Writes the entries in one go. Throws Error when the store cannot be written.
void save(const QList<Entry> &entries);

// How the list is shown: its sort, the closed issues and the find bar.
struct View {
    int sortColumn = -1; // -1: unsorted
    Qt::SortOrder sortOrder = Qt::AscendingOrder;
    bool showClosed = false;
    bool findBar = true;
};
// The stored view. A key that is missing, not a whole number or out of its
// bounds reads as its default; a switch is on only when stored as 1.
View readView();
// Writes the view. A store that cannot be written is ignored here: shutdown
// tells the user of it when it writes the widths.
void saveView(const View &view);

// The normal window's place and size in twips; nothing when any of the four
// is missing or not a whole number, or the size is not positive.
std::optional<QRect> readNormalGeometry();
// Writes them; nothing does nothing. A store that cannot be written is
// ignored here, as for the view.
void saveNormalGeometry(const std::optional<QRect> &twips);

// The detail pane: whether it shows, and whether below the list rather
// than beside it. Off and beside when nothing is stored.
struct Pane {
    bool shown = false;
    bool below = false;
};
Pane readPane();
// Written as soon as the user changes it; a store that cannot be written is
// ignored here, as for the view.
void savePane(const Pane &pane);

// The two columns the history gives, hidden unless the user shows them.
struct HistoryColumns {
    bool closedDate = false;
    bool lastChanged = false;
    bool any() const { return closedDate || lastChanged; }
    bool operator==(const HistoryColumns &other) const = default;
};
HistoryColumns readHistoryColumns();
// Written as soon as the user changes them, as the pane's settings are.
void saveHistoryColumns(const HistoryColumns &columns);

// The largest file the detail pane attaches, in bytes (stored in MiB under
// Attachments/SizeLimitMiB; 512 MiB when nothing, or nothing sound, is
// stored). Set by hand only.
qint64 readAttachmentLimit();

} // namespace MainWindowSettings
