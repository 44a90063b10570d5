#include "app/MainWindow.h"

#include "app/DataAccessCheck.h"
#include "app/FilterBar.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueSearch.h"
#include "app/Restore.h"
#include "app/TrashCommands.h"
#include "data/Backup.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "data/IssueExchange.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "platform/AccessKeys.h"
#include "platform/Appearance.h"
#include "platform/ApplicationTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/ProgramEnd.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLocale>
#include <QMap>
#include <QPushButton>
#include <QScreen>
#include <QTreeView>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

namespace {

// The buttons' size never changes (twips).
constexpr float buttonWidth = 3480;
constexpr float buttonHeight = 405;
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
    return QSize(platform::twipsToPixels(MainWindow::designWidth), platform::twipsToPixels(MainWindow::designHeight));
}

QString widthKey(int position)
{
    return QStringLiteral("ColumnHeaders") + QString::number(position);
}

// A stored number in the user's number format.
double readNumber(const QString &text)
{
    bool ok = false;
    const double number = QLocale().toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(number))
        throw Error(QStringLiteral("Type mismatch: the stored value \"%1\" is not a number.").arg(text));
    return number;
}

} // namespace

MainWindow::MainWindow(QWidget *parent)
    : QWidget(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                          Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("Form1"));
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));

    m_model = new IssueListModel(this);
    issueList = new QTreeView(this);
    issueList->setObjectName(QStringLiteral("ListView1"));
    issueList->setAccessibleName(QStringLiteral("Open issues"));
    issueList->setModel(m_model);
    issueList->setRootIsDecorated(false);
    issueList->setItemsExpandable(false);
    issueList->setExpandsOnDoubleClick(false);
    issueList->setUniformRowHeights(true);
    issueList->setAllColumnsShowFocus(true);
    issueList->setSelectionMode(QAbstractItemView::SingleSelection);
    issueList->setSelectionBehavior(QAbstractItemView::SelectRows);
    issueList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    issueList->setSortingEnabled(false); // the header click sorts, through ListView1_ColumnClick
    QHeaderView *header = issueList->header();
    header->setSectionsMovable(false); // a column's position stays its number in the settings
    header->setSectionsClickable(true);
    header->setSortIndicatorShown(true);
    header->setSortIndicator(-1, Qt::AscendingOrder);
    header->setStretchLastSection(false);
    header->setSectionResizeMode(QHeaderView::Interactive);
    header->setMinimumSectionSize(platform::twipsToPixels(minColumnWidth));
    header->setMaximumSectionSize(platform::twipsToPixels(maxColumnWidth));
    header->setDefaultSectionSize(platform::twipsToPixels(listDefaultColumnWidth));
    connect(header, &QHeaderView::sectionClicked, this, &MainWindow::sortByColumn);

    m_filterBar = new FilterBar(this);
    m_search = new IssueSearch(m_model, this);
    connect(m_filterBar, &FilterBar::criteriaChanged, this, [this] { m_search->applyLater(m_filterBar->criteria()); });
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
    m_filterBar->assigneeChoice->offered = valuesOf(2);
    m_filterBar->statusChoice->offered = valuesOf(6);
    m_filterBar->categoryChoice->offered = valuesOf(7);
    m_filterBar->priorityChoice->offered = valuesOf(8);
    m_emptyHint = new QLabel(issueList->viewport());
    m_emptyHint->setObjectName(QStringLiteral("emptyListHint"));
    m_emptyHint->setAlignment(Qt::AlignCenter);
    m_emptyHint->setWordWrap(true);
    m_emptyHint->setAttribute(Qt::WA_TransparentForMouseEvents);

    const auto makeButton = [this](QPushButton *&button, const char *name, const QString &caption, QChar key) {
        button = new QPushButton(platform::withAccessKey(caption, key), this);
        button->setObjectName(QLatin1String(name));
        button->setAccessibleName(caption);
        // Enter presses the button that has the keyboard, as Space does.
        button->setAutoDefault(true);
    };
    makeButton(addButton, "PushButton2", QStringLiteral("Add New Issue"), u'A');
    makeButton(editButton, "PushButton1", QStringLiteral("Edit Selected Issue"), u'E');
    makeButton(sampleDataButton, "PushButton4", QStringLiteral("Load Sample/Example Data"), u'S');
    makeButton(deleteButton, "PushButton3", QStringLiteral("Delete Selected Issue"), u'D');
    makeButton(reportsButton, "PushButton5", QStringLiteral("Reports"), u'R');
    makeButton(helpButton, "PushButton6", QStringLiteral("Help"), u'H');
    connect(editButton, &QPushButton::clicked, this, &MainWindow::editSelectedIssue);
    connect(addButton, &QPushButton::clicked, this, &MainWindow::addNewIssue);
    connect(deleteButton, &QPushButton::clicked, this, &MainWindow::deleteSelectedIssue);
    connect(sampleDataButton, &QPushButton::clicked, this, &MainWindow::loadSampleData);
    connect(reportsButton, &QPushButton::clicked, this, &MainWindow::showReports);
    connect(helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    setTabOrder(issueList, addButton);
    setTabOrder(addButton, editButton);
    setTabOrder(editButton, sampleDataButton);
    setTabOrder(sampleDataButton, deleteButton);
    setTabOrder(deleteButton, reportsButton);
    setTabOrder(reportsButton, helpButton);
    setTabOrder(m_filterBar, issueList);
    buildListCommands();

    applyLayout(restoredLayout());
    // The design size is the normal size; the border may make the window
    // larger, and the window manager may maximize it.
    resize(designClientSize());
    updateSizeConstraints();
    centreOnScreen();
}

MainWindow::~MainWindow() = default;

// ---------------------------------------------------------------------------
// Start-up and shutdown

// Copies the database aside once a day before anything can write to it. A
// copy that cannot be made is told to the user, and start-up goes on: the
// database itself is never touched.
void MainWindow::keepDailyBackup()
{
    try {
        Backup::makeDailyCopy(DataFile::databasePath());
    } catch (const Backup::DamagedDatabase &damaged) {
        offerRestore(DataFile::databasePath(), damaged.description());
    } catch (const Error &error) {
        platform::msgBox(error.description() + QStringLiteral("\r\n\r\nMarrowdesk goes on without today's backup."));
    }
}

void MainWindow::startUp()
{
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.Form_Load "));

    DataFile::prepare(step); // 100 to 110: the data folder and the database file
    keepDailyBackup();
    // A settings file that cannot be read is told before its defaults apply.
    if (const QString problem = platform::checkSettingsStore(); !problem.isEmpty())
        platform::msgBox(problem);

    step(112, [&] { ApplySkin(*this); });

    // The hover convention holds with or without HAND-M.CUR; only loading the
    // file can fail, so the set-up runs in the load step when the file is
    // there, and within the file test when it is not.
    const auto followHoverConvention = [this] {
        HandPointer::apply(*this, {editButton, addButton, deleteButton, sampleDataButton, reportsButton, helpButton},
                           {this, issueList});
    };
    bool handFound = false;
    step(114, [&] {
        handFound = FileExists(HandPointer::cursorFilePath());
        if (!handFound)
            followHoverConvention();
    });
    if (handFound)
        step(116, followHoverConvention);

    step(118, [&] { IsADOInstalled(); });

    step(120, [&] {
        setWindowTitle(QString::fromLatin1(platform::productName));
        setWindowIcon(QApplication::windowIcon());
        SetAppTitle();
    });

    step(122, [&] { createSharedConnection(); });
    step(124, [&] { sharedConnection().Open(DataFile::connectionString()); });
    TrashCommands::purgeExpired();

    // The ten columns, captioned as an exported file heads them.
    for (int column = 0; column < IssueListModel::maxColumns; ++column)
        step(126 + 2 * column,
             [&] { m_model->addColumn(IssueExchange::caption(static_cast<IssueExchange::Field>(column))); });

    step(146, [&] { setColumnWidthTwips(0, readWidth(widthKey(1), QStringLiteral("1200"))); });
    int columns = 0;
    step(148, [&] { columns = m_model->columnCount(); });
    for (int i = 2; i <= columns; ++i) {
        step(150, [&] { setColumnWidthTwips(i - 1, readWidth(widthKey(i), QStringLiteral("1700"))); });
        // 152: next i
    }

    restoreView();
    step(154, [&] { refillList(); });

    step(156, [&] {
        const double stored = readNumber(platform::GetSetting(QStringLiteral("WindowState"), QStringLiteral("0")));
        // Only 0 (normal), 1 (minimized) and 2 (maximized) are window
        // states; anything else stored there opens the window normal.
        setWindowStateNumber(stored > -0.5 && stored < 2.5 ? static_cast<int>(std::lround(stored)) : 0);
    });

    bool normal = true;
    step(158, [&] { normal = windowStateNumber(windowState()) == 0; });
    if (normal)
        step(160, [&] { m_maximizedLayout = false; });
    else
        step(162, [&] { m_maximizedLayout = true; });
}

void MainWindow::queryShutdown()
{
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.Form_QueryUnload "));

    // The widths and the state are written together at 106, so that a store
    // that cannot be written is reported once.
    QList<std::pair<QString, QString>> settings;
    int columns = 0;
    step(100, [&] { columns = m_model->columnCount(); });
    for (int i = 1; i <= columns; ++i) {
        step(102, [&] { settings.append({widthKey(i), widthText(columnWidthTwips(i - 1))}); });
        // 104: next i
    }
    step(106, [&] {
        settings.append({QStringLiteral("WindowState"), QString::number(windowStateNumber(windowState()))});
        platform::SaveSettings(settings);
    });
    step(108, [&] {
        if (sharedConnection().State() != 0)
            sharedConnection().Close();
    });
    step(110, [&] { releaseSharedConnection(); });
    step(112, [&] { QCoreApplication::processEvents(); });
    step(114, [&] { QCoreApplication::processEvents(); });
}

void MainWindow::shutDown()
{
    platform::endProgram();
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    saveView();
    queryShutdown();
    shutDown();
    event->accept();
}

// ---------------------------------------------------------------------------
// Column widths and window state

double MainWindow::readWidth(const QString &key, const QString &defaultText)
{
    return readNumber(platform::GetSetting(key, defaultText));
}

QString MainWindow::widthText(double twips)
{
    // A single-precision number in the user's format, without grouping:
    // 1700 stays "1700", 1234.5 becomes "1234.5" or "1234,5".
    QLocale locale;
    locale.setNumberOptions(QLocale::OmitGroupSeparator);
    return locale.toString(static_cast<double>(static_cast<float>(twips)), 'g', 7);
}

double MainWindow::columnWidthTwips(int column) const
{
    if (column < 0 || column >= m_model->columnCount())
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    const int pixels = issueList->header()->sectionSize(column);
    const auto slot = static_cast<size_t>(column);
    if (m_columnPixels[slot] > 0 && pixels == m_columnPixels[slot])
        return m_columnTwips[slot];
    return std::round(platform::pixelsToTwips(pixels));
}

void MainWindow::setColumnWidthTwips(int column, double twips)
{
    if (column < 0 || column >= m_model->columnCount())
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    twips = std::clamp(twips, minColumnWidth, maxColumnWidth);
    QHeaderView *header = issueList->header();
    header->resizeSection(column, platform::twipsToPixels(twips));
    const auto slot = static_cast<size_t>(column);
    m_columnTwips[slot] = static_cast<float>(twips);
    m_columnPixels[slot] = header->sectionSize(column);
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
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.ListData "));

    // The rows are gathered aside and replace the shown ones in one go at the
    // end, whatever fails on the way.
    step(100, [&] { m_model->beginRefill(); });
    // Closed issues too, on request, drawn apart: every issue in one pass
    // over the table, each marked by the rule the two views follow.
    if (m_filterBar->showsClosed())
        readIssues(step, QStringLiteral("select * from [Issues With Names]"), true);
    else
        readIssues(step, QStringLiteral("select * from [Open Issues]"), false);
    m_model->endRefill();
    m_search->applyNow(m_filterBar->criteria());
}

void MainWindow::readIssues(ErrorBlock &step, const QString &query, bool withClosed)
{
    std::optional<Recordset> rs;
    step(102, [&] { rs.emplace(); });
    bool opened = false;
    if (rs)
        opened = step(104, [&] {
            rs->Open(query, sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly);
        });

    // Each column is looked up by name once, not once per row; a column the
    // result lacks still fails its own step on every row, through Fields.
    struct NamedField {
        QString name;
        int position;
    };
    const auto named = [&](const QString &name) { return NamedField{name, opened ? rs->columnIndex(name) : -1}; };
    const NamedField idField = named(QStringLiteral("ID"));
    const NamedField titleField = named(QStringLiteral("Title"));
    const NamedField assignedToField = named(QStringLiteral("Assigned To Name"));
    const NamedField openedByField = named(QStringLiteral("Opened By Name"));
    const NamedField openedDateField = named(QStringLiteral("Opened Date"));
    const NamedField dueDateField = named(QStringLiteral("Due Date"));
    const NamedField statusField = named(QStringLiteral("Status"));
    const NamedField categoryField = named(QStringLiteral("Category"));
    const NamedField priorityField = named(QStringLiteral("Priority"));
    const NamedField commentField = named(QStringLiteral("Comment"));
    const auto field = [&](const NamedField &source) -> const Value & {
        return source.position >= 0 ? rs->field(source.position) : rs->Fields(source.name);
    };
    if (opened)
        m_model->reserveRows(m_model->pendingRowCount() + rs->rowCount());

    struct {
        std::array<bool, 10> columns{};
        int rows = 0;
    } lacking;

    // A query that did not open has no rows to walk: the list ends empty.
    while (opened) {
        bool more = false;
        if (!step(106, [&] { more = !rs->Eof(); }) || !more)
            break;
        int row = -1;
        step(108, [&] {
            row = m_model->appendRow(field(idField).toText());
            if (withClosed && IssueStatus::isClosing(field(statusField).toTextOrEmpty()))
                m_model->setClosed(row);
        });
        // A missing value leaves its cell empty and is told once, after the
        // refill, for all rows together.
        bool rowLacks = false;
        const auto plain = [&](int number, int column, const NamedField &source) {
            step(number, [&] {
                const Value &value = field(source);
                if (value.isNull()) {
                    lacking.columns[column] = rowLacks = true;
                    return;
                }
                m_model->setCell(row, column, value.toText());
            });
        };
        const auto appended = [&](int number, int column, const NamedField &source) {
            step(number, [&] { m_model->setCell(row, column, field(source).toTextOrEmpty()); });
        };
        plain(110, 1, titleField);
        plain(112, 2, assignedToField);
        plain(114, 3, openedByField);
        step(116, [&] {
            const Value &openedDate = field(openedDateField);
            if (openedDate.isNull()) {
                lacking.columns[IssueListModel::openedDateColumn] = rowLacks = true;
                return;
            }
            m_model->setCell(row, IssueListModel::openedDateColumn, openedDate.toText());
            m_model->setDateKey(row, IssueListModel::openedDateColumn, openedDate);
        });
        step(118, [&] {
            const Value &due = field(dueDateField);
            m_model->setCell(row, IssueListModel::dueDateColumn, due.toTextOrEmpty());
            m_model->setDateKey(row, IssueListModel::dueDateColumn, due);
        });
        plain(120, 6, statusField);
        plain(122, 7, categoryField);
        plain(124, 8, priorityField);
        appended(126, 9, commentField);
        lacking.rows += rowLacks ? 1 : 0;
        if (!step(128, [&] { rs->MoveNext(); }))
            break;
    }

    step(130, [&] {
        if (rs)
            rs->Close();
    });
    if (lacking.rows > 0) {
        QStringList columns;
        for (int column = 0; column < m_model->columnCount(); ++column)
            if (lacking.columns[column])
                columns.append(m_model->headerData(column, Qt::Horizontal).toString());
        step.refuse(missingValuesMessage(lacking.rows, columns));
    }
}

QString MainWindow::missingValuesMessage(int rows, const QStringList &columns)
{
    const QString listed = columns.size() > 1 ? columns.mid(0, columns.size() - 1).join(QStringLiteral(", ")) +
                                                    QStringLiteral(" and ") + columns.last()
                                              : columns.value(0);
    if (rows == 1)
        return QStringLiteral("1 issue in the list has no value under %1; those cells are empty.\r\nEdit the issue (or its "
                              "contacts) to fill them in.")
            .arg(listed);
    return QStringLiteral("%L1 issues in the list have no value under %2; those cells are empty.\r\nEdit the issues (or their "
                          "contacts) to fill them in.")
        .arg(rows)
        .arg(listed);
}

void MainWindow::sortByColumn(int column)
{
    const int previous = m_model->sortColumn(); // -1 when sorting is off
    const Qt::SortOrder previousOrder = m_model->sortOrder();
    m_model->setSortingOff();
    const Qt::SortOrder order =
        column == previous && previousOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
    m_model->sort(column, order);
    issueList->header()->setSortIndicator(column, order);
}

int MainWindow::selectedRow() const
{
    const QModelIndexList rows = issueList->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

void MainWindow::selectRow(int row)
{
    QItemSelectionModel *selection = issueList->selectionModel();
    if (row < 0 || row >= m_model->rowCount()) {
        selection->clear();
        return;
    }
    const QModelIndex index = m_model->index(row, 0);
    selection->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    issueList->scrollTo(index);
}

// ---------------------------------------------------------------------------
// Layouts

MainWindow::Layout MainWindow::maximizedLayout(float W, float H)
{
    Layout layout;
    const float listWidth = W - 330;
    const float listHeight = H - 2 * buttonHeight - 315 - 120 - 465;
    layout.list = QRectF(120, 120, listWidth, listHeight);
    const float addLeft = W / 2 - 1.5f * buttonWidth - 480;
    const float addTop = listHeight + 105 + 120;
    layout.add = QRectF(addLeft, addTop, buttonWidth, buttonHeight);
    layout.edit = QRectF(layout.add.left() + buttonWidth + 120, addTop, buttonWidth, buttonHeight);
    layout.sample = QRectF(layout.edit.left() + buttonWidth + 120, addTop, buttonWidth, buttonHeight);
    const float deleteTop = addTop + buttonHeight + 105;
    layout.remove = QRectF(addLeft, deleteTop, buttonWidth, buttonHeight);
    layout.reports = QRectF(layout.remove.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    layout.help = QRectF(layout.reports.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    return layout;
}

MainWindow::Layout MainWindow::restoredLayout()
{
    Layout layout;
    layout.list = QRectF(120, 120, 10680, 5475);
    layout.add = QRectF(120, 5685, buttonWidth, buttonHeight);
    layout.edit = QRectF(layout.add.left() + buttonWidth + 120, 5685, buttonWidth, buttonHeight);
    layout.sample = QRectF(layout.edit.left() + buttonWidth + 120, 5685, buttonWidth, buttonHeight);
    const float deleteTop = 5685 + buttonHeight + 105;
    layout.remove = QRectF(120, deleteTop, buttonWidth, buttonHeight);
    layout.reports = QRectF(layout.remove.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    layout.help = QRectF(layout.reports.left() + buttonWidth + 120, deleteTop, buttonWidth, buttonHeight);
    return layout;
}

void MainWindow::applyLayout(const Layout &layout)
{
    m_layout = layout;
    QRect list = pixelsOf(layout.list);
    // The find bar, when shown, takes the top of the list's place.
    if (m_filterBar->isVisibleTo(this)) {
        const int height = m_filterBar->sizeHint().height();
        m_filterBar->setGeometry(list.left(), list.top(), list.width(), height);
        list.setTop(list.top() + height + platform::twipsToPixels(60));
    }
    issueList->setGeometry(list);
    m_emptyHint->setGeometry(issueList->viewport()->rect().adjusted(12, 12, -12, -12));
    addButton->setGeometry(pixelsOf(layout.add));
    editButton->setGeometry(pixelsOf(layout.edit));
    sampleDataButton->setGeometry(pixelsOf(layout.sample));
    deleteButton->setGeometry(pixelsOf(layout.remove));
    reportsButton->setGeometry(pixelsOf(layout.reports));
    helpButton->setGeometry(pixelsOf(layout.help));
}

void MainWindow::centreOnScreen()
{
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->geometry();
    const QRect frame = frameGeometry();
    const double left = (platform::pixelsToTwips(area.width()) - platform::pixelsToTwips(frame.width())) / 2;
    const double top = (platform::pixelsToTwips(area.height()) - platform::pixelsToTwips(frame.height())) / 2;
    move(area.left() + platform::twipsToPixels(left), area.top() + platform::twipsToPixels(top));
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
        applyLayout(maximizedLayout(W, H));
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
        applyLayout(restoredLayout());
        centreOnScreen();
        return;
    }
    m_restorePending = false;
    // A normal window made larger by its border: the list grows and the
    // buttons follow it, as when maximized.
    applyLayout(size() == designClientSize() ? restoredLayout() : maximizedLayout(W, H));
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
