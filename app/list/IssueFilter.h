#pragma once
// Which rows of the issue list a filter keeps: rows the typed query keeps
// (a plain text: rows with it in any cell, letter case and accents aside;
// the find bar's choices write their terms into the query). A pure function of the rows, run on the window's thread
// after a refill and on a worker while the user types.

#include "app/list/IssueListModel.h"

#include <QDate>
#include <QString>

#include <atomic>
#include <optional>
#include <vector>

struct IssueFilterCriteria {
    QString text; // a query as typed (data/IssueQuery.h); blank keeps every row
    QString me;   // the name of the contact chosen as the user

    bool keepsEverything() const;
    // Whether every row this filter keeps is also kept by `wider`, so that
    // only the rows `wider` kept need to be searched.
    bool narrows(const IssueFilterCriteria &wider) const;
    bool operator==(const IssueFilterCriteria &other) const = default;
};

namespace IssueFilter {

// One entry per row of the table, non-zero for a kept row; an empty result
// when the filter keeps everything. With `within`, only the rows it kept are
// searched. Returns nothing when `cancelled` was set on the way.
std::optional<std::vector<char>> keptRows(const IssueListModel::Table &table, const IssueFilterCriteria &criteria,
                                          const QDate &today, const std::vector<char> *within = nullptr,
                                          const std::atomic<bool> *cancelled = nullptr);

} // namespace IssueFilter
