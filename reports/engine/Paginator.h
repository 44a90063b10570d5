#pragma once
// Pagination: turns a layout and its rows into pages, for one paper.
//
// The report header prints once at the top of the first page, the page header
// at the top of every page (below the report header on the first), the page
// footer at the bottom of every page, one detail block per row in the rows'
// order, and the report footer after the last row. A block that does not fit
// in what is left of a page moves whole to the next page. Only a text box
// that can grow (the comment of the details layout) grows, to the height of
// its wrapped text, and its block grows with it; a block taller than a whole
// page starts where it is and its text continues, line by line, on the
// following pages, below the block's first line (the ID and title)
// repeated there. Every other box keeps its size: a longer text is cut
// short with an ellipsis at its end.

#include "reports/engine/ReportData.h"
#include "reports/engine/ReportLayout.h"
#include "reports/engine/ReportPages.h"
#include "reports/engine/TextMeasurer.h"

#include <memory>

namespace ReportText {
// Space kept free inside each box on the left and on the right, so that the
// texts of two boxes side by side never touch.
inline constexpr qreal padding = 30;
// A one-line box never shows more characters than this (a box is at most a
// page wide); longer texts are cut before they are measured.
inline constexpr int maxLineLength = 2048;
} // namespace ReportText

// Throws Error when a text box names a column the rows do not have.
ReportPages paginate(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper,
                     TextMeasurer &measurer);

class Paginator;

// The same pagination a part at a time, so that a window can show the first
// pages of a long report while the rest is still being laid out. The layout,
// the rows and the measurer must outlive it. The pages come out exactly as
// paginate makes them, however the work is divided.
class ReportPaginator {
public:
    // Throws Error when a text box names a column the rows do not have.
    ReportPaginator(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper,
                    TextMeasurer &measurer);
    ~ReportPaginator();
    ReportPaginator(const ReportPaginator &) = delete;
    ReportPaginator &operator=(const ReportPaginator &) = delete;

    // Places up to `count` more rows, and the report footer after the last
    // one. Returns true when the report is complete.
    bool layOutRows(int count);
    bool complete() const;

    // The rows placed so far.
    int rowsPlaced() const;

    // The pages so far. Until the report is complete the last of them is
    // still being filled: finishedPages() counts only those that will not
    // change any more.
    const ReportPages &pages() const;
    int finishedPages() const;

private:
    std::unique_ptr<Paginator> m_paginator;
};
