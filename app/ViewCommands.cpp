#include "app/ViewCommands.h"

#include "app/FilterBar.h"
#include "app/MainWindow.h"
#include "app/ValueOrderDialog.h"
#include "app/ViewsDialog.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/IssueExchange.h"
#include "data/SharedConnection.h"
#include "data/ValueOrder.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QHeaderView>
#include <QMenu>
#include <QTreeView>

namespace {

int columnOf(ValueListSql::List list)
{
    switch (list) {
    case ValueListSql::List::Status:
        return static_cast<int>(IssueExchange::Field::Status);
    case ValueListSql::List::Category:
        return static_cast<int>(IssueExchange::Field::Category);
    case ValueListSql::List::Priority:
        break;
    }
    return static_cast<int>(IssueExchange::Field::Priority);
}

} // namespace

ViewCommands::ViewCommands(MainWindow &window, QMenu &listMenu) : QObject(&window), m_window(window)
{
    auto *save = new QAction(QStringLiteral("Save View..."), &window);
    save->setObjectName(QStringLiteral("saveView"));
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    save->setShortcutContext(Qt::WindowShortcut);
    window.addAction(save);
    connect(save, &QAction::triggered, this, &ViewCommands::saveView);
    for (int place = 0; place < 9; ++place) {
        auto *choose = new QAction(QStringLiteral("View %1").arg(place + 1), &window);
        choose->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + place)));
        choose->setShortcutContext(Qt::WindowShortcut);
        window.addAction(choose);
        connect(choose, &QAction::triggered, this, [this, place] { chooseView(place); });
    }
    QMenu *views = window.filterBar()->viewsMenu();
    connect(views, &QMenu::aboutToShow, this, [this, views] { fillViewsMenu(views); });

    auto *order = new QAction(QStringLiteral("Order of &Values..."), &window);
    order->setObjectName(QStringLiteral("orderValues"));
    connect(order, &QAction::triggered, this, &ViewCommands::orderValues);
    listMenu.addAction(order);
}

void ViewCommands::fillViewsMenu(QMenu *menu)
{
    menu->clear();
    QList<SavedViews::View> views;
    ErrorBlock step(ErrorBlock::location("Form1", "ListViews"));
    step(100, [&] { views = SavedViews::list(sharedConnection()); });
    for (int place = 0; place < views.size(); ++place) {
        QAction *action = menu->addAction(viewLabel(views[place]));
        if (place < 9)
            action->setShortcut(QKeySequence(Qt::CTRL | (Qt::Key_1 + place)));
        const SavedViews::View view = views[place];
        connect(action, &QAction::triggered, this, [this, view] { applyView(view); });
    }
    if (!views.isEmpty())
        menu->addSeparator();
    QAction *save = menu->addAction(QStringLiteral("&Save View..."), this, &ViewCommands::saveView);
    save->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
    menu->addAction(QStringLiteral("&Manage Views..."), this, &ViewCommands::manageViews)->setEnabled(!views.isEmpty());
}

SavedViews::View ViewCommands::shownView() const
{
    const IssueListModel &model = *m_window.listModel();
    const QTreeView &list = *m_window.listView();
    SavedViews::View view;
    view.query = m_window.filterBar()->queryText();
    if (model.sortColumn() >= 0) {
        view.sortColumn = model.headerData(model.sortColumn(), Qt::Horizontal).toString();
        view.sortDescending = model.sortOrder() == Qt::DescendingOrder;
    }
    QStringList shown;
    for (int column = 0; column < model.columnCount(); ++column)
        if (!list.isColumnHidden(column))
            shown << model.headerData(column, Qt::Horizontal).toString();
    // Every column shown is kept as none named, so that a column added
    // later shows too; the history's columns, shown on request, are named.
    if (shown.size() < model.columnCount() || m_window.historyColumns().any())
        view.columns = shown;
    view.showClosed = m_window.filterBar()->showsClosed();
    return view;
}

void ViewCommands::applyView(const SavedViews::View &view)
{
    IssueListModel &model = *m_window.listModel();
    QTreeView &list = *m_window.listView();
    // The history's columns come as the view names them; a view that names
    // none leaves them as they are.
    if (!view.columns.isEmpty()) {
        const MainWindowSettings::HistoryColumns history{
            view.columns.contains(QStringLiteral("Closed Date"), Qt::CaseInsensitive),
            view.columns.contains(QStringLiteral("Last Changed"), Qt::CaseInsensitive)};
        if (history != m_window.historyColumns())
            m_window.setHistoryColumns(history);
    }
    int sortColumn = -1;
    for (int column = 0; column < model.columnCount(); ++column) {
        const QString caption = model.headerData(column, Qt::Horizontal).toString();
        if (caption.compare(view.sortColumn, Qt::CaseInsensitive) == 0)
            sortColumn = column;
        list.setColumnHidden(column, !view.columns.isEmpty() && !view.columns.contains(caption, Qt::CaseInsensitive));
    }
    {
        // One refill below does what the find bar's changes would each do.
        const QSignalBlocker quiet(m_window.filterBar());
        m_window.filterBar()->setQueryText(view.query);
        m_window.filterBar()->setShowsClosed(view.showClosed);
    }
    const Qt::SortOrder order = view.sortDescending ? Qt::DescendingOrder : Qt::AscendingOrder;
    // The refill sorts its rows as it gathers them; the rows shown now need
    // no sort of their own.
    model.sortOnNextRefill(sortColumn, order);
    list.header()->setSortIndicator(sortColumn, order);
    // A query filters only while the find bar shows it.
    if (!view.query.isEmpty() && m_window.filterBar()->isHidden())
        m_window.showFilterBar();
    m_window.refillList();
    if (!m_window.listIsCurrent() && sortColumn >= 0)
        model.sort(sortColumn, order); // the rows kept from before
    m_chosenName = view.name;
}

void ViewCommands::showColumn(int column, bool shown)
{
    QTreeView &list = *m_window.listView();
    if (column == IssueListModel::idColumn || list.isColumnHidden(column) == !shown)
        return;
    // The width it has now is the one kept between runs while it is hidden.
    if (!shown)
        m_window.setColumnWidthTwips(column, m_window.columnWidthTwips(column));
    list.setColumnHidden(column, !shown);
}

void ViewCommands::saveView()
{
    ErrorBlock step(ErrorBlock::location("Form1", "SaveView"));
    SavedViews::View view = shownView();
    view.name = platform::dialogs()
                    .input(QStringLiteral("Save the list as shown now (the find box, the sort, the columns and the "
                                          "closed issues) as the view named:"),
                           QStringLiteral("Save View"), m_chosenName)
                    .trimmed();
    if (view.name.isEmpty())
        return;
    Connection &connection = sharedConnection();
    QList<SavedViews::View> views;
    if (!step(100, [&] { views = SavedViews::list(connection); }))
        return;
    for (const SavedViews::View &existing : views)
        if (existing.mine && existing.name.compare(view.name, Qt::CaseInsensitive) == 0) {
            view.shared = existing.shared;
            if (existing.name != m_chosenName &&
                platform::msgBox(QStringLiteral("You have a view named \"%1\" already. Replace it?").arg(existing.name),
                                 platform::Buttons::YesNoDefaultNo) != platform::Answer::Yes)
                return;
        }
    if (connection.isShared())
        view.shared = platform::msgBox(QStringLiteral("Share the view \"%1\" with the team? Everyone then sees it, "
                                                      "and it changes for them when you save it again.\r\nNo keeps it "
                                                      "yours alone.")
                                           .arg(view.name),
                                       platform::Buttons::YesNo) == platform::Answer::Yes;
    if (step(102, [&] { SavedViews::save(connection, view); }))
        m_chosenName = view.name;
}

void ViewCommands::chooseView(int place)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ChooseView"));
    QList<SavedViews::View> views;
    if (step(100, [&] { views = SavedViews::list(sharedConnection()); }) && place < views.size())
        applyView(views[place]);
}

void ViewCommands::manageViews()
{
    ErrorBlock step(ErrorBlock::location("Form1", "ManageViews"));
    ViewsDialog dialog(&m_window);
    step(100, [&] { platform::dialogs().showModal(dialog); });
}

void ViewCommands::orderValues()
{
    ErrorBlock step(ErrorBlock::location("Form1", "OrderValues"));
    ValueOrderDialog dialog(&m_window);
    if (!step(100, [&] { platform::dialogs().showModal(dialog); }) || dialog.result() != QDialog::Accepted)
        return;
    if (step(102, [&] { dialog.save(); }))
        loadValueOrders();
    // Which issues are open may have changed with the statuses' ticks.
    if (dialog.changedClosing())
        step(104, [&] { m_window.refillList(); });
}

void ViewCommands::loadValueOrders()
{
    // Quietly by text when the order cannot be read: a read-only file of an
    // older schema has no order to read, and the list must still open.
    for (const ValueListSql::List list : ValueOrder::orderedLists) {
        QStringList ordered;
        try {
            ordered = ValueOrder::ordered(sharedConnection(), list);
        } catch (const Error &) {
        }
        m_window.listModel()->setValueOrder(columnOf(list), ordered);
    }
}
