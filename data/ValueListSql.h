#pragma once
// The statements of the three value lists (statuses, categories,
// priorities): adding a value, deleting it together with the issues that use
// it, and reading a list in order. A value stands between apostrophes with
// its apostrophes doubled.

#include <QString>

namespace ValueListSql {

enum class List { Status, Category, Priority };

// The list's table ("Status", "Categories", "Priorities") and its one column
// ("Status", "Category", "Priority"), which is also the issue column that
// names a value of the list.
QString table(List list);
QString column(List list);

// "insert into [Status] values ('...')"
QString insertStatement(List list, const QString &value);

// "delete from [Status] where Status='...'"
QString deleteStatement(List list, const QString &value);

// "delete from Issues where Status='...'": the issues that go with a deleted
// value.
QString deleteIssuesStatement(List list, const QString &value);

// "select * from Status order by Status": the list as its picker shows it.
QString listQuery(List list);

} // namespace ValueListSql
