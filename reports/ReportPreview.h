#pragma once
// The modal print preview of one report: page navigation, zoom, fit to
// width or to the whole page, a choice of paper, printing through the system
// print dialog and export to a PDF file. The report is laid out once into
// pages when the preview opens (and again only when the paper changes), and
// only the page on show is drawn.

#include "reports/ReportData.h"
#include "reports/ReportLayout.h"
#include "reports/ReportPages.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QScrollArea;
class QSpinBox;
class ReportPageView;

class ReportPreview : public QDialog {
    Q_OBJECT
public:
    ReportPreview(ReportLayout layout, ReportData rows, const ReportPaper &paper, QWidget *parent = nullptr);
    ~ReportPreview() override;

    const ReportLayout &layout() const { return m_layout; }
    const ReportPages &pages() const { return m_pages; }
    const ReportPaper &paper() const { return m_pages.paper; }
    int pageCount() const { return m_pages.count(); }
    int currentPage() const { return m_current; } // 0-based
    qreal zoom() const { return m_zoom; }         // 1 is the paper's real size

    // Lays the report out anew for another paper and shows its first page.
    void setPaper(const ReportPaper &paper);

    // Writes the whole report to a PDF file. On failure an earlier file at the
    // path stays as it was, and errorText tells why.
    bool exportPdf(const QString &path, QString *errorText = nullptr);

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
    void buildControls();
    void refresh();
    void applyFit();
    void zoomChosen(int index);
    void paperChosen(int index);

    ReportLayout m_layout;
    ReportData m_rows;
    ReportPages m_pages;
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
