#include "app/list/IssueListModel.h"

#include "app/list/CollationKeys.h"
#include "app/list/RadixOrder.h"
#include "app/list/ValueRanks.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "data/Value.h"
#include "platform/BackgroundDisposal.h"
#include "platform/PlainToolTip.h"

#include <QApplication>
#include <QFont>
#include <QLocale>
#include <QPalette>
#include <QStyle>

#include <algorithm>
#include <numeric>

namespace {

constexpr qint64 msecsPerDay = 86400000;

qint64 dateTimeKey(const QDate &date, const QTime &time)
{
    return date.toJulianDay() * msecsPerDay + (time.isValid() ? time.msecsSinceStartOfDay() : 0);
}

// A cell shows one line, so that every row keeps one height: the first line
// of a longer text, then an ellipsis. The tip shows the whole text.
QString firstLine(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == u'\n' || c == u'\r' || c == QChar::LineSeparator || c == QChar::ParagraphSeparator)
            return text.left(i) + QChar(0x2026);
    }
    return text;
}

} // namespace

IssueListModel::Kind IssueListModel::kindOf(int column)
{
    if (column == idColumn)
        return Kind::Number;
    if (column == openedDateColumn || column == dueDateColumn || column == closedDateColumn ||
        column == lastChangedColumn)
        return Kind::Date;
    return Kind::Text;
}

bool IssueListModel::Table::isOverdue(size_t row, const QDate &today) const
{
    const qint64 due = dates[1][row];
    return !rows[row].closed && due != noDate && due < dateTimeKey(today, QTime());
}

qint64 IssueListModel::dayKey(const QDate &day)
{
    return dateTimeKey(day, QTime());
}

IssueListModel::IssueListModel(QObject *parent) : QAbstractTableModel(parent) {}

IssueListModel::~IssueListModel() = default;

void IssueListModel::addColumn(const QString &caption)
{
    if (m_captions.size() >= maxColumns)
        throw Error(QStringLiteral("The issue list has no room for another column."));
    const int column = static_cast<int>(m_captions.size());
    beginInsertColumns(QModelIndex(), column, column);
    m_captions.append(caption);
    endInsertColumns();
}

void IssueListModel::setHistoryColumns(bool on)
{
    if (on == hasHistoryColumns() || m_captions.size() < maxColumns)
        return;
    if (on) {
        beginInsertColumns(QModelIndex(), closedDateColumn, lastChangedColumn);
        m_captions << QStringLiteral("Closed Date") << QStringLiteral("Last Changed");
        endInsertColumns();
        return;
    }
    // A sort by a column that goes away ends with it; the rows keep their
    // present order.
    if (m_sortColumn >= maxColumns)
        m_sortColumn = -1;
    beginRemoveColumns(QModelIndex(), closedDateColumn, lastChangedColumn);
    m_captions.resize(maxColumns);
    endRemoveColumns();
}

int IssueListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_shown.size());
}

int IssueListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_captions.size());
}

QVariant IssueListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return QVariant();
    const Row &row = shownRow(index.row());
    const auto column = static_cast<size_t>(index.column());
    if (role == Qt::DisplayRole)
        return firstLine(row.cells[column]);
    if (role == Qt::AccessibleTextRole)
        return row.cells[column];
    // A closed issue stands apart by its slanted text and its tip, not by
    // colour alone; so does an overdue one, by its sign and tip.
    const bool overdue =
        index.column() == dueDateColumn &&
        m_table->isOverdue(static_cast<size_t>(m_shown[static_cast<size_t>(index.row())]), QDate::currentDate());
    switch (role) {
    case Qt::ToolTipRole:
        if (row.closed)
            return platform::plainToolTip(QStringLiteral("Closed: %1").arg(row.cells[column]));
        if (overdue)
            return platform::plainToolTip(QStringLiteral("Overdue: due %1").arg(row.cells[column]));
        return row.cells[column].isEmpty() ? QVariant() : QVariant(platform::plainToolTip(row.cells[column]));
    case Qt::FontRole: {
        const bool unseen = row.unseen && !m_seen.contains(row.number);
        if (!row.closed && !unseen)
            return QVariant();
        QFont font;
        font.setItalic(row.closed);
        font.setBold(unseen);
        return font;
    }
    case Qt::ForegroundRole:
        if (row.closed)
            return QApplication::palette().brush(QPalette::Disabled, QPalette::Text);
        return overdue ? QVariant(QBrush(Qt::red)) : QVariant();
    case Qt::DecorationRole:
        if (overdue)
            return QApplication::style()->standardIcon(QStyle::SP_MessageBoxWarning);
        return QVariant();
    case Qt::AccessibleDescriptionRole:
        if (row.closed)
            return QStringLiteral("closed");
        if (overdue)
            return QStringLiteral("overdue");
        return row.unseen && !m_seen.contains(row.number) ? QVariant(QStringLiteral("changed since you looked"))
                                                          : QVariant();
    default:
        return QVariant();
    }
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

IssueListModel::Refill::Refill(int sortColumn, Qt::SortOrder order, std::shared_ptr<const ValueRanks> places,
                               bool withHistoryDates)
    : m_sortColumn(sortColumn), m_sortOrder(order), m_places(std::move(places)), m_withHistoryDates(withHistoryDates)
{
    // With the list sorted by a text column, each row's key is made when its
    // cell arrives, while the text is still in the processor's cache; made
    // after the last row, it would be read back from all over memory.
    if (m_sortColumn >= 0 && kindOf(m_sortColumn) == Kind::Text)
        m_keys = std::make_unique<CollationKeys>();
}

IssueListModel::Refill::~Refill() = default;
IssueListModel::Refill::Refill(Refill &&) noexcept = default;
IssueListModel::Refill &IssueListModel::Refill::operator=(Refill &&) noexcept = default;

void IssueListModel::Refill::reserveRows(int count)
{
    if (count <= 0)
        return;
    m_table.rows.reserve(static_cast<size_t>(count));
    m_table.numbers.reserve(static_cast<size_t>(count));
    if (m_keys)
        m_keys->reserve(static_cast<size_t>(count));
    for (std::vector<qint64> &dates : m_table.dates)
        dates.reserve(static_cast<size_t>(count));
}

void IssueListModel::setFirstCell(Row &row, const QString &text)
{
    row.cells[idColumn] = text;
    bool ok = false;
    row.number = text.toLongLong(&ok);
    row.isNumber = ok;
}

void IssueListModel::Refill::setClosed(int row)
{
    this->row(row).closed = true;
}

void IssueListModel::Refill::setVersion(int row, qint64 version)
{
    this->row(row).version = version;
}

void IssueListModel::Refill::setUnseen(const QSet<qint64> &issues)
{
    if (issues.isEmpty())
        return;
    for (Row &each : m_table.rows)
        each.unseen = each.isNumber && issues.contains(each.number);
}

int IssueListModel::Refill::appendRow(const QString &firstCell)
{
    Row &added = m_table.rows.emplace_back();
    setFirstCell(added, firstCell);
    m_table.numbers.push_back(added.isNumber ? added.number : noNumber);
    for (std::vector<qint64> &dates : m_table.dates)
        dates.push_back(noDate);
    return static_cast<int>(m_table.rows.size()) - 1;
}

IssueListModel::Row &IssueListModel::Refill::row(int row)
{
    if (row < 0 || static_cast<size_t>(row) >= m_table.rows.size())
        throw Error(QStringLiteral("The issue list has no row %1.").arg(row + 1));
    return m_table.rows[static_cast<size_t>(row)];
}

void IssueListModel::Refill::setCell(int row, int column, const QString &text)
{
    Row &target = this->row(row);
    if (column < 0 || column >= allColumns)
        throw Error(QStringLiteral("The issue list has no column %1.").arg(column + 1));
    if (column == idColumn) {
        setFirstCell(target, text);
        m_table.numbers[static_cast<size_t>(row)] = target.isNumber ? target.number : noNumber;
    } else
        target.cells[static_cast<size_t>(column)] = text;
    if (m_keys && column == m_sortColumn) {
        // The keys hold one per row, in row order; a cell set out of that
        // order leaves the keys to be made at the end instead.
        if (static_cast<size_t>(row) == m_keys->size())
            m_keys->append(text);
        else
            m_keys.reset();
    }
}

void IssueListModel::Refill::setDateKey(int row, int column, const Value &value)
{
    this->row(row); // fails for a row this refill does not have
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
    m_table.dates[static_cast<size_t>(dateSlot(column))][static_cast<size_t>(row)] = key;
}

void IssueListModel::Refill::setDateTimeKey(int row, int column, qint64 key)
{
    this->row(row);
    if (kindOf(column) != Kind::Date)
        throw Error(QStringLiteral("Column %1 of the issue list holds no dates.").arg(column + 1));
    m_table.dates[static_cast<size_t>(dateSlot(column))][static_cast<size_t>(row)] = key;
}

void IssueListModel::rankDays(Table &table)
{
    for (size_t slot = 0; slot < table.dates.size(); ++slot) {
        const std::vector<qint64> &dates = table.dates[slot];
        table.dayRanks[slot].clear();
        table.highestDayRank[slot] = 0;
        qint64 earliest = std::numeric_limits<qint64>::max();
        qint64 latest = std::numeric_limits<qint64>::min();
        bool wholeDays = true;
        for (const qint64 date : dates)
            if (date != noDate) {
                earliest = std::min(earliest, date);
                latest = std::max(latest, date);
                wholeDays = wholeDays && date % msecsPerDay == 0;
            }
        if (!wholeDays || (earliest <= latest && (latest - earliest) / msecsPerDay >= 65535))
            continue;
        std::vector<quint16> &ranks = table.dayRanks[slot];
        ranks.resize(dates.size());
        for (size_t row = 0; row < dates.size(); ++row)
            ranks[row] = dates[row] == noDate ? 0 : static_cast<quint16>(1 + (dates[row] - earliest) / msecsPerDay);
        if (earliest <= latest)
            table.highestDayRank[slot] = static_cast<quint16>(1 + (latest - earliest) / msecsPerDay);
    }
}

void IssueListModel::Refill::finish()
{
    if (m_finished)
        return;
    rankDays(m_table);
    m_order.resize(m_table.rows.size());
    std::iota(m_order.begin(), m_order.end(), 0);
    if (m_keys && m_keys->size() == m_table.rows.size()) {
        m_order = m_places ? m_places->order(*m_keys, m_sortOrder) : RadixOrder::byKeys(*m_keys, m_sortOrder);
    } else if (m_sortColumn >= 0) {
        std::vector<int> sorted;
        sortedOrder(m_table, m_order, m_sortColumn, m_sortOrder, m_places.get(), sorted);
        m_order.swap(sorted);
    }
    m_keys.reset();
    m_finished = true;
}

void IssueListModel::showRefill(Refill refill)
{
    showRefill(std::move(refill), {});
}

void IssueListModel::showRefill(Refill refill, std::vector<char> visible)
{
    refill.finish();
    std::vector<int> shown = std::move(refill.m_order);
    if (refill.m_sortColumn != m_sortColumn || refill.m_sortOrder != m_sortOrder ||
        refill.m_places != placesOf(m_sortColumn)) {
        // The list was sorted another way while the rows were gathered.
        std::iota(shown.begin(), shown.end(), 0);
        if (m_sortColumn >= 0) {
            std::vector<int> sorted;
            sortedOrder(refill.m_table, shown, m_sortColumn, m_sortOrder, placesOf(m_sortColumn).get(), sorted);
            shown.swap(sorted);
        }
    }
    if (visible.size() != refill.m_table.rows.size())
        visible.clear();
    beginResetModel();
    std::shared_ptr<const Table> replaced = std::exchange(m_table, std::make_shared<Table>(std::move(refill.m_table)));
    // A filter belongs to the rows it was made for: the owner filters the
    // new rows again, unless it filtered them already (visible).
    m_visible = std::move(visible);
    m_seen.clear();
    m_order = shown;
    if (!m_visible.empty())
        std::erase_if(shown, [this](int row) { return !m_visible[static_cast<size_t>(row)]; });
    m_shown.swap(shown);
    endResetModel();
    // The replaced rows are freed on a worker thread (or by the last search
    // still reading them): the list can paint meanwhile.
    platform::disposeInBackground(replaced);
}

void IssueListModel::beginRefill()
{
    m_pending = newRefill();
}

void IssueListModel::reserveRows(int count)
{
    m_pending.reserveRows(count);
}

int IssueListModel::appendRow(const QString &firstCell)
{
    return m_pending.appendRow(firstCell);
}

void IssueListModel::setCell(int row, int column, const QString &text)
{
    m_pending.setCell(row, column, text);
}

void IssueListModel::setDateKey(int row, int column, const Value &value)
{
    m_pending.setDateKey(row, column, value);
}

void IssueListModel::setClosed(int row)
{
    m_pending.setClosed(row);
}

void IssueListModel::endRefill()
{
    showRefill(std::exchange(m_pending, Refill()));
}

QString IssueListModel::cell(int row, int column) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_shown.size() || column < 0 || column >= allColumns)
        return QString();
    return shownRow(row).cells[static_cast<size_t>(column)];
}

bool IssueListModel::isClosed(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_shown.size() && shownRow(row).closed;
}

qint64 IssueListModel::version(int row) const
{
    return row >= 0 && static_cast<size_t>(row) < m_shown.size() ? shownRow(row).version : 0;
}

bool IssueListModel::isUnseen(int row) const
{
    if (row < 0 || static_cast<size_t>(row) >= m_shown.size())
        return false;
    const Row &shown = shownRow(row);
    return shown.unseen && !m_seen.contains(shown.number);
}

void IssueListModel::markSeen(qint64 issue)
{
    m_seen.insert(issue);
    const int row = rowOfFirstCell(QString::number(issue));
    if (row >= 0)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::FontRole});
}

int IssueListModel::rowOfFirstCell(const QString &text) const
{
    // An ID is looked for among the rows' numbers, side by side, and only
    // then among the shown positions: walked in shown order, the rows of a
    // sorted list of 100,000 issues would cost a cache miss each,
    // milliseconds the window stands still for when it finds the selected
    // issue again after a refill.
    bool isNumber = false;
    const qint64 number = text.toLongLong(&isNumber);
    std::vector<int> matches;
    const std::vector<Row> &rows = m_table->rows;
    const std::vector<qint64> &numbers = m_table->numbers;
    for (size_t position = 0; position < rows.size(); ++position)
        if ((!isNumber || numbers[position] == number) && rows[position].cells[idColumn] == text)
            matches.push_back(static_cast<int>(position));
    if (matches.empty())
        return -1;
    for (size_t i = 0; i < m_shown.size(); ++i)
        if (std::binary_search(matches.begin(), matches.end(), m_shown[i]))
            return static_cast<int>(i);
    return -1;
}
