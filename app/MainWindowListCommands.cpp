// What the main window offers on its list besides the six buttons: the find
// bar, closing and reopening issues, copying a row, the keyboard map and the
// context menu, and the view remembered between runs.

#include "app/MainWindow.h"

#include "app/BulkEditDialog.h"
#include "app/CalendarCommands.h"
#include "app/CsvCommands.h"
#include "app/FilterBar.h"
#include "app/RemindersDialog.h"
#include "app/TrashCommands.h"
#include "app/UndoCommands.h"
#include "app/ViewCommands.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueSearch.h"
#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/IssueStatus.h"
#include "data/RecordStore.h"
#include "data/SharedConnection.h"
#include "data/Watches.h"
#include "issues/IssueEditor.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QTreeView>

namespace {

QAction *command(QWidget *owner, const QString &text, const QList<QKeySequence> &keys, Qt::ShortcutContext context)
{
    auto *action = new QAction(text, owner);
    action->setShortcuts(keys);
    action->setShortcutContext(context);
    owner->addAction(action);
    return action;
}

} // namespace

void MainWindow::buildListCommands()
{
    // Keys that act on the list only when the list has the keyboard, so
    // that Enter and Delete still type in the find box.
    QAction *edit =
        command(m_issueList, QStringLiteral("&Edit Issue"), {Qt::Key_Return, Qt::Key_Enter}, Qt::WidgetShortcut);
    QAction *remove = command(m_issueList, QStringLiteral("&Delete Issue"), {QKeySequence::Delete}, Qt::WidgetShortcut);
    QAction *copy = command(m_issueList, QStringLiteral("&Copy"), {QKeySequence::Copy}, Qt::WidgetShortcut);
    QAction *add = command(this, QStringLiteral("&Add Issue"), {Qt::Key_Insert, QKeySequence::New}, Qt::WindowShortcut);
    // F5 once: the desktop's Refresh keys are F5 already on most desktops,
    // and a key bound twice is ambiguous and does nothing.
    QList<QKeySequence> refreshKeys = QKeySequence::keyBindings(QKeySequence::Refresh);
    if (!refreshKeys.contains(QKeySequence(Qt::Key_F5)))
        refreshKeys.prepend(QKeySequence(Qt::Key_F5));
    QAction *refresh = command(this, QStringLiteral("Refres&h"), refreshKeys, Qt::WindowShortcut);
    QAction *find = command(this, QStringLiteral("&Find..."), {QKeySequence::Find}, Qt::WindowShortcut);
    QAction *close = new QAction(QStringLiteral("C&lose Issue"), this);
    QAction *reopen = new QAction(QStringLiteral("&Reopen Issue..."), this);
    QAction *showClosed = new QAction(QStringLiteral("Show Closed &Issues"), this);
    showClosed->setCheckable(true);
    // Checked for an issue watched by choice; one the user opened or is
    // assigned is watched either way.
    QAction *watching = new QAction(QStringLiteral("Watchin&g"), this);
    watching->setObjectName(QStringLiteral("watchIssue"));
    watching->setCheckable(true);
    connect(watching, &QAction::triggered, this, &MainWindow::setSelectedWatched);
    connect(edit, &QAction::triggered, this, &MainWindow::editSelectedIssue);
    connect(remove, &QAction::triggered, this, &MainWindow::deleteSelectedIssue);
    connect(copy, &QAction::triggered, this, &MainWindow::copySelectedIssue);
    connect(add, &QAction::triggered, this, &MainWindow::addNewIssue);
    connect(refresh, &QAction::triggered, this, &MainWindow::refreshList);
    connect(find, &QAction::triggered, this, &MainWindow::showFilterBar);
    connect(close, &QAction::triggered, this, &MainWindow::closeSelectedIssue);
    connect(reopen, &QAction::triggered, this, &MainWindow::reopenSelectedIssue);
    connect(showClosed, &QAction::toggled, m_filterBar, &FilterBar::setShowsClosed);
    connect(m_issueList, &QTreeView::doubleClicked, this, &MainWindow::editSelectedIssue);

    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("listMenu"));
    m_contextMenu->addActions({add, edit, remove});
    BulkEditDialog::addCommand(*this, *m_contextMenu);
    m_contextMenu->addSeparator();
    m_contextMenu->addActions({close, reopen, copy, watching});
    m_contextMenu->addSeparator();
    // Sorting without a mouse: the same as a click on the column's heading.
    QMenu *sortBy = m_contextMenu->addMenu(QStringLiteral("&Sort By"));
    connect(sortBy, &QMenu::aboutToShow, this, [this, sortBy] {
        sortBy->clear();
        for (int column = 0; column < m_model->columnCount(); ++column)
            if (!m_issueList->header()->isSectionHidden(column))
                sortBy->addAction(m_model->headerData(column, Qt::Horizontal).toString(), this,
                                  [this, column] { sortByColumn(column); });
    });
    m_contextMenu->addActions({showClosed, find, refresh});
    CsvCommands::add(*this, *m_contextMenu);
    CalendarCommands::add(*this, *m_contextMenu);
    RemindersDialog::addCommand(*this, *m_contextMenu);
    m_views = new ViewCommands(*this, *m_contextMenu);
    connect(m_contextMenu, &QMenu::aboutToShow, this, [=, this] {
        const int row = selectedRow();
        for (QAction *action : {edit, remove, copy})
            action->setEnabled(row >= 0);
        close->setEnabled(row >= 0 && !m_model->isClosed(row));
        reopen->setEnabled(row >= 0 && m_model->isClosed(row));
        const QSignalBlocker quiet(showClosed);
        showClosed->setChecked(m_filterBar->showsClosed());
        const QSignalBlocker quietWatch(watching);
        // A database that cannot tell (a read-only file of an older
        // schema) offers no watching.
        bool watched = false;
        bool known = false;
        if (row >= 0)
            try {
                watched = Watches::isWatchedByChoice(sharedConnection(),
                                                     m_model->cell(row, IssueListModel::idColumn).toLongLong());
                known = true;
            } catch (const Error &) {
            }
        watching->setEnabled(known);
        watching->setChecked(watched);
    });
    m_issueList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_issueList, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_contextMenu->popup(m_issueList->viewport()->mapToGlobal(at)); });
    // Shift+F10 opens the menu from the keyboard (the Menu key does so by
    // itself), at the current row, or at the list's corner without one.
    QAction *menuKey = command(m_issueList, QStringLiteral("Context Menu"), {QKeySequence(Qt::SHIFT | Qt::Key_F10)},
                               Qt::WidgetShortcut);
    connect(menuKey, &QAction::triggered, this, [this] {
        const QRect row = m_issueList->visualRect(m_issueList->currentIndex());
        const QPoint at = row.isValid() ? row.bottomLeft() : QPoint(0, 0);
        m_contextMenu->popup(m_issueList->viewport()->mapToGlobal(at));
    });

    m_undo = new UndoCommands(this, new TrashCommands(this));

    // The header's own menu: which of the ten columns show (never the ID,
    // by which every command finds its issue), and the history's two
    // columns beyond them, each shown on request and remembered.
    m_headerMenu = new QMenu(this);
    m_headerMenu->setObjectName(QStringLiteral("listHeaderMenu"));
    connect(m_headerMenu, &QMenu::aboutToShow, this, [this] {
        m_headerMenu->clear();
        m_headerMenu->addSection(QStringLiteral("Columns"));
        for (int column = 0; column < IssueListModel::maxColumns; ++column) {
            QAction *shown = m_headerMenu->addAction(m_model->headerData(column, Qt::Horizontal).toString());
            shown->setCheckable(true);
            shown->setChecked(!m_issueList->isColumnHidden(column));
            shown->setEnabled(column != IssueListModel::idColumn);
            connect(shown, &QAction::toggled, this, [this, column](bool on) { m_views->showColumn(column, on); });
        }
        m_headerMenu->addSeparator();
        QAction *closedDate = m_headerMenu->addAction(QStringLiteral("&Closed Date"));
        QAction *lastChanged = m_headerMenu->addAction(QStringLiteral("&Last Changed"));
        closedDate->setCheckable(true);
        lastChanged->setCheckable(true);
        closedDate->setChecked(m_historyColumns.closedDate);
        lastChanged->setChecked(m_historyColumns.lastChanged);
        for (QAction *action : {closedDate, lastChanged}) {
            connect(action, &QAction::triggered, this, [this, closedDate, lastChanged] {
                const MainWindowSettings::HistoryColumns chosen{closedDate->isChecked(), lastChanged->isChecked()};
                setHistoryColumns(chosen);
                MainWindowSettings::saveHistoryColumns(chosen);
            });
        }
    });
    m_issueList->header()->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_issueList->header(), &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_headerMenu->popup(m_issueList->header()->mapToGlobal(at)); });
}

void MainWindow::setHistoryColumns(const MainWindowSettings::HistoryColumns &columns)
{
    QHeaderView *header = m_issueList->header();
    const bool had = m_model->hasHistoryColumns();
    if (had && !columns.any() && m_model->sortColumn() >= IssueListModel::maxColumns)
        header->setSortIndicator(-1, Qt::AscendingOrder);
    m_model->setHistoryColumns(columns.any());
    if (m_model->hasHistoryColumns()) {
        header->setSectionHidden(IssueListModel::closedDateColumn, !columns.closedDate);
        header->setSectionHidden(IssueListModel::lastChangedColumn, !columns.lastChanged);
    }
    m_historyColumns = columns;
    // The dates are read only while a column shows them; the rows read
    // before lack them, or hold them for the find bar to search.
    if (had != m_model->hasHistoryColumns() && m_listRead)
        refillList();
}

void MainWindow::setSelectedWatched(bool watched)
{
    ErrorBlock step(ErrorBlock::location("Form1", "WatchIssue"));
    const int row = selectedRow();
    if (row < 0)
        return;
    const qint64 issue = m_model->cell(row, IssueListModel::idColumn).toLongLong();
    step(100, [&] {
        if (watched)
            Watches::watch(sharedConnection(), issue);
        else
            Watches::unwatch(sharedConnection(), issue);
    });
}

void MainWindow::markRowSeen(int row)
{
    if (!m_model->isUnseen(row))
        return;
    const qint64 issue = m_model->cell(row, IssueListModel::idColumn).toLongLong();
    // The bold stays when the database cannot take note: it is only a hint,
    // not worth a box.
    try {
        Watches::markSeen(sharedConnection(), issue);
        m_model->markSeen(issue);
    } catch (const Error &) {
    }
}

QMenu *MainWindow::contextMenu()
{
    emit m_contextMenu->aboutToShow();
    return m_contextMenu;
}

void MainWindow::showFilterBar()
{
    m_filterBar->show();
    applyLayout(m_layout);
    m_filterBar->focusFind();
}

void MainWindow::hideFilterBar()
{
    m_filterBar->clear();
    m_search->applyNow(filterCriteria());
    m_filterBar->hide();
    applyLayout(m_layout);
    m_issueList->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showCountsAndHint()
{
    const int shown = m_model->rowCount();
    const int total = m_model->totalRowCount();
    m_filterBar->setCounts(shown, total);
    m_emptyHint->setText(emptyListHint());
    m_emptyHint->setVisible(!m_emptyHint->text().isEmpty());
}

QString MainWindow::emptyListHint() const
{
    if (m_model->rowCount() > 0)
        return QString();
    // An empty list after a failed read says nothing about the database:
    // offering sample data then would put examples into a team's issues.
    if (!m_listRead)
        return QStringLiteral("The issues could not be read from the database, so none are shown. Press F5 to try "
                              "again.");
    if (m_model->totalRowCount() == 0)
        return QStringLiteral("No open issues. Press \u201cAdd New Issue\u201d (or Insert) to enter one, or "
                              "\u201cLoad Sample/Example Data\u201d to try Marrowdesk with examples.");
    return QStringLiteral("No issue matches the find bar. Press Escape in the find box to show every issue.");
}

void MainWindow::closeSelectedIssue()
{
    ErrorBlock step(ErrorBlock::location("Form1", "CloseIssue"));
    const int row = selectedRow();
    if (row < 0 || m_model->isClosed(row))
        return;
    const QString id = m_model->cell(row, IssueListModel::idColumn);
    const std::optional<qint64> before = m_undo->lastChange();
    const std::optional<QString> closing =
        closingStatus(step, 100, QLatin1Char('[') + m_model->cell(row, 1) + QLatin1Char(']'));
    if (!closing)
        return;
    step(104, [&] {
        const qint64 number = RecordStore::idOf(id, QStringLiteral("issue"));
        sharedConnection().Execute(IssueStatus::setStatusStatement(*closing, number));
        m_undo->done(UndoCommands::Kind::Close, number, before);
    });
    step(106, [&] { refillList(); });
    step(108, [&] { selectRow(m_model->rowOfFirstCell(id)); });
}

std::optional<QString> MainWindow::closingStatus(ErrorBlock &step, int firstStep, const QString &what)
{
    std::optional<QString> closing;
    if (!step(firstStep, [&] { closing = IssueStatus::closingValue(sharedConnection()); }))
        return std::nullopt;
    if (closing)
        return closing;
    const auto answer = platform::msgBox(
        QStringLiteral("An issue is closed when its status is \"Closed\", and the status list has no such value "
                       "yet.\r\nAdd \"Closed\" to the status list and close %1?")
            .arg(what),
        platform::Buttons::YesNo);
    if (answer != platform::Answer::Yes)
        return std::nullopt;
    if (!step(firstStep + 2, [&] { sharedConnection().Execute(IssueStatus::addClosedStatement()); }))
        return std::nullopt;
    return QString::fromLatin1(IssueStatus::closedName);
}

void MainWindow::reopenSelectedIssue()
{
    ErrorBlock step(ErrorBlock::location("Form1", "ReopenIssue"));
    const int row = selectedRow();
    if (row < 0 || !m_model->isClosed(row))
        return;
    const QString id = m_model->cell(row, IssueListModel::idColumn);
    const std::unique_ptr<IssueEditor> editor = newIssueEditor();
    editor->issueId = id;
    editor->reopening = true;
    editor->setWindowTitle(QStringLiteral("Edit Data"));
    const std::optional<qint64> before = m_undo->lastChange();
    step(100, [&] { platform::dialogs().showModal(*editor); });
    if (!editor->savedIssueId().isEmpty())
        m_undo->done(UndoCommands::Kind::Reopen, id.toLongLong(), before);
    step(102, [&] { refillList(); });
    step(104, [&] { selectRow(m_model->rowOfFirstCell(id)); });
    backToList(QString());
}

void MainWindow::copySelectedIssue()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    QStringList cells;
    for (int column = 0; column < m_model->columnCount(); ++column)
        if (!m_issueList->header()->isSectionHidden(column))
            cells.append(m_model->cell(row, column));
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')));
}

void MainWindow::applyView(const MainWindowSettings::View &view)
{
    // A sort by a history column stays off while that column is away.
    if (view.sortColumn >= 0 && view.sortColumn < m_model->columnCount()) {
        m_model->sort(view.sortColumn, view.sortOrder);
        m_issueList->header()->setSortIndicator(view.sortColumn, view.sortOrder);
    }
    {
        // Set before the first refill, which then already holds them.
        const QSignalBlocker quiet(m_filterBar);
        m_filterBar->setShowsClosed(view.showClosed);
    }
    // The value lists' order before the first refill sorts by it.
    m_views->loadValueOrders();
    m_filterBar->setVisible(view.findBar);
    applyLayout(m_layout);
}

MainWindowSettings::View MainWindow::currentView() const
{
    MainWindowSettings::View view;
    view.sortColumn = m_model->sortColumn();
    view.sortOrder = m_model->sortOrder();
    view.showClosed = m_filterBar->showsClosed();
    view.findBar = m_filterBar->isVisibleTo(this);
    return view;
}
