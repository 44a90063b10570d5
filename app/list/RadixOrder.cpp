#include "app/list/RadixOrder.h"

#include "app/list/CollationKeys.h"

#include <algorithm>
#include <array>
#include <numeric>

namespace RadixOrder {

void byNumbers(const std::vector<quint64> &keys, quint64 maxKey, const std::vector<int> &items,
               std::vector<int> &sorted)
{
    // Least significant digit first, as many passes as maxKey needs digits,
    // then the items are looked up by position.
    const size_t n = keys.size();
    sorted.resize(n);
    constexpr int digitBits = 11;
    constexpr size_t digits = size_t(1) << digitBits;
    thread_local std::vector<int> order;
    thread_local std::vector<int> next;
    thread_local std::vector<size_t> start(digits + 1);
    order.resize(n);
    next.resize(n);
    std::iota(order.begin(), order.end(), 0);
    for (int shift = 0; shift < 64 && (maxKey >> shift) != 0; shift += digitBits) {
        std::fill(start.begin(), start.end(), 0);
        for (const quint64 key : keys)
            ++start[((key >> shift) & (digits - 1)) + 1];
        for (size_t digit = 0; digit < digits; ++digit)
            start[digit + 1] += start[digit];
        for (const int position : order)
            next[start[(keys[static_cast<size_t>(position)] >> shift) & (digits - 1)]++] = position;
        order.swap(next);
    }
    for (size_t i = 0; i < n; ++i)
        sorted[i] = items[static_cast<size_t>(order[i])];
}

void byRanks(const std::vector<quint16> &rankOf, quint16 maxRank, Qt::SortOrder direction,
             const std::vector<int> &items, std::vector<int> &sorted)
{
    // Descending counts the ranks turned round, so that equal ranks still
    // keep their order.
    const bool ascending = direction == Qt::AscendingOrder;
    const auto rank = [&](int item) -> size_t {
        const quint16 value = rankOf[static_cast<size_t>(item)];
        return ascending ? value : size_t(maxRank - value);
    };
    thread_local std::vector<quint32> start;
    start.assign(size_t(maxRank) + 2, 0);
    for (const int item : items)
        ++start[rank(item) + 1];
    for (size_t value = 0; value <= size_t(maxRank); ++value)
        start[value + 1] += start[value];
    sorted.resize(items.size());
    for (const int item : items)
        sorted[start[rank(item)]++] = item;
}

std::vector<int> byKeys(const CollationKeys &keys, Qt::SortOrder direction)
{
    // Most significant byte first: the rows are dealt into 256 bins by one
    // byte of their keys, and each bin of more than a few rows is dealt again
    // by the next byte. Bin 0 holds the keys that end there, which are equal.
    // Dealing keeps the order within a bin, so the sort is stable.
    const bool ascending = direction == Qt::AscendingOrder;
    const size_t n = keys.size();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::vector<int> dealt(n);

    struct Range {
        size_t begin;
        size_t end;
        size_t depth; // the byte that tells these keys apart; all before it are shared
    };
    std::vector<Range> pending{{0, n, 0}};
    // Below this many rows a comparison sort is quicker than a round of 256 bins.
    constexpr size_t fewRows = 48;
    std::array<size_t, 256> count{};
    std::array<size_t, 256> start{};
    while (!pending.empty()) {
        const Range range = pending.back();
        pending.pop_back();
        const size_t length = range.end - range.begin;
        const auto first = order.begin() + static_cast<std::ptrdiff_t>(range.begin);
        const auto last = order.begin() + static_cast<std::ptrdiff_t>(range.end);
        if (length <= fewRows) {
            std::stable_sort(first, last, [&](int a, int b) {
                const int difference = keys.compare(size_t(a), size_t(b), range.depth);
                return ascending ? difference < 0 : difference > 0;
            });
            continue;
        }
        count.fill(0);
        for (auto it = first; it != last; ++it)
            ++count[keys.key(size_t(*it))[range.depth]];
        if (count[0] == length) // every key ends here: all equal
            continue;
        const auto shared = std::find(count.begin(), count.end(), length);
        if (shared != count.end()) {
            // One byte for all: nothing to deal. Read on past all the bytes
            // these keys share, found in one sweep, rather than one byte per
            // round: long texts that are equal or open alike (a comment
            // pasted into many issues) would cost a round per byte.
            const unsigned char *model = keys.key(size_t(*first)) + range.depth;
            size_t common = 0;
            while (model[common] != 0)
                ++common;
            for (auto it = first + 1; it != last && common > 1; ++it) {
                const unsigned char *key = keys.key(size_t(*it)) + range.depth;
                size_t same = 0;
                while (same < common && key[same] == model[same])
                    ++same;
                common = same;
            }
            pending.push_back({range.begin, range.end, range.depth + std::max<size_t>(common, 1)});
            continue;
        }
        // Bins laid out in sort order: ascending, ended keys first, then
        // bytes 1 to 255; descending, bytes 255 down to 1, then ended keys.
        size_t at = range.begin;
        const auto place = [&](int bin) {
            start[size_t(bin)] = at;
            at += count[size_t(bin)];
            if (bin != 0 && count[size_t(bin)] > 1)
                pending.push_back({start[size_t(bin)], at, range.depth + 1});
        };
        if (ascending) {
            for (int bin = 0; bin < 256; ++bin)
                place(bin);
        } else {
            for (int bin = 255; bin > 0; --bin)
                place(bin);
            place(0);
        }
        for (auto it = first; it != last; ++it)
            dealt[start[keys.key(size_t(*it))[range.depth]]++] = *it;
        std::copy(dealt.begin() + static_cast<std::ptrdiff_t>(range.begin),
                  dealt.begin() + static_cast<std::ptrdiff_t>(range.end), first);
    }
    return order;
}

} // namespace RadixOrder
