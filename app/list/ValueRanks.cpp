#include "app/list/ValueRanks.h"

#include "app/list/CollationKeys.h"
#include "app/list/RadixOrder.h"

#include <numeric>

namespace {

std::string keyText(const CollationKeys &keys, size_t i)
{
    return std::string(reinterpret_cast<const char *>(keys.key(i)));
}

} // namespace

ValueRanks::ValueRanks(const QStringList &ordered) : m_places(static_cast<quint64>(ordered.size()))
{
    CollationKeys keys;
    keys.reserve(static_cast<size_t>(ordered.size()));
    for (const QString &value : ordered)
        keys.append(value);
    for (size_t i = 0; i < keys.size(); ++i)
        m_placeOfKey.emplace(keyText(keys, i), static_cast<quint64>(i)); // the first place of a value counts
}

std::vector<int> ValueRanks::order(const CollationKeys &keys, Qt::SortOrder direction) const
{
    // The texts in collation order first, so that each distinct text is
    // looked up once; then one counting sort by rank: the places, and after
    // them every other text by its place in collation order.
    const size_t n = keys.size();
    const std::vector<int> byText = RadixOrder::byKeys(keys, Qt::AscendingOrder);
    std::vector<quint64> rank(n);
    quint64 nextUnplaced = m_places; // after every place, a value named twice too
    quint64 current = 0;
    for (size_t i = 0; i < n; ++i) {
        const auto row = static_cast<size_t>(byText[i]);
        if (i == 0 || keys.compare(static_cast<size_t>(byText[i - 1]), row) != 0) {
            const auto found = m_placeOfKey.find(keyText(keys, row));
            current = found != m_placeOfKey.end() ? found->second : nextUnplaced++;
        }
        rank[row] = current;
    }
    const quint64 highest = nextUnplaced == 0 ? 0 : nextUnplaced - 1; // every rank lies below nextUnplaced
    if (direction == Qt::DescendingOrder)
        for (quint64 &r : rank)
            r = highest - r;
    std::vector<int> rows(n);
    std::iota(rows.begin(), rows.end(), 0);
    std::vector<int> sorted;
    RadixOrder::byNumbers(rank, highest, rows, sorted);
    return sorted;
}
