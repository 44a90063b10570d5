#pragma once
// Stable sorts of the issue list's rows by precomputed keys, in time linear
// in the number of rows (and, for byte keys, in the bytes that tell the keys
// apart), so that sorting a list ten times longer takes ten times as long.
// Rows whose keys are equal keep their order, ascending and descending alike.

#include <QtGlobal>
#include <qnamespace.h>

#include <vector>

class CollationKeys;

namespace RadixOrder {

// The items ordered by their unsigned numbers, none above maxKey, ascending:
// keys[i] is the number of items[i]. The result replaces `sorted`, whose room
// is reused.
void byNumbers(const std::vector<quint64> &keys, quint64 maxKey, const std::vector<int> &items,
               std::vector<int> &sorted);

// The items (positions in rankOf) ordered by their small ranks, none above
// maxRank: one counting pass that reads each item's rank where it lies.
void byRanks(const std::vector<quint16> &rankOf, quint16 maxRank, Qt::SortOrder order, const std::vector<int> &items,
             std::vector<int> &sorted);

// Positions 0 .. n-1 of the collation keys, ordered by the keys compared
// byte by byte.
std::vector<int> byKeys(const CollationKeys &keys, Qt::SortOrder order);

} // namespace RadixOrder
