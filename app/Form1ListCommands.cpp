// What the main window offers on its list besides the six buttons: the find
// bar, closing and reopening issues, copying a row, the keyboard map and the
// context menu, and the view remembered between runs.

#include "app/Form1.h"

#include "app/CsvCommands.h"
#include "app/FilterBar.h"
#include "app/IssueListModel.h"
#include "app/IssueSearch.h"
#include "app/TrashCommands.h"
#include "data/Connection.h"
#include "data/IssueStatus.h"
#include "data/SharedConnection.h"
#include "issues/Form2.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/SettingsStore.h"

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

// A stored whole number, or the fallback when it is missing or not one.
int storedNumber(const QString &key, int fallback)
{
    bool ok = false;
    const int number = platform::GetSetting(key, QString()).trimmed().toInt(&ok);
    return ok ? number : fallback;
}

} // namespace

void Form1::buildListCommands()
{
    // Keys that act on the list only when the list has the keyboard, so
    // that Enter and Delete still type in the find box.
    QAction *edit = command(ListView1, QStringLiteral("&Edit Issue"), {Qt::Key_Return, Qt::Key_Enter},
                            Qt::WidgetShortcut);
    QAction *remove = command(ListView1, QStringLiteral("&Delete Issue"), {QKeySequence::Delete}, Qt::WidgetShortcut);
    QAction *copy = command(ListView1, QStringLiteral("&Copy"), {QKeySequence::Copy}, Qt::WidgetShortcut);
    QAction *add = command(this, QStringLiteral("&Add Issue"), {Qt::Key_Insert, QKeySequence::New},
                           Qt::WindowShortcut);
    QAction *refresh = command(this, QStringLiteral("&Refresh"), {QKeySequence::Refresh, Qt::Key_F5},
                               Qt::WindowShortcut);
    QAction *find = command(this, QStringLiteral("&Find..."), {QKeySequence::Find}, Qt::WindowShortcut);
    QAction *close = new QAction(QStringLiteral("C&lose Issue"), this);
    QAction *reopen = new QAction(QStringLiteral("&Reopen Issue..."), this);
    QAction *showClosed = new QAction(QStringLiteral("Show Closed &Issues"), this);
    showClosed->setCheckable(true);
    connect(edit, &QAction::triggered, this, &Form1::PushButton1_Click);
    connect(remove, &QAction::triggered, this, &Form1::PushButton3_Click);
    connect(copy, &QAction::triggered, this, &Form1::copySelectedIssue);
    connect(add, &QAction::triggered, this, &Form1::PushButton2_Click);
    connect(refresh, &QAction::triggered, this, &Form1::ListData);
    connect(find, &QAction::triggered, this, &Form1::showFilterBar);
    connect(close, &QAction::triggered, this, &Form1::closeSelectedIssue);
    connect(reopen, &QAction::triggered, this, &Form1::reopenSelectedIssue);
    connect(showClosed, &QAction::toggled, m_filterBar, &FilterBar::setShowsClosed);
    connect(ListView1, &QTreeView::doubleClicked, this, &Form1::PushButton1_Click);

    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("listMenu"));
    m_contextMenu->addActions({add, edit, remove});
    m_contextMenu->addSeparator();
    m_contextMenu->addActions({close, reopen, copy});
    m_contextMenu->addSeparator();
    // Sorting without a mouse: the same as a click on the column's heading.
    QMenu *sortBy = m_contextMenu->addMenu(QStringLiteral("&Sort By"));
    connect(sortBy, &QMenu::aboutToShow, this, [this, sortBy] {
        sortBy->clear();
        for (int column = 0; column < m_model->columnCount(); ++column)
            sortBy->addAction(m_model->headerData(column, Qt::Horizontal).toString(), this,
                              [this, column] { ListView1_ColumnClick(column); });
    });
    m_contextMenu->addActions({showClosed, find, refresh});
    CsvCommands::add(*this, *m_contextMenu);
    connect(m_contextMenu, &QMenu::aboutToShow, this, [=, this] {
        const int row = selectedRow();
        for (QAction *action : {edit, remove, copy})
            action->setEnabled(row >= 0);
        close->setEnabled(row >= 0 && !m_model->isClosed(row));
        reopen->setEnabled(row >= 0 && m_model->isClosed(row));
        const QSignalBlocker quiet(showClosed);
        showClosed->setChecked(m_filterBar->showsClosed());
    });
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(ListView1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &at) { m_contextMenu->popup(ListView1->viewport()->mapToGlobal(at)); });

    new TrashCommands(this);
}

QMenu *Form1::contextMenu()
{
    emit m_contextMenu->aboutToShow();
    return m_contextMenu;
}

void Form1::showFilterBar()
{
    m_filterBar->show();
    applyLayout(m_layout);
    m_filterBar->focusFind();
}

void Form1::hideFilterBar()
{
    m_filterBar->clear();
    m_search->applyNow(m_filterBar->criteria());
    m_filterBar->hide();
    applyLayout(m_layout);
    ListView1->setFocus(Qt::OtherFocusReason);
}

void Form1::showCountsAndHint()
{
    const int shown = m_model->rowCount();
    const int total = m_model->totalRowCount();
    m_filterBar->setCounts(shown, total);
    m_emptyHint->setText(emptyListHint());
    m_emptyHint->setVisible(!m_emptyHint->text().isEmpty());
}

QString Form1::emptyListHint() const
{
    if (m_model->rowCount() > 0)
        return QString();
    if (m_model->totalRowCount() == 0)
        return QStringLiteral("No open issues. Press \u201cAdd New Issue\u201d (or Insert) to enter one, or "
                              "\u201cLoad Sample/Example Data\u201d to try Marrowdesk with examples.");
    return QStringLiteral("No issue matches the find bar. Press Escape in the find box to show every issue.");
}

void Form1::closeSelectedIssue()
{
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.CloseIssue "));
    const int row = selectedRow();
    if (row < 0 || m_model->isClosed(row))
        return;
    const QString id = m_model->cell(row, IssueListModel::idColumn);
    std::optional<QString> closing;
    if (!step(100, [&] { closing = IssueStatus::closingValue(sharedConnection()); }))
        return;
    if (!closing) {
        const auto answer = platform::msgBox(
            QStringLiteral("An issue is closed when its status is \"Closed\", and the status list has no such value "
                           "yet.\r\nAdd \"Closed\" to the status list and close [%1]?")
                .arg(m_model->cell(row, 1)),
            platform::Buttons::YesNo);
        if (answer != platform::Answer::Yes)
            return;
        if (!step(102, [&] { sharedConnection().Execute(IssueStatus::addClosedStatement()); }))
            return;
        closing = QLatin1String(IssueStatus::closedName);
    }
    step(104, [&] { sharedConnection().Execute(IssueStatus::setStatusStatement(*closing, id)); });
    step(106, [&] { ListData(); });
    step(108, [&] { selectRow(m_model->rowOfFirstCell(id)); });
}

void Form1::reopenSelectedIssue()
{
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.ReopenIssue "));
    const int row = selectedRow();
    if (row < 0 || !m_model->isClosed(row))
        return;
    const QString id = m_model->cell(row, IssueListModel::idColumn);
    Form2 editor(this);
    editor.m_ID = id;
    editor.setWindowTitle(QStringLiteral("Edit Data"));
    step(100, [&] { platform::dialogs().showModal(editor); });
    step(102, [&] { ListData(); });
    step(104, [&] { selectRow(m_model->rowOfFirstCell(id)); });
}

void Form1::copySelectedIssue()
{
    const int row = selectedRow();
    if (row < 0)
        return;
    QStringList cells;
    for (int column = 0; column < m_model->columnCount(); ++column)
        cells.append(m_model->cell(row, column));
    QGuiApplication::clipboard()->setText(cells.join(QLatin1Char('\t')));
}

void Form1::restoreView()
{
    const int column = storedNumber(QStringLiteral("SortColumn"), -1);
    const int order = storedNumber(QStringLiteral("SortOrder"), 0);
    if (column >= 0 && column < IssueListModel::maxColumns) {
        const Qt::SortOrder direction = order == 1 ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_model->sort(column, direction);
        ListView1->header()->setSortIndicator(column, direction);
    }
    {
        // Read before the first refill, which then already holds them.
        const QSignalBlocker quiet(m_filterBar);
        m_filterBar->setShowsClosed(storedNumber(QStringLiteral("ShowClosed"), 0) == 1);
    }
    m_filterBar->setVisible(storedNumber(QStringLiteral("FindBar"), 1) == 1);
    applyLayout(m_layout);
}

void Form1::saveView()
{
    // Shutdown tells the user when the settings cannot be written; these
    // keys fail in the same way and say nothing more.
    try {
        platform::SaveSettings({
            {QStringLiteral("SortColumn"), QString::number(m_model->sortColumn())},
            {QStringLiteral("SortOrder"), QString::number(m_model->sortOrder() == Qt::DescendingOrder ? 1 : 0)},
            {QStringLiteral("ShowClosed"), QString::number(m_filterBar->showsClosed() ? 1 : 0)},
            {QStringLiteral("FindBar"), QString::number(m_filterBar->isVisibleTo(this) ? 1 : 0)},
        });
    } catch (const Error &) {
    }
}
