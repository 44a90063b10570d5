#include "app/IssueListModel.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "data/Value.h"

#include <QCollator>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace {

constexpr qint64 msecsPerDay = 86400000;

qint64 dateTimeKey(const QDate &date, const QTime &time)
{
    return date.toJulianDay() * msecsPerDay + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

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

IssueListModel::Kind IssueListModel::kindOf(int column)
{
    if (column == idColumn)
        return Kind::Number;
    if (column == openedDateColumn || column == dueDateColumn)
        return Kind::Date;
    return Kind::Text;
}

IssueListModel::IssueListModel(QObject *parent) : QAbstractTableModel(parent) {}

void IssueListModel::addColumn(const QString &caption)
{
    if (m_captions.size() >= maxColumns)
        throw Error(QStringLiteral("The issue list has no room for another column."));
    const int column = static_cast<int>(m_captions.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_captions.append(caption);
    endInsertColumns();
}

int IssueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int IssueListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant IssueListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole || role == Qt::AccessibleTextRole)
        return m_rows[static_cast<size_t>(index.row())].cells[static_cast<size_t>(index.column())];
    return QVariant();
}

QVariant IssueListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::AccessibleTextRole)
        return m_captions.at(section);
    return QVariant();
}

Qt::ItemFlags IssueListModel::flags(const QModelIndex &index) const
{
    // Cells are never edited in place: the first cell must stay the issue's ID.
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}

std::vector<int> IssueListModel::sortedOrder(const std::vector<Row> &rows, int column, Qt::SortOrder direction)
{
    std::vector<int> order(rows.size());
    std::iota(order.begin(), order.end(), 0);
    const auto col = static_cast<size_t>(column);
    switch (kindOf(column)) {
    case Kind::Number:
        // Numbers first, in numeric order; any first cell that is not a
        // number after them, as text.
        stableSortBy(order, direction, [&](int a, int b) {
            const Row &x = rows[static_cast<size_t>(a)];
            const Row &y = rows[static_cast<size_t>(b)];
            if (x.isNumber != y.isNumber)
                return x.isNumber;
            if (x.isNumber)
                return x.number < y.number;
            return QString::compare(x.cells[col], y.cells[col], Qt::CaseInsensitive) < 0;
        });
        break;
    case Kind::Date: {
        const int slot = dateSlot(column);
        stableSortBy(order, direction, [&](int a, int b) {
            return rows[static_cast<size_t>(a)].dates[slot] < rows[static_cast<size_t>(b)].dates[slot];
        });
        break;
    }
    case Kind::Text: {
        // One collation key per row, made once: comparing keys is a byte
        // comparison, far cheaper than collating the texts at every step.
        QCollator collator{QLocale()};
        collator.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<QCollatorSortKey> keys;
        keys.reserve(rows.size());
        for (const Row &row : rows)
            keys.push_back(collator.sortKey(row.cells[col]));
        stableSortBy(order, direction, [&](int a, int b) {
            return keys[static_cast<size_t>(a)].compare(keys[static_cast<size_t>(b)]) < 0;
        });
        break;
    }
    }
    return order;
}

void IssueListModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= maxColumns)
        return;
    m_sortColumn = column;
    m_sortOrder = order;

    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<int> sorted = sortedOrder(m_rows, column, order);
    std::vector<Row> rows;
    rows.reserve(m_rows.size());
    std::vector<int> newPosition(m_rows.size());
    for (size_t i = 0; i < sorted.size(); ++i) {
        rows.push_back(std::move(m_rows[static_cast<size_t>(sorted[i])]));
        newPosition[static_cast<size_t>(sorted[i])] = static_cast<int>(i);
    }
    m_rows.swap(rows);

    // The selection and the current row follow their rows.
    const QModelIndexList before = persistentIndexList();
    QModelIndexList after;
    after.reserve(before.size());
    for (const QModelIndex &index : before)
        after.append(this->index(newPosition[static_cast<size_t>(index.row())], index.column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

void IssueListModel::setSortingOff()
{
    m_sortColumn = -1;
}

void IssueListModel::beginRefill()
{
    m_pending.clear();
}

void IssueListModel::setFirstCell(Row &row, const QString &text)
{
    row.cells[idColumn] = text;
    bool ok = false;
    row.number = text.toLongLong(&ok);
    row.isNumber = ok;
}

int IssueListModel::appendRow(const QString &firstCell)
{
    m_pending.emplace_back();
    setFirstCell(m_pending.back(), firstCell);
    return static_cast<int>(m_pending.size()) - 1;
}

IssueListModel::Row &IssueListModel::pendingRow(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_pending.size())
        throw Error(QStringLiteral("The issue list has no row %1.").arg(row + 1));
    return m_pending[static_cast<size_t>(row)];
}

void IssueListModel::setCell(int row, int column, const QString &text)
{
    Row &target = pendingRow(row);
    if (column < 0 || column >= maxColumns)
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    if (column == idColumn)
        setFirstCell(target, text);
    else
        target.cells[static_cast<size_t>(column)] = text;
}

void IssueListModel::setDateKey(int row, int column, const Value &value)
{
    Row &target = pendingRow(row);
    if (kindOf(column) != Kind::Date)
        throw Error(QStringLiteral("Column %1 of the issue list holds no dates.").arg(column + 1));
    qint64 key = noDate;
    if (const QDate *date = value.date())
        key = dateTimeKey(*date, QTime());
    else if (const QDateTime *dateTime = value.dateTime())
        key = dateTimeKey(dateTime->date(), dateTime->time());
    else if (const QString *text = value.text()) {
        if (const auto parsed = DateText::parse(*text)) {
            if (const QDate *date = std::get_if<QDate>(&*parsed))
                key = dateTimeKey(*date, QTime());
            else
                key = dateTimeKey(std::get<QDateTime>(*parsed).date(), std::get<QDateTime>(*parsed).time());
        }
    }
    target.dates[static_cast<size_t>(dateSlot(column))] = key;
}

void IssueListModel::endRefill()
{
    if (m_sortColumn >= 0) {
        const std::vector<int> sorted = sortedOrder(m_pending, m_sortColumn, m_sortOrder);
        std::vector<Row> rows;
        rows.reserve(m_pending.size());
        for (const int from : sorted)
            rows.push_back(std::move(m_pending[static_cast<size_t>(from)]));
        m_pending.swap(rows);
    }
    beginResetModel();
    m_rows.swap(m_pending);
    m_pending.clear();
    m_pending.shrink_to_fit();
    endResetModel();
}

QString IssueListModel::cell(int row, int column) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_rows.size() || column < 0 || column >= maxColumns)
        return QString();
    return m_rows[static_cast<size_t>(row)].cells[static_cast<size_t>(column)];
}

int IssueListModel::rowOfFirstCell(const QString &text) const
{
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (m_rows[i].cells[idColumn] == text)
            return static_cast<int>(i);
    return -1;
}
