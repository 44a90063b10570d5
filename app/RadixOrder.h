#pragma once
// Stable sorts of the issue list's rows by precomputed keys, in time linear
// in the number of rows (and, for byte keys, in the bytes that tell the keys
// apart), so that sorting a list ten times longer takes ten times as long.
// Each gives positions 0 .. n-1 in sorted order; positions whose keys are
// equal keep their order, ascending and descending alike.

#include <QtGlobal>
#include <qnamespace.h>

#include <vector>

class CollationKeys;

namespace RadixOrder {

// By unsigned numbers, none above maxKey, ascending. The result lives in a
// buffer kept from one call to the next on the calling thread, so that
// sorting a long list again costs no fresh memory; it is overwritten by the
// next call.
const std::vector<int> &byNumbers(const std::vector<quint64> &keys, quint64 maxKey);

// By collation keys, compared byte by byte.
std::vector<int> byKeys(const CollationKeys &keys, Qt::SortOrder order);

} // namespace RadixOrder
