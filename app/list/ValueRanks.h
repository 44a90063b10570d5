#pragma once
// The order the user gave a value list (data/ValueOrder.h), as the issue
// list sorts by it: the values with a place first, in that order, then every
// other text by the collation. Values match as the collation holds texts
// equal. Made once per order; read by any thread that sorts.

#include <QStringList>

#include <qnamespace.h>

#include <string>
#include <unordered_map>
#include <vector>

class CollationKeys;

class ValueRanks {
public:
    explicit ValueRanks(const QStringList &ordered);

    // Positions 0 .. n-1 of the keys in this order, stable: rows whose
    // values are equal keep their order, ascending and descending alike.
    std::vector<int> order(const CollationKeys &keys, Qt::SortOrder direction) const;

private:
    quint64 m_places;                                      // how many values were given places
    std::unordered_map<std::string, quint64> m_placeOfKey; // 0 for the first value
};
