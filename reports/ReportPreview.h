#pragma once
// The modal print preview of one report: page navigation, zoom, fit to
// width or to the whole page, a choice of paper, printing through the system
// print dialog and export to a PDF file. The report is laid out once into
// pages (and again only when the paper changes), and only the page on show is
// drawn. A long report opens as soon as its first pages are laid out; the rest
// follows in short slices between the window's events, so the window answers
// at once. Asking for the pages, their count, the last page, printing or
// export first completes the layout.

#include "reports/engine/ReportData.h"
#include "reports/engine/ReportLayout.h"
#include "reports/engine/ReportPages.h"
#include "reports/engine/ReportPainter.h"

#include <QDialog>

#include <memory>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class QTimer;
class QtTextMeasurer;
class ReportPageView;
class ReportPaginator;

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(ReportLayout layout, ReportData rows, const ReportPaper &paper, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const ReportLayout &layout() const { return m_layout; }
    // The whole report's pages and their number (completing the layout).
    const ReportPages &pages() const;
    const ReportPaper &paper() const { return m_paper; }
    int pageCount() const;
    // Whether every page is laid out, and how many pages are so far.
    bool layoutComplete() const;
    int pagesLaidOut() const;
    int currentPage() const { return m_current; } // 0-based
    qreal zoom() const { return m_zoom; }         // 1 is the paper's real size

    // Lays the report out anew for another paper and shows its first page.
    void setPaper(const ReportPaper &paper);

    // Writes the whole report to a PDF file; false when progress stopped it.
    // Throws Error, saying why, when it cannot be written. Either way an
    // earlier file at the path stays as it was and no new one is left.
    bool exportPdf(const QString &path, const ReportPainter::Progress &progress = {});

public slots:
    void showPage(int index);
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void setZoom(qreal zoom);
    void fitWidth();
    void fitPage();
    // The system print dialog, then printing on the chosen printer and paper.
    void printReport();
    // A file dialog for the PDF's name, then exportPdf.
    void exportPdfWithDialog();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class Fit { None, Width, Page };
    // Starts laying the report out for a paper, and lays out the first part.
    void startLayout(const ReportPaper &paper);
    // One slice of the layout, run between events until the report is complete.
    void continueLayout();
    void completeLayout() const;
    void layoutCompleted() const;
    void buildControls();
    void refresh();
    void updateNavigation();
    void applyFit();
    void zoomChosen(int index);
    void paperChosen(int index);

    ReportLayout m_layout;
    ReportData m_rows;
    ReportPaper m_paper;
    std::unique_ptr<QtTextMeasurer> m_measurer;
    std::unique_ptr<ReportPaginator> m_paginator;
    QTimer *m_layoutTimer = nullptr;
    int m_current = 0;
    qreal m_zoom = 1.0;
    Fit m_fit = Fit::Width;

    QPushButton *m_first = nullptr;
    QPushButton *m_previous = nullptr;
    QSpinBox *m_pageNumber = nullptr;
    QLabel *m_pageCount = nullptr;
    QPushButton *m_next = nullptr;
    QPushButton *m_last = nullptr;
    QComboBox *m_zoomChoice = nullptr;
    QComboBox *m_paperChoice = nullptr;
    QPushButton *m_print = nullptr;
    QPushButton *m_export = nullptr;
    QPushButton *m_close = nullptr;
    QScrollArea *m_scroll = nullptr;
    ReportPageView *m_view = nullptr;
};
