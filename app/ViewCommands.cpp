#include "app/ViewCommands.h"

#include "app/FilterBar.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/IssueExchange.h"
#include "data/SharedConnection.h"
#include "data/ValueOrder.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

const ValueListSql::List orderedLists[] = {ValueListSql::List::Status, ValueListSql::List::Category,
                                           ValueListSql::List::Priority};

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

// How a view is named in the menu and the manager: another's shared view
// with its owner.
QString label(const SavedViews::View &view)
{
    if (!view.mine && !view.owner.isEmpty())
        return QStringLiteral("%1 (%2's)").arg(view.name, view.owner);
    return view.shared ? QStringLiteral("%1 (shared)").arg(view.name) : view.name;
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
        QAction *action = menu->addAction(label(views[place]));
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
}

void ViewCommands::loadValueOrders()
{
    // Quietly by text when the order cannot be read: a read-only file of an
    // older schema has no order to read, and the list must still open.
    for (const ValueListSql::List list : orderedLists) {
        QStringList ordered;
        try {
            ordered = ValueOrder::ordered(sharedConnection(), list);
        } catch (const Error &) {
        }
        m_window.listModel()->setValueOrder(columnOf(list), ordered);
    }
}

// ---------------------------------------------------------------------------

ViewsDialog::ViewsDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("viewsDialog"));
    setWindowTitle(QStringLiteral("Views"));
    viewList = new QListWidget(this);
    viewList->setObjectName(QStringLiteral("viewList"));
    viewList->setAccessibleName(QStringLiteral("Views"));
    auto *rename = new QPushButton(QStringLiteral("&Rename..."), this);
    auto *remove = new QPushButton(QStringLiteral("&Delete"), this);
    auto *close = new QPushButton(QStringLiteral("Close"), this);
    rename->setObjectName(QStringLiteral("renameView"));
    remove->setObjectName(QStringLiteral("deleteView"));
    connect(rename, &QPushButton::clicked, this, &ViewsDialog::renameSelected);
    connect(remove, &QPushButton::clicked, this, &ViewsDialog::deleteSelected);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
    auto *buttons = new QVBoxLayout;
    for (QPushButton *button : {rename, remove, close})
        buttons->addWidget(button);
    buttons->addStretch();
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(viewList);
    layout->addLayout(buttons);
    reload();
}

void ViewsDialog::reload()
{
    ErrorBlock step(ErrorBlock::location("Views", "Load"));
    step(100, [&] { m_views = SavedViews::list(sharedConnection()); });
    viewList->clear();
    for (const SavedViews::View &view : m_views) {
        auto *item = new QListWidgetItem(label(view), viewList);
        // Another's view is shown but cannot be changed here.
        if (!view.mine)
            item->setFlags(item->flags() & ~Qt::ItemIsEnabled);
    }
}

void ViewsDialog::renameSelected()
{
    const int row = viewList->currentRow();
    if (row < 0 || row >= m_views.size())
        return;
    ErrorBlock step(ErrorBlock::location("Views", "Rename"));
    const QString name = platform::dialogs().input(QStringLiteral("New name of the view:"),
                                                   QStringLiteral("Rename View"), m_views[row].name);
    if (name.trimmed().isEmpty())
        return;
    step(100, [&] { SavedViews::rename(sharedConnection(), m_views[row].id, name); });
    reload();
}

void ViewsDialog::deleteSelected()
{
    const int row = viewList->currentRow();
    if (row < 0 || row >= m_views.size())
        return;
    ErrorBlock step(ErrorBlock::location("Views", "Delete"));
    if (platform::msgBox(QStringLiteral("Delete the view \"%1\"?").arg(m_views[row].name),
                         platform::Buttons::YesNoDefaultNo) != platform::Answer::Yes)
        return;
    step(100, [&] { SavedViews::remove(sharedConnection(), m_views[row].id); });
    reload();
}

// ---------------------------------------------------------------------------

ValueOrderDialog::ValueOrderDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("valueOrderDialog"));
    setWindowTitle(QStringLiteral("Order of Values"));
    listChoice = new QComboBox(this);
    listChoice->setObjectName(QStringLiteral("valueListChoice"));
    listChoice->setAccessibleName(QStringLiteral("List"));
    listChoice->addItems({QStringLiteral("Status"), QStringLiteral("Category"), QStringLiteral("Priority")});
    valueList = new QListWidget(this);
    valueList->setObjectName(QStringLiteral("orderedValues"));
    valueList->setAccessibleName(QStringLiteral("Values, first to last"));
    valueList->setDragDropMode(QAbstractItemView::InternalMove);
    auto *up = new QPushButton(QStringLiteral("Move &Up"), this);
    auto *down = new QPushButton(QStringLiteral("Move &Down"), this);
    up->setObjectName(QStringLiteral("moveUp"));
    down->setObjectName(QStringLiteral("moveDown"));
    auto *box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(up, &QPushButton::clicked, this, [this] { moveSelected(-1); });
    connect(down, &QPushButton::clicked, this, [this] { moveSelected(1); });
    connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto *moves = new QVBoxLayout;
    moves->addWidget(up);
    moves->addWidget(down);
    moves->addStretch();
    auto *middle = new QHBoxLayout;
    middle->addWidget(valueList);
    middle->addLayout(moves);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(listChoice);
    layout->addLayout(middle);
    layout->addWidget(box);

    ErrorBlock step(ErrorBlock::location("OrderValues", "Load"));
    for (size_t list = 0; list < m_values.size(); ++list)
        step(100, [&] { m_values[list] = ValueOrder::arranged(sharedConnection(), orderedLists[list]); });
    connect(listChoice, &QComboBox::currentIndexChanged, this, &ValueOrderDialog::showList);
    showList(0);
}

void ValueOrderDialog::takeShownOrder()
{
    // A drag reorders the items themselves.
    if (m_shown < 0)
        return;
    QStringList values;
    for (int row = 0; row < valueList->count(); ++row)
        values << valueList->item(row)->text();
    if (values != m_values[static_cast<size_t>(m_shown)]) {
        m_values[static_cast<size_t>(m_shown)] = values;
        m_changed[static_cast<size_t>(m_shown)] = true;
    }
}

void ValueOrderDialog::showList(int list)
{
    takeShownOrder();
    m_shown = -1;
    valueList->clear();
    if (list < 0 || list >= static_cast<int>(m_values.size()))
        return;
    valueList->addItems(m_values[static_cast<size_t>(list)]);
    m_shown = list;
}

void ValueOrderDialog::moveSelected(int by)
{
    takeShownOrder();
    const int row = valueList->currentRow();
    const int to = row + by;
    if (m_shown < 0 || row < 0 || to < 0 || to >= valueList->count())
        return;
    QStringList &values = m_values[static_cast<size_t>(m_shown)];
    values.move(row, to);
    m_changed[static_cast<size_t>(m_shown)] = true;
    valueList->insertItem(to, valueList->takeItem(row));
    valueList->setCurrentRow(to);
}

void ValueOrderDialog::save()
{
    takeShownOrder();
    for (size_t list = 0; list < m_values.size(); ++list)
        if (m_changed[list])
            ValueOrder::setOrder(sharedConnection(), orderedLists[list], m_values[list]);
}
