#pragma once
// A query of the find box's language (data/IssueQuery.h) matched against the
// rows of the issue list, as the query's statement (data/IssueQuerySql.h)
// matches the database's: the same issues, from the texts the list shows.
// Made once per search; keeps() may run on any one thread.

#include "app/list/IssueListModel.h"
#include "data/IssueQuery.h"

#include <QDate>
#include <QString>

#include <memory>

class IssueQueryMatch {
public:
    // `me` is the name of the contact chosen as the user (empty: "me" keeps
    // no issue), `today` the day "overdue" counts from.
    IssueQueryMatch(const IssueQuery::Query &query, const QString &me, const QDate &today);
    ~IssueQueryMatch();
    IssueQueryMatch(IssueQueryMatch &&) noexcept;

    bool keepsEverything() const;
    // Whether row `row` of the table is kept.
    bool keeps(const IssueListModel::Table &table, size_t row) const;

    struct Step;

private:
    std::unique_ptr<Step> m_root;
};
