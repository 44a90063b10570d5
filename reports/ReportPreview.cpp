#include "reports/ReportPreview.h"

#include "data/Error.h"

#include "platform/AccessKeys.h"
#include "platform/Dialogs.h"
#include "reports/PrintJob.h"
#include "reports/ReportPageView.h"
#include "reports/engine/Paginator.h"
#include "reports/engine/ReportPainter.h"
#include "reports/engine/TextMeasurer.h"

#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QEvent>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QPrintDialog>
#include <QPrinter>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStandardPaths>
#include <QTimer>
#include <QVBoxLayout>

#include <limits>

namespace {

constexpr qreal minZoom = 0.1;
constexpr qreal maxZoom = 8.0;
// Zoom choices hold a percentage; these two stand for the fitting modes.
constexpr int fitWidthChoice = -1;
constexpr int fitPageChoice = -2;

// Laying out while the window is open: the first part for at most this long
// (a report that takes no longer is complete when the window opens), then
// slices of at most this long between events.
constexpr qint64 firstPartMs = 40;
constexpr qint64 sliceMs = 15;
// Rows placed between two looks at the clock.
constexpr int rowsPerStep = 8;

ReportPages layOut(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper)
{
    QtTextMeasurer measurer;
    return paginate(layout, rows, paper, measurer);
}

// A button of the preview's bar, with its access key (unique in the window).
QPushButton *commandButton(const QString &caption, QChar accessKey, const char *name, QWidget *parent)
{
    auto *button = new QPushButton(platform::withAccessKey(caption, accessKey), parent);
    button->setObjectName(QLatin1String(name));
    button->setAccessibleName(caption);
    button->setAutoDefault(false);
    return button;
}

} // namespace

ReportPreview::ReportPreview(ReportLayout layout, ReportData rows, const ReportPaper &paper, QWidget *parent)
    : QDialog(parent), m_layout(std::move(layout)), m_rows(std::move(rows))
{
    setObjectName(QStringLiteral("ReportPreview"));
    setWindowTitle(m_layout.caption);
    setModal(true);
    setSizeGripEnabled(true);
    m_measurer = std::make_unique<QtTextMeasurer>();
    m_layoutTimer = new QTimer(this);
    m_layoutTimer->setInterval(0);
    connect(m_layoutTimer, &QTimer::timeout, this, &ReportPreview::continueLayout);
    startLayout(paper);
    buildControls();

    QSize size(1100, 800);
    if (const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen())
        size = size.boundedTo(screen->availableGeometry().size() * 0.9);
    resize(size);
    refresh();
}

ReportPreview::~ReportPreview() = default;

void ReportPreview::startLayout(const ReportPaper &paper)
{
    m_layoutTimer->stop();
    m_paper = paper;
    m_paginator.reset();
    m_paginator = std::make_unique<ReportPaginator>(m_layout, m_rows, paper, *m_measurer);
    // The view held the pages of the paginator just replaced: give it the new ones.
    if (m_view)
        m_view->showPage(&m_paginator->pages(), 0, m_zoom);
    QElapsedTimer clock;
    clock.start();
    while (!m_paginator->layOutRows(rowsPerStep))
        if (m_paginator->finishedPages() > 0 && clock.elapsed() >= firstPartMs)
            break;
    if (!m_paginator->complete())
        m_layoutTimer->start();
}

void ReportPreview::continueLayout()
{
    QElapsedTimer clock;
    clock.start();
    while (!m_paginator->layOutRows(rowsPerStep) && clock.elapsed() < sliceMs) {
    }
    if (m_paginator->complete())
        layoutCompleted();
    updateNavigation();
}

void ReportPreview::layoutCompleted() const
{
    m_layoutTimer->stop();
    // The page on show was drawn with "Page N" while the count was unknown.
    if (m_view)
        m_view->update();
}

void ReportPreview::completeLayout() const
{
    if (m_paginator->complete())
        return;
    m_paginator->layOutRows(std::numeric_limits<int>::max());
    layoutCompleted();
}

const ReportPages &ReportPreview::pages() const
{
    completeLayout();
    return m_paginator->pages();
}

int ReportPreview::pageCount() const
{
    return pages().count();
}

bool ReportPreview::layoutComplete() const
{
    return m_paginator->complete();
}

int ReportPreview::pagesLaidOut() const
{
    return m_paginator->finishedPages();
}

void ReportPreview::buildControls()
{
    m_first = commandButton(QStringLiteral("First"), u'F', "FirstPage", this);
    m_previous = commandButton(QStringLiteral("Previous"), u'P', "PreviousPage", this);
    m_pageNumber = new QSpinBox(this);
    m_pageNumber->setObjectName(QStringLiteral("PageNumber"));
    m_pageNumber->setAccessibleName(QStringLiteral("Page"));
    m_pageNumber->setKeyboardTracking(false);
    m_pageCount = new QLabel(this);
    m_pageCount->setObjectName(QStringLiteral("PageCount"));
    m_next = commandButton(QStringLiteral("Next"), u'N', "NextPage", this);
    m_last = commandButton(QStringLiteral("Last"), u'L', "LastPage", this);

    m_zoomChoice = new QComboBox(this);
    m_zoomChoice->setObjectName(QStringLiteral("Zoom"));
    m_zoomChoice->setAccessibleName(QStringLiteral("Zoom"));
    m_zoomChoice->addItem(QStringLiteral("Fit Width"), fitWidthChoice);
    m_zoomChoice->addItem(QStringLiteral("Whole Page"), fitPageChoice);
    for (const int percent : {50, 75, 100, 125, 150, 200, 300, 400})
        m_zoomChoice->addItem(QStringLiteral("%1%").arg(percent), percent);

    m_paperChoice = new QComboBox(this);
    m_paperChoice->setObjectName(QStringLiteral("Paper"));
    m_paperChoice->setAccessibleName(QStringLiteral("Paper"));
    for (const QPageSize::PageSizeId id : {QPageSize::Letter, QPageSize::A4, QPageSize::Legal})
        m_paperChoice->addItem(QPageSize::name(id), static_cast<int>(id));
    int paperIndex = m_paperChoice->findData(static_cast<int>(m_paper.size.id()));
    if (paperIndex < 0) {
        m_paperChoice->addItem(m_paper.size.name(), static_cast<int>(m_paper.size.id()));
        paperIndex = m_paperChoice->count() - 1;
    }
    m_paperChoice->setCurrentIndex(paperIndex);

    m_print = commandButton(QStringLiteral("Print..."), u'r', "Print", this);
    m_export = commandButton(QStringLiteral("Export to PDF..."), u'E', "ExportPdf", this);
    m_close = commandButton(QStringLiteral("Close"), u'C', "Close", this);

    auto *bar = new QHBoxLayout;
    bar->addWidget(m_first);
    bar->addWidget(m_previous);
    bar->addWidget(m_pageNumber);
    bar->addWidget(m_pageCount);
    bar->addWidget(m_next);
    bar->addWidget(m_last);
    bar->addSpacing(16);
    bar->addWidget(m_zoomChoice);
    bar->addWidget(m_paperChoice);
    bar->addStretch(1);
    bar->addWidget(m_print);
    bar->addWidget(m_export);
    bar->addWidget(m_close);

    m_view = new ReportPageView;
    m_view->setObjectName(QStringLiteral("PageView"));
    m_scroll = new QScrollArea(this);
    m_scroll->setObjectName(QStringLiteral("PageArea"));
    m_scroll->setBackgroundRole(QPalette::Dark);
    m_scroll->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    // Always there, so that fitting to the width does not make it come and go.
    m_scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_scroll->setWidget(m_view);
    m_scroll->viewport()->installEventFilter(this);

    auto *column = new QVBoxLayout(this);
    column->addLayout(bar);
    column->addWidget(m_scroll, 1);

    connect(m_first, &QPushButton::clicked, this, &ReportPreview::firstPage);
    connect(m_previous, &QPushButton::clicked, this, &ReportPreview::previousPage);
    connect(m_next, &QPushButton::clicked, this, &ReportPreview::nextPage);
    connect(m_last, &QPushButton::clicked, this, &ReportPreview::lastPage);
    connect(m_pageNumber, &QSpinBox::valueChanged, this, [this](int number) { showPage(number - 1); });
    connect(m_zoomChoice, &QComboBox::activated, this, &ReportPreview::zoomChosen);
    connect(m_paperChoice, &QComboBox::activated, this, &ReportPreview::paperChosen);
    connect(m_print, &QPushButton::clicked, this, &ReportPreview::printReport);
    connect(m_export, &QPushButton::clicked, this, &ReportPreview::exportPdfWithDialog);
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);

    const auto shortcut = [this](QKeySequence::StandardKey key, void (ReportPreview::*slot)()) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, slot);
    };
    shortcut(QKeySequence::MoveToPreviousPage, &ReportPreview::previousPage);
    shortcut(QKeySequence::MoveToNextPage, &ReportPreview::nextPage);
    shortcut(QKeySequence::MoveToStartOfDocument, &ReportPreview::firstPage);
    shortcut(QKeySequence::MoveToEndOfDocument, &ReportPreview::lastPage);
    shortcut(QKeySequence::Print, &ReportPreview::printReport);
    connect(new QShortcut(QKeySequence::ZoomIn, this), &QShortcut::activated, this, [this] { setZoom(m_zoom * 1.25); });
    connect(new QShortcut(QKeySequence::ZoomOut, this), &QShortcut::activated, this,
            [this] { setZoom(m_zoom / 1.25); });
}

void ReportPreview::refresh()
{
    m_current = qBound(0, m_current, pagesLaidOut() - 1);
    m_view->showPage(&m_paginator->pages(), m_current, m_zoom);
    updateNavigation();

    const QSignalBlocker blockZoom(m_zoomChoice);
    const int choice = m_fit == Fit::Width ? fitWidthChoice : m_fit == Fit::Page ? fitPageChoice : qRound(m_zoom * 100);
    m_zoomChoice->setCurrentIndex(m_zoomChoice->findData(choice));
}

void ReportPreview::updateNavigation()
{
    // Only pages that are laid out completely are shown and counted; while
    // the rest is laid out the count grows, with a "+" after it.
    const bool complete = m_paginator->complete();
    const int count = pagesLaidOut();
    const QSignalBlocker blockPage(m_pageNumber);
    m_pageNumber->setRange(1, count);
    m_pageNumber->setValue(m_current + 1);
    m_pageCount->setText(complete ? QStringLiteral("of %1").arg(count) : QStringLiteral("of %1+").arg(count));
    m_first->setEnabled(m_current > 0);
    m_previous->setEnabled(m_current > 0);
    m_next->setEnabled(m_current < count - 1);
    m_last->setEnabled(m_current < count - 1 || !complete);
}

void ReportPreview::showPage(int index)
{
    m_current = index;
    refresh();
    m_scroll->verticalScrollBar()->setValue(0);
}

void ReportPreview::firstPage()
{
    showPage(0);
}

void ReportPreview::previousPage()
{
    if (m_current > 0)
        showPage(m_current - 1);
}

void ReportPreview::nextPage()
{
    if (m_current < pagesLaidOut() - 1)
        showPage(m_current + 1);
}

void ReportPreview::lastPage()
{
    showPage(pageCount() - 1);
}

void ReportPreview::setZoom(qreal zoom)
{
    m_fit = Fit::None;
    m_zoom = qBound(minZoom, zoom, maxZoom);
    refresh();
}

void ReportPreview::fitWidth()
{
    m_fit = Fit::Width;
    applyFit();
}

void ReportPreview::fitPage()
{
    m_fit = Fit::Page;
    applyFit();
}

void ReportPreview::applyFit()
{
    const QSizeF paper = m_view->paperPixels();
    // One pixel to spare, so that rounding never calls for a horizontal scroll bar.
    const QSize room = m_scroll->viewport()->size() - QSize(2, 2) * ReportPageView::deskMargin - QSize(1, 1);
    if (paper.isEmpty() || room.width() <= 0 || room.height() <= 0) {
        refresh();
        return;
    }
    qreal zoom = room.width() / paper.width();
    if (m_fit == Fit::Page)
        zoom = qMin(zoom, room.height() / paper.height());
    m_zoom = qBound(minZoom, zoom, maxZoom);
    refresh();
}

void ReportPreview::zoomChosen(int index)
{
    const int choice = m_zoomChoice->itemData(index).toInt();
    if (choice == fitWidthChoice)
        fitWidth();
    else if (choice == fitPageChoice)
        fitPage();
    else
        setZoom(choice / 100.0);
}

void ReportPreview::paperChosen(int index)
{
    const auto id = static_cast<QPageSize::PageSizeId>(m_paperChoice->itemData(index).toInt());
    setPaper({QPageSize(id), m_paper.orientation});
}

void ReportPreview::setPaper(const ReportPaper &paper)
{
    if (paper == m_paper)
        return;
    startLayout(paper);
    m_current = 0;
    const QSignalBlocker block(m_paperChoice);
    const int index = m_paperChoice->findData(static_cast<int>(paper.size.id()));
    if (index >= 0)
        m_paperChoice->setCurrentIndex(index);
    if (m_fit != Fit::None)
        applyFit();
    else
        refresh();
}

namespace {

// A progress box with Cancel for drawing a long report: it shows only when
// the work takes longer than a moment.
class DrawingProgress {
public:
    DrawingProgress(QWidget *parent, const QString &label, int pages)
        : m_box(label, QStringLiteral("Cancel"), 0, pages, parent)
    {
        m_box.setWindowModality(Qt::WindowModal);
        m_box.setMinimumDuration(500);
    }
    ReportPainter::Progress callback()
    {
        return [this](int done, int) {
            m_box.setValue(done); // lets a modal box take the Cancel click
            return !m_box.wasCanceled();
        };
    }
    bool cancelled() const { return m_box.wasCanceled(); }

private:
    QProgressDialog m_box;
};

} // namespace

bool ReportPreview::exportPdf(const QString &path, const ReportPainter::Progress &progress)
{
    return ReportPainter::writePdfFile(path, pages(), m_layout.caption, progress);
}

void ReportPreview::exportPdfWithDialog()
{
    QString name = m_layout.caption;
    name.replace(QLatin1Char('/'), QLatin1Char('-'));
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    const QString path =
        platform::saveFileName(QStringLiteral("Export to PDF"), QDir(folder).filePath(name + QStringLiteral(".pdf")),
                               QStringLiteral("PDF files (*.pdf)"));
    if (path.isEmpty())
        return;
    DrawingProgress progress(this, QStringLiteral("Exporting %1...").arg(m_layout.caption), pageCount());
    try {
        if (exportPdf(path, progress.callback()))
            platform::msgBox(QStringLiteral("The report was saved as \"%1\".").arg(QDir::toNativeSeparators(path)));
    } catch (const Error &error) {
        platform::msgBox(QStringLiteral("The PDF file \"%1\" could not be written: %2").arg(path, error.description()));
    }
}

void ReportPreview::printReport()
{
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(m_layout.caption);
    printer.setPageSize(m_paper.size);
    printer.setPageOrientation(m_paper.orientation);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("Print %1").arg(m_layout.caption));
    dialog.setMinMax(1, pageCount());
    dialog.setOption(QAbstractPrintDialog::PrintCurrentPage);
    if (dialog.exec() != QDialog::Accepted)
        return;

    const QPageLayout chosen = printer.pageLayout();
    const ReportPaper paper{chosen.pageSize(), chosen.orientation()};
    ReportPages relaidOut;
    const ReportPages *pages = &this->pages();
    if (!(paper == m_paper)) {
        relaidOut = layOut(m_layout, m_rows, paper);
        pages = &relaidOut;
    }
    int first = 0;
    int last = pages->count() - 1;
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = printer.fromPage() - 1;
        last = qMin(last, printer.toPage() > 0 ? printer.toPage() - 1 : last);
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        first = last = m_current;
    }
    DrawingProgress progress(this, QStringLiteral("Printing %1...").arg(m_layout.caption), last - first + 1);
    try {
        if (!printPages(PrintJob::fromPrinter(printer, m_layout.caption), *pages, first, last, progress.callback()))
            platform::msgBox(QStringLiteral("Printing was cancelled; nothing was printed."));
    } catch (const Error &error) {
        platform::msgBox(QStringLiteral("The report could not be printed: %1").arg(error.description()));
    }
}

bool ReportPreview::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_scroll->viewport() && event->type() == QEvent::Resize && m_fit != Fit::None)
        applyFit();
    return QDialog::eventFilter(watched, event);
}
