// The main window's detail pane: F3 and the list's menu show it beside or
// below the list, and it follows the selected issue, also when a refill
// (a colleague's change on a team's server) puts the selection back.

#include "app/MainWindow.h"

#include "app/DetailPane.h"
#include "app/MainWindowSettings.h"
#include "app/UndoCommands.h"
#include "app/list/IssueListModel.h"

#include <QAction>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTimer>
#include <QTreeView>

void MainWindow::buildPaneCommands()
{
    m_detailPane = new DetailPane(this);
    m_detailPane->hide();
    m_detailPane->setAttachmentLimit(MainWindowSettings::readAttachmentLimit());
    connect(m_detailPane, &DetailPane::noteAdded, this,
            [this](qint64 issueId) { m_undo->justMade(UndoCommands::Kind::Note, issueId); });
    connect(m_detailPane, &DetailPane::restoreRequested, m_undo, &UndoCommands::restore);
    connect(m_detailPane, &DetailPane::attached, this,
            [this](qint64 issueId) { m_undo->justMade(UndoCommands::Kind::Attach, issueId); });
    connect(m_detailPane, &DetailPane::attachmentRemoved, this,
            [this](qint64 issueId) { m_undo->justMade(UndoCommands::Kind::AttachmentRemoval, issueId); });
    m_paneUpdate = new QTimer(this);
    m_paneUpdate->setSingleShot(true);
    m_paneUpdate->setInterval(0);
    connect(m_paneUpdate, &QTimer::timeout, this, &MainWindow::showSelectedInPane);
    connect(m_issueList->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &MainWindow::showSelectedLater);
    connect(m_model, &QAbstractItemModel::modelReset, this, &MainWindow::showSelectedLater);
    connect(m_model, &QAbstractItemModel::layoutChanged, this, &MainWindow::showSelectedLater);

    m_paneShown = new QAction(QStringLiteral("Detail &Pane"), this);
    m_paneShown->setObjectName(QStringLiteral("detailPaneAction"));
    m_paneShown->setCheckable(true);
    m_paneShown->setShortcut(QKeySequence(Qt::Key_F3));
    m_paneShown->setShortcutContext(Qt::WindowShortcut);
    addAction(m_paneShown);
    m_paneBelowList = new QAction(QStringLiteral("Pane Belo&w the List"), this);
    m_paneBelowList->setObjectName(QStringLiteral("paneBelowAction"));
    m_paneBelowList->setCheckable(true);
    // Chosen by the user: shown as asked, and kept for the next start.
    connect(m_paneShown, &QAction::triggered, this, [this](bool shown) {
        setDetailPane({shown, m_paneBelow});
        MainWindowSettings::savePane(detailPaneSettings());
    });
    connect(m_paneBelowList, &QAction::triggered, this, [this](bool below) {
        setDetailPane({true, below});
        MainWindowSettings::savePane(detailPaneSettings());
    });
    m_contextMenu->addSeparator();
    m_contextMenu->addActions({m_paneShown, m_paneBelowList});
}

void MainWindow::setDetailPane(const MainWindowSettings::Pane &pane)
{
    m_paneBelow = pane.below;
    m_detailPane->setVisible(pane.shown);
    m_paneShown->setChecked(pane.shown);
    m_paneBelowList->setChecked(pane.below);
    applyLayout(m_layout);
    if (pane.shown)
        showSelectedInPane();
}

MainWindowSettings::Pane MainWindow::detailPaneSettings() const
{
    return {m_detailPane->isVisibleTo(this), m_paneBelow};
}

void MainWindow::showSelectedLater()
{
    if (m_detailPane->isVisibleTo(this))
        m_paneUpdate->start();
}

void MainWindow::showSelectedInPane()
{
    m_paneUpdate->stop();
    if (!m_detailPane->isVisibleTo(this))
        return;
    const int row = selectedRow();
    if (row < 0) {
        m_detailPane->showIssue(QString(), {});
        return;
    }
    QList<DetailPaneText::Field> fields;
    for (int column = 0; column < m_model->columnCount(); ++column)
        fields.append({m_model->headerData(column, Qt::Horizontal).toString(), m_model->cell(row, column)});
    m_detailPane->showIssue(m_model->cell(row, IssueListModel::idColumn), fields);
    markRowSeen(row);
}
