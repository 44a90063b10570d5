#pragma once
// The main window: the list of open issues and the six commands under it.
// startUp is the whole start-up (app/StartUp) and runs before the window is
// first shown; closing the window is the whole shutdown (app/Shutdown) and
// ends the program at once. The list engine lives in app/list, the settings
// the window keeps in MainWindowSettings, its arrangement in MainWindowLayout.

#include "app/MainWindowLayout.h"
#include "app/MainWindowSettings.h"
#include "app/QueryMe.h"
#include "app/list/IssueFilter.h"
#include "app/list/IssueListLoading.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QWidget>

#include <array>
#include <memory>
#include <optional>

class ChangeListener;
class WatchNotices;
class QAction;
class ColumnFill;
class DetailPane;
class ErrorBlock;
class UndoCommands;
class ViewCommands;
class FilterBar;
class IssueEditor;
class IssueListModel;
class IssueListReread;
class IssueSearch;
class QLabel;
class QMenu;
class QPushButton;
class QTimer;
class QTreeView;

namespace platform {
class BackgroundSession;
}

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // 0 normal, 1 minimized, 2 maximized.
    static int windowStateNumber(Qt::WindowStates states);
    // Puts the window in one of those states.
    void setWindowStateNumber(int state);

    // The width a column would be saved with, in twips: the width it was
    // last given when the user has not resized it since, else its present
    // width rounded to whole twips.
    double columnWidthTwips(int column) const;
    // Gives a column a width in twips, kept between the minimum and maximum
    // of MainWindowSettings.
    void setColumnWidthTwips(int column, double twips);

    // A normal window's place and size in twips, as shutdown keeps them;
    // nothing while the window is maximized, minimized or hidden.
    std::optional<QRect> normalGeometryTwips() const;
    // Puts a normal window where it was kept; a place on no screen now, or a
    // size below the design size, leaves the window centred.
    void setNormalGeometryTwips(const std::optional<QRect> &twips);

    // Shows the list as a view stored between runs: its sort, the closed
    // issues, the find bar. Start-up applies it before the first refill.
    void applyView(const MainWindowSettings::View &view);
    // The view as it is shown now, as shutdown keeps it.
    MainWindowSettings::View currentView() const;

    // Whether the maximized layout has been applied (set at start-up from the
    // window state, and by every maximized layout; never cleared otherwise).
    bool maximizedLayoutFlag() const { return m_maximizedLayout; }
    void setMaximizedLayoutFlag(bool applied) { m_maximizedLayout = applied; }

    IssueListModel *listModel() const { return m_model; }
    FilterBar *filterBar() const { return m_filterBar; }
    IssueSearch *listSearch() const { return m_search; }
    // Saved views and the value lists' order (Ctrl+S, Ctrl+1..9, the Views button).
    ViewCommands *viewCommands() const { return m_views; }
    // The hint the empty list shows, or empty text when it shows rows.
    QString emptyListHint() const;
    // The list's context menu as it would open on the selected row.
    QMenu *contextMenu();

    // The row selected in the list, or -1.
    int selectedRow() const;
    // Selects a row (and makes it current), or clears the selection for -1.
    void selectRow(int row);

    // On a team's server: listens for the changes other users save, so the
    // list refills itself, and tells when the server is out of reach. Does
    // nothing on a database file. Start-up calls it once the database is open.
    void followServer();
    // The reads made off the window's thread on a server, or null on a
    // database file.
    platform::BackgroundSession *backgroundReads() const { return m_backgroundReads; }
    IssueListReread *listReread() const { return m_reread; }
    // The line over the list saying that the server is out of reach, or
    // that the rows shown could not be read again and may not be current.
    QLabel *connectionBanner() const { return m_connectionBanner; }
    // Whether the rows shown are the database's as last read; false while
    // the server is away or a re-read failed.
    bool listIsCurrent() const { return m_listRead && !m_listStale && !m_serverLost; }

    // The detail pane (F3): shown or hidden, beside or below the list.
    void setDetailPane(const MainWindowSettings::Pane &pane);
    MainWindowSettings::Pane detailPaneSettings() const;

    // The history's date columns after the ten, shown or hidden; a change
    // of whether either shows refills the list, except before the first
    // refill. Not saved here: the header's menu saves what the user chose.
    void setHistoryColumns(const MainWindowSettings::HistoryColumns &columns);
    MainWindowSettings::HistoryColumns historyColumns() const { return m_historyColumns; }
    // The list header's menu, with the columns the user may show.
    QMenu *headerMenu() const { return m_headerMenu; }

    // The six command buttons in the design's order, for the hand pointer.
    QList<QWidget *> commandButtons() const;
    // The list itself.
    QTreeView *listView() const { return m_issueList; }
    // Ctrl+Z and what it undoes.
    UndoCommands *undoCommands() const { return m_undo; }

    // The status that closes an issue, as the status list spells it. When
    // the list has none, asks whether to add "Closed" to it and close
    // `what` ("[title]"), and adds it on Yes; nothing on No or a failure.
    // Runs as steps firstStep and firstStep + 2 of the caller's block.
    std::optional<QString> closingStatus(ErrorBlock &step, int firstStep, const QString &what);

public slots:
    void startUp();
    void queryShutdown();
    void shutDown();
    void arrangeForSize();
    // Reads the list again. On a team's server a read that fails leaves the
    // rows shown as they are, marked as not current, and is tried again.
    void refillList();
    // F5 and Refresh.
    void refreshList();
    void sortByColumn(int column);
    void editSelectedIssue();
    void addNewIssue();
    void deleteSelectedIssue();
    // Several selected issues: asks once, naming how many, and deletes them
    // as one group of the trash, so that one undo brings them all back.
    void deleteSelectedIssues();
    void loadSampleData();
    void showReports();
    void showHelp();

    // Shows the find bar with the keyboard in its find box.
    void showFilterBar();
    // Hides the find bar; the list shows every issue again.
    void hideFilterBar();
    // Closes the selected open issue: its status becomes "Closed", which is
    // added to the status list, with the user's consent, if it is missing.
    void closeSelectedIssue();
    // Opens the selected closed issue in the editor with a status that
    // reopens it chosen (see IssueEditor::reopening); Save reopens it.
    void reopenSelectedIssue();
    // Shows one issue: the window raised and the issue selected in the list
    // (the find bar's filter cleared when it hides the issue). What a
    // notification's default action opens.
    void showIssue(qint64 id);
    // Puts the selected row on the clipboard, its cells separated by tabs.
    void copySelectedIssue();
    // Reads the list again on a worker, with what other users saved; the
    // rows show when read, keeping the selected issue, the sort, the filter
    // and the scroll position.
    void refillKeepingPlace();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    // An issue editor of this window, following the team server's changes.
    std::unique_ptr<IssueEditor> newIssueEditor();
    // After an editor closed: the window active again (a window manager may
    // leave it inactive), the keyboard in the list, on the issue with this
    // ID when the list shows it.
    void backToList(const QString &issueId);
    void buildListCommands();
    // The find bar's query, with who "me" is when it names the user.
    IssueFilterCriteria filterCriteria();
    // The pane's two commands in the list's menu, F3 among the window's keys.
    void buildPaneCommands();
    // Shows the selected issue in the detail pane, once the selection and
    // the rows have settled (after a refill has put the selection back).
    void showSelectedLater();
    void showSelectedInPane();
    // Watches the selected issue by choice, or stops (data/Watches.h).
    void setSelectedWatched(bool watched);
    // The row's issue, shown in the pane or opened, has been seen: its bold
    // goes.
    void markRowSeen(int row);
    void showCountsAndHint();
    void applyLayout(const MainWindowLayout &layout);
    // A fixed size while normal; free while maximized or minimized, so the
    // window can fill the screen.
    void updateSizeConstraints();

    // A table changed on the server: refill a moment later, once for a burst.
    void serverChanged(const QString &table);
    void serverLost();
    void serverBack();
    // The refill on a server: the rows stay when the read fails.
    IssueListLoading::Refilled rereadFromServer();
    // Whether a refill on a server was read, and what to do when it was not.
    void noteServerRead(const IssueListLoading::Refilled &refilled);
    // What a refill found missing, told under the list and once in a box.
    void showMissingValues(const IssueListLoading::Refilled &refilled);
    // The issue selected and the one at the top, kept across a refill.
    struct ListPlace {
        QString selectedId;
        QString topId;
        int scrolled = 0;
    };
    ListPlace placeInList() const;
    void restorePlace(const ListPlace &place);
    // A background re-read ended: its rows shown, or kept as they were.
    void rereadFinished(const IssueListLoading::Refilled &refilled);
    void showConnectionState();

    // The controls, named as the window's design names them; tests and
    // accessibility tools find them by objectName.
    QTreeView *m_issueList = nullptr;
    QPushButton *m_editButton = nullptr;       // "Edit Selected Issue"
    QPushButton *m_addButton = nullptr;        // "Add New Issue"
    QPushButton *m_deleteButton = nullptr;     // "Delete Selected Issue"
    QPushButton *m_sampleDataButton = nullptr; // "Load Sample/Example Data"
    QPushButton *m_reportsButton = nullptr;    // "Reports"
    QPushButton *m_helpButton = nullptr;       // "Help"

    ChangeListener *m_changes = nullptr;

    WatchNotices *m_watchNotices = nullptr; // colleagues' changes to my issues, as notices
    platform::BackgroundSession *m_backgroundReads = nullptr;
    IssueListReread *m_reread = nullptr;
    ListPlace m_placeBeforeReread;
    // A change was heard while a re-read ran: one more follows it, so that
    // a steady stream of changes still shows each read's rows.
    bool m_rereadAgain = false;
    QTimer *m_serverRefill = nullptr;
    QLabel *m_connectionBanner = nullptr;
    bool m_serverLost = false;
    // The rows shown missed changes: the server was away, or the last
    // re-read failed. Cleared by a re-read that succeeds.
    bool m_listStale = false;
    // Whether the rows shown come from a read of the database; the hint
    // that the database is empty needs one.
    bool m_listRead = false;
    IssueListModel *m_model = nullptr;
    FilterBar *m_filterBar = nullptr;
    QueryMe m_queryMe{this};
    IssueSearch *m_search = nullptr;
    QLabel *m_emptyHint = nullptr;
    // Missing values are told in a box once per set in a run; this quiet
    // line under the list keeps saying it while they are missing.
    IssueListLoading::MissingValuesNotice m_missingValuesNotice;
    QLabel *m_missingValuesLine = nullptr;
    QMenu *m_contextMenu = nullptr;
    QMenu *m_headerMenu = nullptr;
    MainWindowSettings::HistoryColumns m_historyColumns;
    DetailPane *m_detailPane = nullptr;
    UndoCommands *m_undo = nullptr;
    ViewCommands *m_views = nullptr;
    bool m_paneBelow = false;
    QAction *m_paneShown = nullptr;
    QAction *m_paneBelowList = nullptr;
    QTimer *m_paneUpdate = nullptr;
    // Set when the window leaves the maximized or minimized state, until
    // the restored layout has been applied at the design size.
    bool m_restorePending = false;
    // A column's width as kept between runs, in pixels.
    int shownWidthPixels(int column) const;
    static constexpr int titleColumn = 1;
    ColumnFill *m_titleFill = nullptr;
    MainWindowLayout m_layout;
    bool m_maximizedLayout = false;
    // Per column: the width it was last given in twips, and the pixels that
    // gave, to tell a column the user resized from one never touched.
    std::array<double, 12> m_columnTwips{};
    std::array<int, 12> m_columnPixels{};
};
