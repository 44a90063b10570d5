#pragma once
// Collation keys for the issue list's text sorts: one byte string per text,
// such that comparing two keys byte by byte orders their texts as the
// program's one text collation does (data/TextCollator.h), whatever the
// user's locale: the list sorts as a report's "order by" on a file or a
// server. Two texts the collation holds equal get equal keys.
//
// Every key ends in a single 0 byte and holds no 0 before it, so a sort can
// read a key byte by byte and know where it ends. All keys live in one
// buffer: no allocation per text, and a sort that reads them stays in few
// cache lines.

#include "data/TextCollator.h"

#include <QStringView>

#include <cstddef>
#include <vector>

class CollationKeys {
public:
    CollationKeys() = default;
    CollationKeys(const CollationKeys &) = delete;
    CollationKeys &operator=(const CollationKeys &) = delete;

    // Makes room for `count` keys before they are appended.
    void reserve(size_t count);
    // Appends the key of a text; keys are numbered from 0 in this order.
    void append(QStringView text);

    // Asks the processor to start fetching a text that will be appended a
    // few texts later. The texts of a long list lie scattered through far
    // more memory than the caches hold, and making a key takes long enough
    // for the fetch to finish meanwhile.
    static void prefetch(QStringView text)
    {
        if (text.isEmpty()) // no characters, perhaps not even an address
            return;
        __builtin_prefetch(text.data());
        __builtin_prefetch(reinterpret_cast<const char *>(text.data()) + 64);
    }

    size_t size() const { return m_starts.size(); }
    // The key of text i, up to and including its terminating 0.
    const unsigned char *key(size_t i) const { return m_bytes.data() + m_starts[i]; }

    // <0, 0 or >0 as key a orders before, with or after key b, comparing from
    // byte `from` on (both keys share the bytes before it).
    int compare(size_t a, size_t b, size_t from = 0) const;

private:
    TextCollator m_collator; // its own: keys may be made on any one thread
    std::vector<unsigned char> m_bytes;
    std::vector<size_t> m_starts;
};
