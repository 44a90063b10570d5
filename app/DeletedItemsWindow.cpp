#include "app/DeletedItemsWindow.h"

#include "data/Connection.h"
#include "data/SharedConnection.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace {
QString location(const char *operation)
{
    return ErrorBlock::location("DeletedItems", operation);
}
} // namespace

DeletedItemsWindow::DeletedItemsWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DeletedItems"));
    setWindowTitle(QStringLiteral("Deleted Items"));
    groupList = new QTreeWidget(this);
    groupList->setObjectName(QStringLiteral("groupList"));
    groupList->setAccessibleName(QStringLiteral("Deleted items"));
    groupList->setHeaderLabels({QStringLiteral("Deleted"), QStringLiteral("By"), QStringLiteral("What")});
    groupList->setRootIsDecorated(false);
    groupList->setUniformRowHeights(true);
    restoreButton = new QPushButton(QStringLiteral("&Restore"), this);
    purgeButton = new QPushButton(QStringLiteral("&Purge"), this);
    auto *closeButton = new QPushButton(QStringLiteral("Close"), this);
    connect(restoreButton, &QPushButton::clicked, this, &DeletedItemsWindow::restoreChosen);
    connect(purgeButton, &QPushButton::clicked, this, &DeletedItemsWindow::purgeChosen);
    connect(closeButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(groupList, &QTreeWidget::itemDoubleClicked, this, &DeletedItemsWindow::restoreChosen);

    auto *buttons = new QHBoxLayout;
    buttons->addWidget(restoreButton);
    buttons->addWidget(purgeButton);
    buttons->addStretch();
    buttons->addWidget(closeButton);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(groupList);
    layout->addLayout(buttons);
    resize(720, 360);
}

void DeletedItemsWindow::load()
{
    ErrorBlock step(location("Form_Load"));
    m_groups.clear();
    groupList->clear();
    step(100, [&] { m_groups = Trash::groups(sharedConnection()); });
    const QLocale locale;
    for (const Trash::Group &group : m_groups)
        groupList->addTopLevelItem(new QTreeWidgetItem(
            {locale.toString(group.deleted, QLocale::ShortFormat),
             group.person.isEmpty() ? group.command : QStringLiteral("%1 (%2)").arg(group.person, group.command),
             group.what}));
    if (!m_groups.isEmpty())
        groupList->setCurrentItem(groupList->topLevelItem(0));
    groupList->resizeColumnToContents(0);
    restoreButton->setEnabled(!m_groups.isEmpty());
    purgeButton->setEnabled(!m_groups.isEmpty());
}

const Trash::Group *DeletedItemsWindow::chosen() const
{
    const int row = groupList->indexOfTopLevelItem(groupList->currentItem());
    return row >= 0 && row < m_groups.size() ? &m_groups[row] : nullptr;
}

void DeletedItemsWindow::restoreChosen()
{
    ErrorBlock step(location("Restore"));
    const Trash::Group *group = chosen();
    if (!group)
        return;
    step(100, [&] { m_restoredIssues += Trash::restore(sharedConnection(), group->id); });
    load();
}

void DeletedItemsWindow::purgeChosen()
{
    ErrorBlock step(location("Purge"));
    const Trash::Group *group = chosen();
    if (!group)
        return;
    const auto answer = platform::msgBox(
        QStringLiteral("Purge %1 for good?\r\nPurged items cannot be restored.\r\nDo you wish to continue?")
            .arg(group->what),
        platform::Buttons::YesNoDefaultNo);
    if (answer != platform::Answer::Yes)
        return;
    step(100, [&] { Trash::purge(sharedConnection(), group->id); });
    load();
}
