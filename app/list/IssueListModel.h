#pragma once
// The rows of the main window's issue list: ten texts per row, the first the
// issue's ID, and on request two more, the dates the history gives (Closed
// Date, Last Changed), after the ten. The model sorts itself (a stable sort that compares IDs as
// numbers, dates as dates and other texts without regard to letter case, in
// the user's locale) and keeps its sort across refills.
//
// A refill gathers its rows aside (beginRefill, appendRow, setCell) and shows
// them with one model reset (endRefill), so that a list of 100,000 issues is
// rebuilt without per-row signals.
//
// The rows of a refill never change once shown; they are shared, read-only,
// with the threads that search them (table()). A filter shows a subset of
// them (setVisibleRows), in sort order.

#include <QAbstractTableModel>
#include <QSet>
#include <QString>
#include <QStringList>

#include <QDate>

#include <array>
#include <limits>
#include <memory>
#include <vector>

class CollationKeys;
class Value;
class ValueRanks;

class IssueListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int maxColumns = 10;
    static constexpr int idColumn = 0;
    static constexpr int openedDateColumn = 4;
    static constexpr int dueDateColumn = 5;
    // The history's dates, present only while setHistoryColumns is on, so
    // that the list has its ten columns as ever until the user asks.
    static constexpr int closedDateColumn = 10;
    static constexpr int lastChangedColumn = 11;
    static constexpr int allColumns = 12;

    // How a column's cells compare when the list is sorted by it.
    enum class Kind { Number, Date, Text };
    static Kind kindOf(int column);

    struct Row {
        std::array<QString, allColumns> cells;
        qint64 number = 0;     // the first cell as a number
        bool isNumber = false; // whether the first cell is one
        bool closed = false;   // from the closed issues, shown on request
        bool unseen = false;   // a watched issue others changed since the user saw it (data/Watches.h)
        qint64 version = 0;    // the issue's Version when listed; 0 when not known
    };
    // The rows in the order a refill added them, with their date keys kept
    // apart, side by side, so that sorting by a date reads one small array
    // instead of every row.
    struct Table {
        std::vector<Row> rows;
        // opened, due, closed and last-changed date keys, per row
        std::array<std::vector<qint64>, 4> dates;
        // Each row's first cell as a number (Row::number), side by side, so
        // that finding a row by its ID reads one small array; noNumber when
        // the cell is not a number.
        std::vector<qint64> numbers;
        // Per date column, made when the rows are complete: each row's date
        // as a rank (0 no date, 1 the earliest day, 2 the day after, ...),
        // when all are whole days within 65,535 days of each other, as dates
        // nearly always are. Small ranks let a sort by date read little
        // memory. Empty when the dates do not fit.
        std::array<std::vector<quint16>, 4> dayRanks;
        std::array<quint16, 4> highestDayRank{};

        // Whether a row is open and its due date lies before the given day.
        bool isOverdue(size_t row, const QDate &today) const;
    };

    explicit IssueListModel(QObject *parent = nullptr);
    ~IssueListModel() override;

    // Adds the next column with its caption. Throws Error when all ten exist.
    void addColumn(const QString &caption);

    // Adds the two columns of the history's dates after the ten (on), or
    // takes them away (off). Their cells fill at the next refill, which reads
    // the history only while they are there.
    void setHistoryColumns(bool on);
    bool hasHistoryColumns() const { return m_captions.size() > maxColumns; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

    // Sorts the shown rows by a column and keeps that sort for later refills.
    // Rows that compare equal keep their order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // Gives a text column the order of its values (data/ValueOrder.h):
    // sorting by it puts those values first, in that order, and every other
    // text after them by the collation. No values: by text alone. Sorts the
    // list again when it is sorted by that column.
    void setValueOrder(int column, const QStringList &ordered);

    // Sorts by a column (-1: not at all) from the next refill on, and leaves
    // the rows shown now as they are: for a refill that follows at once,
    // which then sorts its rows as it gathers them.
    void sortOnNextRefill(int column, Qt::SortOrder order);

    // Switches sorting off; the rows keep their present order and later
    // refills show rows in the order they were added.
    void setSortingOff();

    // The sort column, or -1 when sorting is off.
    int sortColumn() const { return m_sortColumn; }
    Qt::SortOrder sortOrder() const { return m_sortOrder; }

    // The rows of one refill, gathered aside and shown in one go
    // (showRefill). A Refill touches nothing of the model, so a worker
    // thread may fill and finish it while the list stays usable.
    class Refill {
    public:
        // Sorted, when finished, by column (-1: in the order added), values
        // of the sort column in places' order where it gives one;
        // withHistoryDates when the rows are to hold the history's dates.
        explicit Refill(int sortColumn = -1, Qt::SortOrder order = Qt::AscendingOrder,
                        std::shared_ptr<const ValueRanks> places = nullptr, bool withHistoryDates = false);
        ~Refill();
        Refill(Refill &&) noexcept;
        Refill &operator=(Refill &&) noexcept;

        // As the model's calls of the same names below.
        void reserveRows(int count);
        int rowCount() const { return static_cast<int>(m_table.rows.size()); }
        int appendRow(const QString &firstCell);
        void setCell(int row, int column, const QString &text);
        void setDateKey(int row, int column, const Value &value);
        // A date cell's key made already (dayKey's scale: local time).
        void setDateTimeKey(int row, int column, qint64 key);
        void setClosed(int row);
        void setVersion(int row, qint64 version);
        bool withHistoryDates() const { return m_withHistoryDates; }
        // Marks the rows of these issue IDs as having unseen changes.
        void setUnseen(const QSet<qint64> &issues);

        // Ranks the dates and sorts the rows, the costly part of a refill;
        // showRefill does it when it was not done before. No row may be
        // added after.
        void finish();
        // The rows in the order added, for filtering them before they show.
        const Table &table() const { return m_table; }

    private:
        friend class IssueListModel;
        Row &row(int row);

        Table m_table;
        // The keys of the sort column, made as its cells arrive; null when
        // the sort is not by a text column or a cell came out of row order.
        std::unique_ptr<CollationKeys> m_keys;
        int m_sortColumn;
        Qt::SortOrder m_sortOrder;
        std::shared_ptr<const ValueRanks> m_places; // the sort column's order of values, if any
        std::vector<int> m_order;                   // the sorted order, once finished
        bool m_finished = false;
        bool m_withHistoryDates = false;
    };

    // An empty refill to be sorted as the list is sorted now.
    Refill newRefill() const { return Refill(m_sortColumn, m_sortOrder, placesOf(m_sortColumn), hasHistoryColumns()); }
    // Replaces every shown row with the refill's, placed by the list's sort
    // (sorted again when the list was sorted another way since the refill
    // began), unfiltered: the owner filters the new rows.
    void showRefill(Refill refill);
    // The same, showing only the rows whose entry in visible is non-zero
    // (setVisibleRows), in the same one change of the list.
    void showRefill(Refill refill, std::vector<char> visible);

    // The refill on this thread. Between beginRefill and endRefill the shown
    // rows stay as they were; endRefill replaces them all (showRefill).
    void beginRefill();
    // Makes room for the rows a refill is about to add, when their number is
    // known beforehand; a refill of many rows then never moves them.
    void reserveRows(int count);
    // Rows this refill has so far.
    int pendingRowCount() const { return m_pending.rowCount(); }
    // Appends a row whose first cell is the given text; returns its number
    // among the rows of this refill.
    int appendRow(const QString &firstCell);
    // Sets one cell of a row of this refill.
    void setCell(int row, int column, const QString &text);
    // Gives a date cell of a row of this refill the date it sorts by; a null
    // value (or one that is not a date) sorts as an empty date.
    void setDateKey(int row, int column, const Value &value);
    void endRefill();

    // Marks a row of this refill as a closed issue, drawn apart from the
    // open ones.
    void setClosed(int row);

    // The shown text of a cell; empty outside the rows.
    QString cell(int row, int column) const;

    // Whether a shown row is a closed issue.
    bool isClosed(int row) const;

    // The Version a shown row's issue had when it was listed, for saving
    // against it; 0 when not known.
    qint64 version(int row) const;

    // Whether a shown row has changes the user has not seen (drawn in
    // bold); after markSeen of its issue no longer, until a refill finds
    // newer ones.
    bool isUnseen(int row) const;
    void markSeen(qint64 issue);

    // The rows of the last refill, shown or filtered out, for searching on
    // another thread; replaced (never changed) by the next refill.
    std::shared_ptr<const Table> table() const { return m_table; }

    // Shows only the rows whose entry is non-zero (one entry per row of
    // table(), in refill order), in the sort order; an empty list shows
    // every row. The selection follows its rows. Ignored when it was made
    // for another refill's table.
    void setVisibleRows(const std::shared_ptr<const Table> &madeFor, std::vector<char> visible);

    // Rows of the last refill, shown or filtered out.
    int totalRowCount() const { return static_cast<int>(m_table->rows.size()); }

    // The shown row whose first cell is the given text, or -1.
    int rowOfFirstCell(const QString &text) const;

    // A date key (Table::dates): the given day at midnight; noDate for a
    // row without a date.
    static constexpr qint64 noDate = std::numeric_limits<qint64>::min();
    static constexpr qint64 noNumber = std::numeric_limits<qint64>::min();
    static qint64 dayKey(const QDate &day);

private:
    static void rankDays(Table &table);

    static int dateSlot(int column)
    {
        return column == openedDateColumn ? 0 : column == dueDateColumn ? 1 : column == closedDateColumn ? 2 : 3;
    }
    static void setFirstCell(Row &row, const QString &text);
    // The rows of `shown` (positions in rows) in sorted order, stable: rows
    // that compare equal keep their order in `shown`. Sorting reorders
    // positions only; the rows themselves never move.
    static void sortedOrder(const Table &table, const std::vector<int> &shown, int column, Qt::SortOrder order,
                            const ValueRanks *places, std::vector<int> &sorted);
    std::shared_ptr<const ValueRanks> placesOf(int column) const
    {
        return column >= 0 && column < maxColumns ? m_places[static_cast<size_t>(column)] : nullptr;
    }

    const Row &shownRow(int row) const { return m_table->rows[static_cast<size_t>(m_shown[static_cast<size_t>(row)])]; }
    // Shows `order` (every row, sorted) narrowed to the visible rows, moving
    // the selection with its rows.
    void showOrder(std::vector<int> order);

    QStringList m_captions;
    std::shared_ptr<const Table> m_table = std::make_shared<Table>();
    std::vector<int> m_order;      // every row of m_table in the shown order
    std::vector<char> m_visible;   // per row of m_table; empty: all
    std::vector<int> m_shown;      // the shown rows: positions in m_table
    QSet<qint64> m_seen;           // issues seen since the refill marked them unseen
    std::vector<int> m_spareOrder; // room for the next sort's order
    Refill m_pending;
    int m_sortColumn = -1;
    Qt::SortOrder m_sortOrder = Qt::AscendingOrder;
    std::array<std::shared_ptr<const ValueRanks>, maxColumns> m_places; // per column; null: by text
};
