#pragma once
// The main window: start-up and shutdown, the list of open issues and the six
// commands under it. startUp is the whole start-up and runs before the
// window is first shown; closing the window is the whole shutdown and ends
// the program at once.

#include <QRectF>
#include <QString>
#include <QWidget>

#include <array>

class ErrorBlock;
class FilterBar;
class IssueListModel;
class IssueSearch;
class QLabel;
class QMenu;
class QPushButton;
class QTreeView;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    explicit MainWindow(QWidget *parent = nullptr);
    ~MainWindow() override;

    // Design size of the client area, in twips.
    static constexpr int designWidth = 10920;
    static constexpr int designHeight = 6705;

    // Column widths are kept between these (twips).
    static constexpr double minColumnWidth = 150;
    static constexpr double maxColumnWidth = 60000;

    // The arrangement of the list and the six buttons, in twips.
    struct Layout {
        QRectF list;
        QRectF add, edit, sample, remove, reports, help;
    };
    // The layout of a maximized window whose outer size is W by H twips.
    static Layout maximizedLayout(float W, float H);
    // The design layout, to which a restore returns.
    static Layout restoredLayout();

    // 0 normal, 1 minimized, 2 maximized.
    static int windowStateNumber(Qt::WindowStates states);

    // The width a column would be saved with, in twips: the width it was
    // last given when the user has not resized it since, else its present
    // width rounded to whole twips.
    double columnWidthTwips(int column) const;
    // Gives a column a width in twips, kept between the minimum and maximum.
    void setColumnWidthTwips(int column, double twips);

    // Whether the maximized layout has been applied (set at start-up from the
    // window state, and by every maximized layout; never cleared otherwise).
    bool maximizedLayoutFlag() const { return m_maximizedLayout; }

    IssueListModel *listModel() const { return m_model; }
    FilterBar *filterBar() const { return m_filterBar; }
    IssueSearch *listSearch() const { return m_search; }
    // The hint the empty list shows, or empty text when it shows rows.
    QString emptyListHint() const;
    // The list's context menu as it would open on the selected row.
    QMenu *contextMenu();

    // The row selected in the list, or -1.
    int selectedRow() const;
    // Selects a row (and makes it current), or clears the selection for -1.
    void selectRow(int row);

    // The controls, named as the window's design names them.
    QTreeView *issueList = nullptr;
    QPushButton *editButton = nullptr; // "Edit Selected Issue"
    QPushButton *addButton = nullptr; // "Add New Issue"
    QPushButton *deleteButton = nullptr; // "Delete Selected Issue"
    QPushButton *sampleDataButton = nullptr; // "Load Sample/Example Data"
    QPushButton *reportsButton = nullptr; // "Reports"
    QPushButton *helpButton = nullptr; // "Help"

public slots:
    void startUp();
    void queryShutdown();
    void shutDown();
    void arrangeForSize();
    void refillList();
    void sortByColumn(int column);
    void editSelectedIssue();
    void addNewIssue();
    void deleteSelectedIssue();
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
    // Opens the selected closed issue in the editor, to choose a status.
    void reopenSelectedIssue();
    // Puts the selected row on the clipboard, its cells separated by tabs.
    void copySelectedIssue();

protected:
    void closeEvent(QCloseEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void keepDailyBackup();
    // Reads the issues of a query into the refill; with withClosed, marks
    // those whose status closes them.
    void readIssues(ErrorBlock &step, const QString &query, bool withClosed);
    // The one message of a refill that met missing values: how many rows,
    // which columns (by caption).
    static QString missingValuesMessage(int rows, const QStringList &columns);
    void buildListCommands();
    void showCountsAndHint();
    // The remembered sort, closed-issues toggle and find bar.
    void restoreView();
    void saveView();
    void applyLayout(const Layout &layout);
    void centreOnScreen();
    // A fixed size while normal; free while maximized or minimized, so the
    // window can fill the screen.
    void updateSizeConstraints();
    void setWindowStateNumber(int state);
    // Reads a stored width: the user's number format, as written at shutdown.
    static double readWidth(const QString &key, const QString &defaultText);
    static QString widthText(double twips);

    IssueListModel *m_model = nullptr;
    FilterBar *m_filterBar = nullptr;
    IssueSearch *m_search = nullptr;
    QLabel *m_emptyHint = nullptr;
    QMenu *m_contextMenu = nullptr;
    // Set when the window leaves the maximized or minimized state, until
    // the restored layout has been applied at the design size.
    bool m_restorePending = false;
    Layout m_layout;
    bool m_maximizedLayout = false;
    // Per column: the width it was last given in twips, and the pixels that
    // gave, to tell a column the user resized from one never touched.
    std::array<double, 10> m_columnTwips{};
    std::array<int, 10> m_columnPixels{};
};
