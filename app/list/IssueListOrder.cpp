// The order of the issue list's shown rows: sorting every row of the last
// refill by a column, and narrowing that order to the rows a filter keeps.

#include "app/list/IssueListModel.h"

#include "app/list/CollationKeys.h"
#include "app/list/RadixOrder.h"
#include "app/list/ValueRanks.h"

#include <algorithm>
#include <numeric>

namespace {

template <typename Less>
void stableSortBy(std::vector<int> &order, Qt::SortOrder direction, Less less)
{
    // Descending compares the other way round, so that equal rows still keep
    // their order.
    if (direction == Qt::AscendingOrder)
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(a, b); });
    else
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return less(b, a); });
}

} // namespace

void IssueListModel::sortedOrder(const Table &table, const std::vector<int> &shown, int column, Qt::SortOrder direction,
                                 const ValueRanks *places, std::vector<int> &sorted)
{
    const std::vector<Row> &rows = table.rows;
    // Every comparison reads keys gathered side by side in shown order, not
    // the rows scattered in memory; `order` holds positions in `shown`.
    const size_t n = shown.size();
    const auto col = static_cast<size_t>(column);
    const auto rowAt = [&](size_t position) -> const Row & { return rows[static_cast<size_t>(shown[position])]; };
    std::vector<int> order;
    switch (kindOf(column)) {
    case Kind::Number: {
        // Numbers first, in numeric order; any first cell that is not a
        // number after them, as text.
        struct NumberKey {
            qint64 number;
            bool isNumber;
        };
        std::vector<NumberKey> keys(n);
        for (size_t i = 0; i < n; ++i)
            keys[i] = {rowAt(i).number, rowAt(i).isNumber};
        order.resize(n);
        std::iota(order.begin(), order.end(), 0);
        stableSortBy(order, direction, [&](int a, int b) {
            const NumberKey &x = keys[static_cast<size_t>(a)];
            const NumberKey &y = keys[static_cast<size_t>(b)];
            if (x.isNumber != y.isNumber)
                return x.isNumber;
            if (x.isNumber)
                return x.number < y.number;
            return QString::compare(rowAt(static_cast<size_t>(a)).cells[col], rowAt(static_cast<size_t>(b)).cells[col],
                                    Qt::CaseInsensitive) < 0;
        });
        break;
    }
    case Kind::Date: {
        const auto slot = static_cast<size_t>(dateSlot(column));
        if (!table.dayRanks[slot].empty()) {
            RadixOrder::byRanks(table.dayRanks[slot], table.highestDayRank[slot], direction, shown, sorted);
            return;
        }
        // Date-times, or days too far apart: each date sorts by its rank, the
        // empty date 0, every other date 1 plus its distance in milliseconds
        // from the earliest. Descending sorts the ranks turned round
        // ascending, so that equal dates keep their order.
        const std::vector<qint64> &dates = table.dates[slot];
        qint64 earliest = std::numeric_limits<qint64>::max();
        for (const qint64 date : dates)
            if (date != noDate)
                earliest = std::min(earliest, date);
        thread_local std::vector<quint64> keys;
        keys.resize(n);
        quint64 highest = 0;
        for (size_t i = 0; i < n; ++i) {
            const qint64 date = dates[static_cast<size_t>(shown[i])];
            keys[i] = date == noDate ? 0 : 1 + static_cast<quint64>(date - earliest);
            highest = std::max(highest, keys[i]);
        }
        if (direction == Qt::DescendingOrder)
            for (quint64 &key : keys)
                key = highest - key;
        RadixOrder::byNumbers(keys, highest, shown, sorted);
        return;
    }
    case Kind::Text: {
        // One collation key per row, made once; the keys are then sorted by
        // their bytes, never compared as texts.
        CollationKeys keys;
        keys.reserve(n);
        constexpr size_t fetchAhead = 4;
        for (size_t i = 0; i < n; ++i) {
            if (i + fetchAhead < n)
                CollationKeys::prefetch(rowAt(i + fetchAhead).cells[col]);
            keys.append(rowAt(i).cells[col]);
        }
        // A value list the user ordered sorts by its places instead.
        order = places ? places->order(keys, direction) : RadixOrder::byKeys(keys, direction);
        break;
    }
    }
    sorted.resize(n);
    for (size_t i = 0; i < n; ++i)
        sorted[i] = shown[static_cast<size_t>(order[i])];
}

void IssueListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= columnCount())
        return;
    m_sortColumn = column;
    m_sortOrder = order;
    // Every row is sorted, shown or filtered out, so that a filter that
    // changes later needs no sort of its own.
    std::vector<int> sorted = std::move(m_spareOrder);
    sortedOrder(*m_table, m_order, column, order, placesOf(column).get(), sorted);
    // The old order's room is kept for the next sort: a long list sorted
    // again and again needs no fresh memory.
    m_spareOrder = std::move(m_order);
    showOrder(std::move(sorted));
}

void IssueListModel::showOrder(std::vector<int> order)
{
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    std::vector<int> shown;
    if (m_visible.empty()) {
        shown = order;
    } else {
        shown.reserve(order.size());
        for (const int row : order)
            if (m_visible[static_cast<size_t>(row)])
                shown.push_back(row);
    }
    // The selection and the current row follow their rows; a row filtered
    // out leaves them.
    const QModelIndexList before = persistentIndexList();
    if (!before.isEmpty()) {
        std::vector<int> positionOfRow(m_table->rows.size(), -1);
        for (size_t i = 0; i < shown.size(); ++i)
            positionOfRow[static_cast<size_t>(shown[i])] = static_cast<int>(i);
        QModelIndexList after;
        after.reserve(before.size());
        for (const QModelIndex &index : before) {
            const int position = positionOfRow[static_cast<size_t>(m_shown[static_cast<size_t>(index.row())])];
            after.append(position < 0 ? QModelIndex() : this->index(position, index.column()));
        }
        changePersistentIndexList(before, after);
    }
    m_order = std::move(order);
    m_shown = std::move(shown);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void IssueListModel::setVisibleRows(const std::shared_ptr<const Table> &madeFor, std::vector<char> visible)
{
    if (madeFor != m_table || (!visible.empty() && visible.size() != m_table->rows.size()))
        return;
    // The rows a refill showed already filtered: nothing changes.
    if (visible == m_visible)
        return;
    m_visible = std::move(visible);
    showOrder(std::move(m_order));
}

void IssueListModel::setValueOrder(int column, const QStringList &ordered)
{
    if (column < 0 || column >= maxColumns || kindOf(column) != Kind::Text)
        return;
    m_places[static_cast<size_t>(column)] = ordered.isEmpty() ? nullptr : std::make_shared<const ValueRanks>(ordered);
    if (m_sortColumn == column)
        sort(m_sortColumn, m_sortOrder);
}

void IssueListModel::sortOnNextRefill(int column, Qt::SortOrder order)
{
    m_sortColumn = column >= 0 && column < maxColumns ? column : -1;
    m_sortOrder = order;
}

void IssueListModel::setSortingOff()
{
    m_sortColumn = -1;
}
