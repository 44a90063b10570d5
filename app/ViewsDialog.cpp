#include "app/ViewsDialog.h"

#include "data/Error.h"
#include "data/SharedConnection.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

QString viewLabel(const SavedViews::View &view)
{
    if (!view.mine && !view.owner.isEmpty())
        return QStringLiteral("%1 (%2's)").arg(view.name, view.owner);
    return view.shared ? QStringLiteral("%1 (shared)").arg(view.name) : view.name;
}

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
        auto *item = new QListWidgetItem(viewLabel(view), viewList);
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
