#include "app/list/IssueFilter.h"

#include "data/sqlite/Engine.h"

namespace {

// Columns of the list the text is searched in: every one of the ten.
constexpr int statusColumn = 6;
constexpr int categoryColumn = 7;
constexpr int priorityColumn = 8;
constexpr int assigneeColumn = 2;

bool isAscii(const QString &text)
{
    // One pass that the compiler turns into wide loads: every row's text is
    // read here while a search runs.
    const char16_t *units = reinterpret_cast<const char16_t *>(text.utf16());
    char16_t seen = 0;
    for (qsizetype i = 0, size = text.size(); i < size; ++i)
        seen |= units[i];
    return seen < 0x80;
}

// The typed text, folded once; each cell is compared with it.
class TextNeedle {
public:
    explicit TextNeedle(const QString &typed)
        : m_folded(Engine::withoutCaseAndAccents(typed.trimmed())), m_ascii(isAscii(m_folded))
    {
    }

    bool foundIn(const QString &cell) const
    {
        // Most texts are plain ASCII: a case-insensitive search decides
        // them; only a text with other characters is folded first.
        if (m_ascii) {
            if (cell.contains(m_folded, Qt::CaseInsensitive))
                return true;
            if (isAscii(cell))
                return false;
        }
        return Engine::withoutCaseAndAccents(cell).contains(m_folded);
    }

private:
    QString m_folded;
    bool m_ascii;
};

bool sameText(const QString &cell, const QString &chosen)
{
    return chosen.isEmpty() || cell.compare(chosen, Qt::CaseInsensitive) == 0;
}

} // namespace

bool IssueFilterCriteria::keepsEverything() const
{
    return text.trimmed().isEmpty() && status.isEmpty() && category.isEmpty() && priority.isEmpty() &&
           assignee.isEmpty() && !overdueOnly;
}

bool IssueFilterCriteria::narrows(const IssueFilterCriteria &wider) const
{
    const QString mine = Engine::withoutCaseAndAccents(text.trimmed());
    const QString theirs = Engine::withoutCaseAndAccents(wider.text.trimmed());
    return mine.contains(theirs) && status == wider.status && category == wider.category &&
           priority == wider.priority && assignee == wider.assignee && overdueOnly == wider.overdueOnly;
}

namespace IssueFilter {

std::optional<std::vector<char>> keptRows(const IssueListModel::Table &table, const IssueFilterCriteria &criteria,
                                          const QDate &today, const std::vector<char> *within,
                                          const std::atomic<bool> *cancelled)
{
    if (criteria.keepsEverything())
        return std::vector<char>();
    const size_t count = table.rows.size();
    if (within && !within->empty() && within->size() != count)
        within = nullptr;
    const bool searchesText = !criteria.text.trimmed().isEmpty();
    const TextNeedle needle(criteria.text);
    std::vector<char> kept(count, 0);
    for (size_t i = 0; i < count; ++i) {
        // Checked now and then: a search the next keystroke made stale
        // stops within a few milliseconds.
        if (cancelled && (i & 1023) == 0 && cancelled->load(std::memory_order_relaxed))
            return std::nullopt;
        if (within && !within->empty() && !(*within)[i])
            continue;
        const IssueListModel::Row &row = table.rows[i];
        if (!sameText(row.cells[statusColumn], criteria.status) ||
            !sameText(row.cells[categoryColumn], criteria.category) ||
            !sameText(row.cells[priorityColumn], criteria.priority) ||
            !sameText(row.cells[assigneeColumn], criteria.assignee) ||
            (criteria.overdueOnly && !table.isOverdue(i, today)))
            continue;
        bool found = !searchesText;
        for (size_t column = 0; column < row.cells.size() && !found; ++column)
            found = needle.foundIn(row.cells[column]);
        kept[i] = found;
    }
    return kept;
}

} // namespace IssueFilter
