#include "app/TrashCommands.h"

#include "app/DeletedItemsWindow.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/SharedConnection.h"
#include "data/Trash.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QMenu>

TrashCommands::TrashCommands(MainWindow *window) : QObject(window), m_window(window)
{
    auto *undo = new QAction(QStringLiteral("&Undo Delete"), window);
    undo->setObjectName(QStringLiteral("undoDelete"));
    undo->setShortcut(QKeySequence::Undo);
    undo->setShortcutContext(Qt::WindowShortcut);
    window->addAction(undo);
    auto *deleted = new QAction(QStringLiteral("Deleted I&tems..."), window);
    deleted->setObjectName(QStringLiteral("deletedItems"));
    connect(undo, &QAction::triggered, this, &TrashCommands::undoLastDelete);
    connect(deleted, &QAction::triggered, this, &TrashCommands::showDeletedItems);
    if (auto *menu = window->findChild<QMenu *>(QStringLiteral("listMenu"))) {
        menu->addSeparator();
        menu->addActions({undo, deleted});
    }
}

void TrashCommands::purgeExpired()
{
    try {
        if (hasSharedConnection() && sharedConnection().State() == 1)
            Trash::purgeOlderThan(sharedConnection(), QDateTime::currentDateTimeUtc().addDays(-Trash::keptDays));
    } catch (const Error &) {
    }
}

void TrashCommands::undoLastDelete()
{
    ErrorBlock step(ErrorBlock::location("Form1", "UndoDelete"));
    std::optional<Trash::Group> last;
    if (!step(100, [&] { last = Trash::newest(sharedConnection()); }))
        return;
    if (!last) {
        platform::msgBox(QStringLiteral("There is no delete to undo."));
        return;
    }
    QList<qint64> issues;
    if (!step(102, [&] { issues = Trash::restore(sharedConnection(), last->id); }))
        return;
    step(104, [&] { showIssues(issues); });
}

void TrashCommands::showDeletedItems()
{
    ErrorBlock step(ErrorBlock::location("Form1", "DeletedItems"));
    DeletedItemsWindow window(m_window);
    step(100, [&] { platform::dialogs().showModal(window); });
    step(102, [&] { showIssues(window.restoredIssues()); });
}

void TrashCommands::showIssues(const QList<qint64> &issues)
{
    m_window->refillList();
    if (!issues.isEmpty())
        m_window->selectRow(m_window->listModel()->rowOfFirstCell(QString::number(issues.first())));
}
