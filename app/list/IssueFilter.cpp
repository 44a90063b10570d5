#include "app/list/IssueFilter.h"

#include "app/list/IssueQueryMatch.h"
#include "data/sqlite/Engine.h"

bool IssueFilterCriteria::keepsEverything() const
{
    return text.trimmed().isEmpty();
}

bool IssueFilterCriteria::narrows(const IssueFilterCriteria &wider) const
{
    // Only a longer plain find is sure to keep fewer rows: a longer query
    // may add an OR.
    if (!IssueQuery::isPlainText(text) || !IssueQuery::isPlainText(wider.text) || me != wider.me)
        return false;
    const QString mine = Engine::withoutCaseAndAccents(text.trimmed());
    const QString theirs = Engine::withoutCaseAndAccents(wider.text.trimmed());
    return mine.contains(theirs);
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
    std::optional<IssueQueryMatch> query;
    try {
        query.emplace(IssueQuery::Query::parse(criteria.text, today), criteria.me, today);
    } catch (const IssueQuery::Unreadable &) {
        // The window never filters by a text it cannot read; should one come
        // here, it narrows nothing.
        query.emplace(IssueQuery::Query(), criteria.me, today);
    }
    std::vector<char> kept(count, 0);
    for (size_t i = 0; i < count; ++i) {
        // Checked now and then: a search the next keystroke made stale
        // stops within a few milliseconds.
        if (cancelled && (i & 1023) == 0 && cancelled->load(std::memory_order_relaxed))
            return std::nullopt;
        if (within && !within->empty() && !(*within)[i])
            continue;
        kept[i] = query->keeps(table, i);
    }
    return kept;
}

} // namespace IssueFilter
