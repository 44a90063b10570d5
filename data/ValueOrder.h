#pragma once
// The order the user gives the values of a list (statuses, categories,
// priorities): the issue list sorts by it, values without a place after the
// others by their text. Reports keep sorting by text. The order is kept
// apart from the lists themselves (table ValueOrder), so that a list's
// values stay as they are.

#include "data/ValueListSql.h"

#include <QStringList>

class Connection;

namespace ValueOrder {

// The lists whose values have an order, as the order window shows them.
inline constexpr ValueListSql::List orderedLists[] = {ValueListSql::List::Status, ValueListSql::List::Category,
                                                      ValueListSql::List::Priority};

// The values that have a place, first to last.
QStringList ordered(Connection &connection, ValueListSql::List list);

// Every value of the list as the manager shows it: those with a place in
// their order, then the others by text.
QStringList arranged(Connection &connection, ValueListSql::List list);

// Gives the values their places in this order, in one transaction; values
// not named lose theirs.
void setOrder(Connection &connection, ValueListSql::List list, const QStringList &values);

} // namespace ValueOrder
