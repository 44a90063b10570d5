#pragma once
// The page model: every text of every page of a report, placed and measured.
// Pagination makes it once; painting only reads it. All coordinates are in
// twips from the paper's top-left corner.

#include "reports/engine/ReportLayout.h"

#include <QPageLayout>
#include <QPageSize>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

// A sheet of paper in an orientation.
struct ReportPaper {
    QPageSize size = QPageSize(QPageSize::Letter);
    QPageLayout::Orientation orientation = QPageLayout::Landscape;

    // Width and height in twips, as oriented.
    QSizeF twips() const;

    // Letter where the locale measures in inches (the United States), A4 elsewhere.
    static ReportPaper forLocale(QPageLayout::Orientation orientation);

    bool operator==(const ReportPaper &other) const
    {
        return size.isEquivalentTo(other.size) && orientation == other.orientation;
    }
};

// One text on a page.
struct PageItem {
    QRectF box;          // where the text may show; its left edge is where the text starts
    qreal baseline = 0;  // the y of the text's baseline
    QString text;        // empty for an empty box
    int row = -1;        // the row a detail text comes from; -1 for other sections
    quint16 font = 0;    // index into ReportPages::fonts
    quint16 control = 0; // index of the control in its section
    quint8 section = 0;  // ReportLayout::SectionIndex
    bool clip = false;   // the text is wider than the box and is cut at its edges
};

struct ReportPage {
    std::vector<PageItem> items;
};

struct ReportPages {
    ReportPaper paper;
    QSizeF size; // twips
    std::vector<ReportFont> fonts;
    std::vector<ReportPage> pages;

    // The line the painter adds at the foot of every page, in the bottom
    // margin: the date the report was made (left) and "Page N of M"
    // (right; "Page N" while the pages are still being counted).
    QString printedOn;        // "Printed 12/7/2026"; empty: no footer line
    qreal footerBaseline = 0; // twips from the top
    qreal footerLeft = 0;     // the report body's left and right edges, twips
    qreal footerRight = 0;
    int totalPages = 0; // set once pagination is complete

    int count() const { return static_cast<int>(pages.size()); }
};
