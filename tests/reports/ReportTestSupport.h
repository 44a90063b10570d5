#pragma once
// Helpers for the report tests: rows to print, a measurer with fixed numbers,
// reading a page model, and reading a PDF back as text.

#include "reports/engine/ReportData.h"
#include "reports/engine/ReportPages.h"
#include "reports/engine/TextMeasurer.h"

#include <QList>
#include <QString>

// The ten columns the layouts read.
QStringList issueColumns();

// n rows; row i has the title "Issue NNNN" and its other columns say which row they belong to.
ReportData numberedRows(int count);

// Every character 100 twips wide, every line 200 high with the baseline 160
// below its top; lines break at line separators and after as many
// characters as fit.
class FixedMeasurer final : public TextMeasurer {
public:
    static constexpr qreal charWidth = 100;
    static constexpr qreal lineHeight = 200;
    Metrics metrics(const ReportFont &) override { return {160, lineHeight}; }
    qreal width(const ReportFont &, const QString &text) override { return text.size() * charWidth; }
    int fittingLength(const ReportFont &, const QString &text, qreal width) override;
    std::vector<Line> wrap(const ReportFont &, const QString &text, qreal width) override;
};

// The items of a page from one section (and, for the detail, one row; -2 for any row).
std::vector<PageItem> itemsOf(const ReportPage &page, int section, int row = -2);

// The rows a page shows detail texts of, in the order they appear, each once.
QList<int> rowsOnPage(const ReportPage &page);

// The text of one control of one row anywhere in the pages, line texts joined.
QString textOf(const ReportPages &pages, int row, int control);

// The whole text of a PDF file as pdftotext -layout reads it; pages are
// separated by form feeds.
QString pdfText(const QString &path);

// True when each needle occurs in the haystack after the previous one.
bool inOrder(const QString &haystack, const QStringList &needles, QString *missing = nullptr);
