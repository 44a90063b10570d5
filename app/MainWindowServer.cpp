// The main window on a team's server: the list refills itself when another
// user saves a change, keeping the user's place in it, and a line over the
// list says when the server is out of reach, instead of a box per refill.

#include "app/MainWindow.h"

#include "app/DetailPane.h"
#include "app/FilterBar.h"
#include "app/WatchNotices.h"
#include "app/list/IssueListLoading.h"
#include "app/list/IssueListModel.h"
#include "app/list/IssueListReread.h"
#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/ServerWaits.h"
#include "data/SessionBeside.h"
#include "data/SharedConnection.h"
#include "platform/ApplicationTitle.h"
#include "platform/BackgroundSession.h"
#include "platform/DesktopNotifications.h"

#include <QApplication>
#include <QItemSelectionModel>
#include <QLabel>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>

#include <utility>

namespace {

// A burst of changes (an import, a delete with its issues) refills once;
// the change still shows well within a second.
constexpr int refillDelayMilliseconds = 150;
// A re-read that failed with the listener connected (the server answering
// one session and not yet the other) is tried again this often.
constexpr int rereadRetryMilliseconds = 2000;

} // namespace

void MainWindow::followServer()
{
    if (m_changes || !hasSharedConnection() || !sharedConnection().isShared())
        return;
    // The title names the server, so that a user sees which database this is.
    setWindowTitle(QStringLiteral("%1 \u2014 %2")
                       .arg(QString::fromLatin1(platform::productName), sharedConnection().displayName()));

    m_connectionBanner = new QLabel(this);
    m_connectionBanner->setObjectName(QStringLiteral("connectionBanner"));
    m_connectionBanner->setWordWrap(true);
    m_connectionBanner->setStyleSheet(QStringLiteral("background: #fff3c4; color: #5c4400; padding: 4px;"));
    m_connectionBanner->hide();

    m_serverRefill = new QTimer(this);
    m_serverRefill->setSingleShot(true);
    connect(m_serverRefill, &QTimer::timeout, this, &MainWindow::refillKeepingPlace);

    // A colleague's change is read on a worker with a session of its own,
    // so that typing and scrolling never wait for the server.
    m_backgroundReads = new platform::BackgroundSession(SessionBeside::targetOf(sharedConnection()), this);
    m_reread = new IssueListReread(m_model, m_search, m_backgroundReads, this);
    m_detailPane->readOnWorker(m_backgroundReads);
    m_reread->setHold([] { return QApplication::activeModalWidget() != nullptr; });
    connect(m_reread, &IssueListReread::aboutToShow, this, [this] { m_placeBeforeReread = placeInList(); });
    connect(m_reread, &IssueListReread::finished, this, &MainWindow::rereadFinished);

    m_changes = new ChangeListener(sharedConnection(), this);
    connect(m_changes, &ChangeListener::changed, this, &MainWindow::serverChanged);
    connect(m_changes, &ChangeListener::connectionLost, this, &MainWindow::serverLost);
    connect(m_changes, &ChangeListener::reconnected, this, &MainWindow::serverBack);
    // The listener subscribes once the window shows; what a colleague saved
    // between the list's first read and then went unannounced, so the list
    // is read again (on the worker) as soon as it listens.
    connect(m_changes, &ChangeListener::listening, this, [this] { serverChanged(QString()); });

    auto *notices = new platform::DesktopNotifications(this);
    connect(notices, &platform::DesktopNotifications::issueChosen, this, &MainWindow::showIssue);
    m_watchNotices = new WatchNotices(m_backgroundReads, notices, sharedConnection().account(), this);
    connect(m_changes, &ChangeListener::changed, m_watchNotices, &WatchNotices::changed);
}

void MainWindow::serverChanged(const QString &)
{
    // Every table shows in the list: the issues, the contacts' names, and
    // the value lists a delete takes issues with.
    if (!m_serverRefill->isActive())
        m_serverRefill->start(refillDelayMilliseconds);
}

void MainWindow::serverLost()
{
    m_serverLost = true;
    m_listStale = true; // what others save meanwhile is not heard
    m_serverRefill->stop();
    showConnectionState();
}

void MainWindow::serverBack()
{
    // The listener now reports every table as changed: the refill follows,
    // and the line goes when it has read the list.
    m_serverLost = false;
}

IssueListLoading::Refilled MainWindow::rereadFromServer()
{
    const IssueListLoading::Refilled refilled = IssueListLoading::refillWhenRead(*m_model, m_filterBar->showsClosed());
    noteServerRead(refilled);
    return refilled;
}

void MainWindow::noteServerRead(const IssueListLoading::Refilled &refilled)
{
    if (!refilled.read) {
        // The rows shown stay, marked as not current; the line says so, and
        // the read is tried again until it succeeds.
        m_listStale = true;
        if (!m_serverLost)
            m_serverRefill->start(rereadRetryMilliseconds);
    } else {
        m_listRead = true;
        m_listStale = false;
    }
    showConnectionState();
}

void MainWindow::rereadFinished(const IssueListLoading::Refilled &refilled)
{
    if (std::exchange(m_rereadAgain, false))
        m_serverRefill->start(refillDelayMilliseconds);
    noteServerRead(refilled);
    if (!refilled.read)
        return;
    restorePlace(m_placeBeforeReread);
    showMissingValues(refilled);
}

void MainWindow::showConnectionState()
{
    if (m_serverLost)
        m_connectionBanner->setText(QStringLiteral("The connection to the database server was lost. Marrowdesk will "
                                                   "reconnect by itself; nothing you type is lost."));
    else if (m_listStale)
        m_connectionBanner->setText(
            QStringLiteral("The list could not be read again from the database server, so it "
                           "may not show the latest changes. Marrowdesk tries again by itself."));
    const bool shown = m_serverLost || m_listStale;
    if (shown == m_connectionBanner->isVisibleTo(this))
        return;
    m_connectionBanner->setVisible(shown);
    applyLayout(m_layout);
}

void MainWindow::refreshList()
{
    // On a server a read that fails keeps the rows and says so in the line
    // over the list, with no box.
    refillList();
}

void MainWindow::refillKeepingPlace()
{
    // While the server is away a refill could only fail; the line over the
    // list says so, and the refill after reconnecting brings it up to date.
    if (m_serverLost)
        return;
    // A command waiting on a box or editor holds rows of the list as they
    // are, and a statement waiting on the server holds the connection; the
    // refill waits until it is done.
    if (QApplication::activeModalWidget() || ServerWaits::inProgress()) {
        m_serverRefill->start(refillDelayMilliseconds);
        return;
    }
    if (m_reread->isRunning()) {
        m_rereadAgain = true;
        return;
    }
    m_reread->start(m_filterBar->showsClosed());
}

MainWindow::ListPlace MainWindow::placeInList() const
{
    ListPlace place;
    const int selected = selectedRow();
    place.selectedId = selected >= 0 ? m_model->cell(selected, IssueListModel::idColumn) : QString();
    const QModelIndex top = m_issueList->indexAt(QPoint(1, 1));
    place.topId = top.isValid() ? m_model->cell(top.row(), IssueListModel::idColumn) : QString();
    place.scrolled = m_issueList->verticalScrollBar()->value();
    return place;
}

void MainWindow::restorePlace(const ListPlace &place)
{
    const int row = place.selectedId.isEmpty() ? -1 : m_model->rowOfFirstCell(place.selectedId);
    if (row >= 0)
        m_issueList->selectionModel()->setCurrentIndex(m_model->index(row, 0),
                                                       QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const int topRow = place.topId.isEmpty() ? -1 : m_model->rowOfFirstCell(place.topId);
    if (topRow >= 0)
        m_issueList->scrollTo(m_model->index(topRow, 0), QAbstractItemView::PositionAtTop);
    else
        m_issueList->verticalScrollBar()->setValue(place.scrolled);
}
