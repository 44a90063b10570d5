#include "app/MainWindow.h"

#include "app/ColumnFill.h"
#include "app/DetailPane.h"

#include "app/FilterBar.h"
#include "app/Shutdown.h"
#include "app/StartUp.h"
#include "app/list/IssueListLoading.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueListReread.h"
#include "app/list/IssueSearch.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "platform/AccessibleNames.h"
#include "platform/AttachmentCopies.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ProgramEnd.h"
#include "platform/ScreenFit.h"
#include "platform/Twips.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {

// The width a column has before start-up gives it one (twips).
constexpr double listDefaultColumnWidth = 1440;

QRect pixelsOf(const QRectF &twips)
{
    return QRect(platform::twipsToPixels(twips.left()), platform::twipsToPixels(twips.top()),
                 std::max(0, platform::twipsToPixels(twips.width())),
                 std::max(0, platform::twipsToPixels(twips.height())));
}

QSize designClientSize()
{
    return QSize(platform::twipsToPixels(MainWindowLayout::designWidth),
                 platform::twipsToPixels(MainWindowLayout::designHeight));
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint)
{
    platform::installAccessibleNames();
    setObjectName(QStringLiteral("Form1"));
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));

    m_model = new IssueListModel(this);
    m_issueList = new QTreeView(this);
    m_issueList->setObjectName(QStringLiteral("ListView1"));
    m_issueList->setAccessibleName(QStringLiteral("Open issues"));
    m_issueList->setModel(m_model);
    m_issueList->setRootIsDecorated(false);
    m_issueList->setItemsExpandable(false);
    m_issueList->setExpandsOnDoubleClick(false);
    m_issueList->setUniformRowHeights(true);
    m_issueList->setAllColumnsShowFocus(true);
    // Shift and Ctrl with mouse and keys, and Ctrl+A, select several rows.
    m_issueList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_issueList->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_issueList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_issueList->setSortingEnabled(false); // the header click sorts, through ListView1_ColumnClick
    QHeaderView *header = m_issueList->header();
    header->setSectionsMovable(false); // a column's position stays its number in the settings
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(platform::twipsToPixels(MainWindowSettings::minColumnWidth));
    header->setMaximumSectionSize(platform::twipsToPixels(MainWindowSettings::maxColumnWidth));
    header->setDefaultSectionSize(platform::twipsToPixels(listDefaultColumnWidth));
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::sortByColumn);
    // The Title column takes the width a wider window gives the list.
    m_titleFill = new ColumnFill(m_issueList, titleColumn);

    m_filterBar = new FilterBar(this);
    m_search = new IssueSearch(m_model, this);
    connect(m_filterBar, &FilterBar::criteriaChanged, this, [this] { m_search->applyLater(filterCriteria()); });
    connect(m_filterBar, &FilterBar::showClosedToggled, this, &MainWindow::refillList);
    connect(m_filterBar, &FilterBar::closeRequested, this, &MainWindow::hideFilterBar);
    connect(m_search, &IssueSearch::applied, this, &MainWindow::showCountsAndHint);
    // Each choice offers the values its column holds in the list now.
    const auto valuesOf = [this](int column) {
        return [this, column] {
            QMap<QString, QString> byFolded;
            for (const IssueListModel::Row &row : m_model->table()->rows)
                if (!row.cells[static_cast<size_t>(column)].isEmpty())
                    byFolded.insert(row.cells[static_cast<size_t>(column)].toCaseFolded(),
                                    row.cells[static_cast<size_t>(column)]);
            return QStringList(byFolded.cbegin(), byFolded.cend());
        };
    };
    m_filterBar->offerValues(valuesOf(2), valuesOf(6), valuesOf(7), valuesOf(8));
    m_emptyHint = new QLabel(m_issueList->viewport());
    m_emptyHint->setObjectName(QStringLiteral("emptyListHint"));
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);
    // Laid out by the viewport itself: the list sizes its viewport only after
    // the list's own geometry changed, so a size taken then would be stale.
    auto *hintArea = new QVBoxLayout(m_issueList->viewport());
    hintArea->setContentsMargins(12, 12, 12, 12);
    hintArea->addWidget(m_emptyHint);
    m_missingValuesLine = new QLabel(this);
    m_missingValuesLine->setObjectName(QStringLiteral("missingValuesLine"));
    m_missingValuesLine->setFont(QFont(QStringLiteral("Arial"), 9)); // quiet: not bold
    m_missingValuesLine->hide();

    const auto makeButton = [this](QPushButton *&button, const char *name, const QString &caption, QChar key) {
        button = platform::makeButton(*this, QLatin1String(name), caption, key);
        // Enter presses the button that has the keyboard, as Space does.
        button->setAutoDefault(true);
    };
    makeButton(m_addButton, "PushButton2", QStringLiteral("Add New Issue"), u'A');
    makeButton(m_editButton, "PushButton1", QStringLiteral("Edit Selected Issue"), u'E');
    makeButton(m_sampleDataButton, "PushButton4", QStringLiteral("Load Sample/Example Data"), u'S');
    makeButton(m_deleteButton, "PushButton3", QStringLiteral("Delete Selected Issue"), u'D');
    makeButton(m_reportsButton, "PushButton5", QStringLiteral("Reports"), u'R');
    makeButton(m_helpButton, "PushButton6", QStringLiteral("Help"), u'H');
    connect(m_editButton, &QPushButton::clicked, this, &MainWindow::editSelectedIssue);
    connect(m_addButton, &QPushButton::clicked, this, &MainWindow::addNewIssue);
    connect(m_deleteButton, &QPushButton::clicked, this, &MainWindow::deleteSelectedIssue);
    connect(m_sampleDataButton, &QPushButton::clicked, this, &MainWindow::loadSampleData);
    connect(m_reportsButton, &QPushButton::clicked, this, &MainWindow::showReports);
    connect(m_helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    setTabOrder(m_issueList, m_addButton);
    setTabOrder(m_addButton, m_editButton);
    setTabOrder(m_editButton, m_sampleDataButton);
    setTabOrder(m_sampleDataButton, m_deleteButton);
    setTabOrder(m_deleteButton, m_reportsButton);
    setTabOrder(m_reportsButton, m_helpButton);
    setTabOrder(m_filterBar, m_issueList);
    buildListCommands();
    buildPaneCommands();

    applyLayout(MainWindowLayout::restored());
    // The design size is the normal size; the border may make the window
    // larger, and the window manager may maximize it.
    resize(designClientSize());
    updateSizeConstraints();
    platform::centreOnScreen(*this, platform::ScreenArea::Whole);
}

MainWindow::~MainWindow() = default;

QList<QWidget *> MainWindow::commandButtons() const
{
    return {m_editButton, m_addButton, m_deleteButton, m_sampleDataButton, m_reportsButton, m_helpButton};
}

// ---------------------------------------------------------------------------
// Start-up and shutdown

void MainWindow::startUp()
{
    StartUp::run(*this);
}

void MainWindow::queryShutdown()
{
    Shutdown::query(*this);
}

void MainWindow::shutDown()
{
    // The program ends at once, past every destructor: the copies opened
    // or dragged out of the detail pane go first.
    platform::removeAttachmentCopies();
    platform::endProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    MainWindowSettings::saveView(currentView());
    MainWindowSettings::saveNormalGeometry(normalGeometryTwips());
    queryShutdown();
    shutDown();
    event->accept();
}

// ---------------------------------------------------------------------------
// Column widths and window state

double MainWindow::columnWidthTwips(int column) const
{
    if (column < 0 || column >= m_model->columnCount())
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    const int pixels = shownWidthPixels(column);
    const auto slot = static_cast<size_t>(column);
    // A hidden column (a saved view's) keeps the width it had when hidden.
    if (m_issueList->isColumnHidden(column) && m_columnPixels[slot] > 0)
        return m_columnTwips[slot];
    if (m_columnPixels[slot] > 0 && pixels == m_columnPixels[slot])
        return m_columnTwips[slot];
    return std::round(platform::pixelsToTwips(pixels));
}

void MainWindow::setColumnWidthTwips(int column, double twips)
{
    if (column < 0 || column >= m_model->columnCount())
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    twips = std::clamp(twips, MainWindowSettings::minColumnWidth, MainWindowSettings::maxColumnWidth);
    QHeaderView *header = m_issueList->header();
    if (column == titleColumn)
        m_titleFill->setOwnWidth(platform::twipsToPixels(twips));
    else
        header->resizeSection(column, platform::twipsToPixels(twips));
    const auto slot = static_cast<size_t>(column);
    m_columnTwips[slot] = static_cast<float>(twips);
    m_columnPixels[slot] = shownWidthPixels(column);
}

int MainWindow::shownWidthPixels(int column) const
{
    // The Title column's widening to the window is not its width.
    return column == titleColumn ? m_titleFill->ownWidth() : m_issueList->header()->sectionSize(column);
}

std::optional<QRect> MainWindow::normalGeometryTwips() const
{
    if (windowStateNumber(windowState()) != 0 || !isVisible())
        return std::nullopt;
    const QRect pixels = geometry();
    return QRect(qRound(platform::pixelsToTwips(pixels.left())), qRound(platform::pixelsToTwips(pixels.top())),
                 qRound(platform::pixelsToTwips(pixels.width())), qRound(platform::pixelsToTwips(pixels.height())));
}

void MainWindow::setNormalGeometryTwips(const std::optional<QRect> &twips)
{
    if (!twips)
        return;
    const QRect pixels(platform::twipsToPixels(twips->left()), platform::twipsToPixels(twips->top()),
                       platform::twipsToPixels(twips->width()), platform::twipsToPixels(twips->height()));
    // A place on a screen that is gone, or a size below the design size,
    // keeps the window centred at its design size.
    const QScreen *screen = QGuiApplication::screenAt(pixels.center());
    if (!screen || !screen->availableGeometry().intersects(pixels) || pixels.width() < designClientSize().width() ||
        pixels.height() < designClientSize().height())
        return;
    setGeometry(pixels);
}

int MainWindow::windowStateNumber(Qt::WindowStates states)
{
    if (states & Qt::WindowMinimized)
        return 1;
    if (states & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return 2;
    return 0;
}

void MainWindow::setWindowStateNumber(int state)
{
    switch (state) {
    case 1:
        setWindowState(Qt::WindowMinimized);
        break;
    case 2:
        setWindowState(Qt::WindowMaximized);
        break;
    default:
        setWindowState(Qt::WindowNoState);
        break;
    }
    updateSizeConstraints();
}

// ---------------------------------------------------------------------------
// The issue list

void MainWindow::refillList()
{
    // This read is newer than one under way on the worker.
    if (m_reread)
        m_reread->supersede();
    IssueListLoading::Refilled refilled;
    if (m_changes) {
        refilled = rereadFromServer();
    } else {
        refilled = IssueListLoading::refill(*m_model, m_filterBar->showsClosed());
        m_listRead = refilled.read;
    }
    m_queryMe.forgetName();
    m_search->applyNow(filterCriteria());
    showMissingValues(refilled);
}

IssueFilterCriteria MainWindow::filterCriteria()
{
    IssueFilterCriteria criteria = m_filterBar->criteria();
    if (!m_filterBar->namesMe())
        return criteria;
    try {
        criteria.me = m_queryMe.name(sharedConnection());
    } catch (const Error &error) {
        // "me" then keeps no issue; the failure is told, the list stays usable.
        platform::msgBox(error.description());
    }
    return criteria;
}

void MainWindow::showMissingValues(const IssueListLoading::Refilled &refilled)
{
    m_issueList->setAccessibleName(m_filterBar->showsClosed() ? QStringLiteral("Issues")
                                                              : QStringLiteral("Open issues"));
    // A re-read that failed kept the rows shown, and with them what they lack.
    if (m_changes && !refilled.read)
        return;
    const IssueListLoading::MissingValues &missing = refilled.missing;
    m_missingValuesLine->setText(IssueListLoading::missingValuesLine(missing));
    m_missingValuesLine->setVisible(!m_missingValuesLine->text().isEmpty());
    applyLayout(m_layout);
    if (m_missingValuesNotice.isNews(missing))
        platform::msgBox(IssueListLoading::missingValuesMessage(missing));
}

void MainWindow::sortByColumn(int column)
{
    const int previous = m_model->sortColumn(); // -1 when sorting is off
    const Qt::SortOrder previousOrder = m_model->sortOrder();
    m_model->setSortingOff();
    const Qt::SortOrder order =
        column == previous && previousOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sort(column, order);
    m_issueList->header()->setSortIndicator(column, order);
}

int MainWindow::selectedRow() const
{
    // Of several selected rows, the one the keyboard is on: the last chosen.
    const QItemSelectionModel *selection = m_issueList->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (current.isValid() && selection->isRowSelected(current.row(), QModelIndex()))
        return current.row();
    const QModelIndexList rows = selection->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::selectRow(int row)
{
    QItemSelectionModel *selection = m_issueList->selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    m_issueList->scrollTo(index);
}

// ---------------------------------------------------------------------------
// Layouts

void MainWindow::applyLayout(const MainWindowLayout &layout)
{
    m_layout = layout;
    QRect list = pixelsOf(layout.list);
    // The find bar, when shown, takes the top of the list's place.
    if (m_filterBar->isVisibleTo(this)) {
        const int height = m_filterBar->sizeHint().height();
        m_filterBar->setGeometry(list.left(), list.top(), list.width(), height);
        list.setTop(list.top() + height + platform::twipsToPixels(60));
    }
    // So does the line saying that the server is out of reach.
    if (m_connectionBanner && m_connectionBanner->isVisibleTo(this)) {
        const int height = m_connectionBanner->sizeHint().height();
        m_connectionBanner->setGeometry(list.left(), list.top(), list.width(), height);
        list.setTop(list.top() + height + platform::twipsToPixels(60));
    }
    // The detail pane, when shown, takes the right or the bottom part of
    // the list's place under the find bar; hidden, the list has it all, as
    // designed.
    if (m_detailPane && m_detailPane->isVisibleTo(this)) {
        const int gap = platform::twipsToPixels(120);
        QRect pane = list;
        if (m_paneBelow) {
            pane.setTop(list.top() + list.height() * 11 / 20 + gap);
            list.setBottom(pane.top() - gap - 1);
        } else {
            pane.setLeft(list.left() + list.width() * 3 / 5 + gap);
            list.setRight(pane.left() - gap - 1);
        }
        m_detailPane->setGeometry(pane);
    }
    // The line about missing values takes the bottom of the list's place.
    if (m_missingValuesLine->isVisibleTo(this)) {
        const int height = m_missingValuesLine->sizeHint().height();
        list.setBottom(list.bottom() - height);
        m_missingValuesLine->setGeometry(list.left(), list.bottom() + 1, list.width(), height);
    }
    m_issueList->setGeometry(list);
    m_addButton->setGeometry(pixelsOf(layout.add));
    m_editButton->setGeometry(pixelsOf(layout.edit));
    m_sampleDataButton->setGeometry(pixelsOf(layout.sample));
    m_deleteButton->setGeometry(pixelsOf(layout.remove));
    m_reportsButton->setGeometry(pixelsOf(layout.reports));
    m_helpButton->setGeometry(pixelsOf(layout.help));
}

void MainWindow::updateSizeConstraints()
{
    // Never a fixed size: a window manager refuses to maximize a window whose
    // smallest and largest sizes are equal. A normal window is at least its
    // design size, so that the buttons never overlap the list.
    setMinimumSize(windowStateNumber(windowState()) == 0 ? designClientSize() : QSize(0, 0));
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
}

void MainWindow::arrangeForSize()
{
    const int state = windowStateNumber(windowState());
    const QRect frame = frameGeometry();
    const auto W = static_cast<float>(platform::pixelsToTwips(frame.width()));
    const auto H = static_cast<float>(platform::pixelsToTwips(frame.height()));
    if (state == 2) {
        applyLayout(MainWindowLayout::maximized(W, H));
        m_maximizedLayout = true;
        return;
    }
    if (state != 0)
        return;
    if (m_restorePending && m_maximizedLayout) {
        // Back from maximized or minimized: the design size and layout,
        // centred on the screen.
        if (size() != designClientSize()) {
            resize(designClientSize());
            return; // the resize comes back here
        }
        m_restorePending = false;
        applyLayout(MainWindowLayout::restored());
        platform::centreOnScreen(*this, platform::ScreenArea::Whole);
        return;
    }
    m_restorePending = false;
    // A normal window made larger by its border: the list grows and the
    // buttons follow it, as when maximized.
    applyLayout(size() == designClientSize() ? MainWindowLayout::restored() : MainWindowLayout::maximized(W, H));
}

void MainWindow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrangeForSize();
}

void MainWindow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        const auto *change = static_cast<QWindowStateChangeEvent *>(event);
        if (windowStateNumber(change->oldState()) != 0 && windowStateNumber(windowState()) == 0)
            m_restorePending = true;
        updateSizeConstraints();
        arrangeForSize();
    }
}
