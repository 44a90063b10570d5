#include "app/list/CollationKeys.h"

void CollationKeys::reserve(size_t count)
{
    m_starts.reserve(count);
    m_bytes.reserve(count * 64);
}

void CollationKeys::append(QStringView text)
{
    const size_t start = m_bytes.size();
    m_starts.push_back(start);
    // The key is made in a scratch buffer and copied to its place: growing
    // the key buffer to the longest a key could be would clear those bytes
    // for every text. A key is rarely longer than three bytes per character
    // and a few more; when it is, ICU says how long and the key is made again.
    const auto length = static_cast<int32_t>(text.size());
    thread_local std::vector<unsigned char> scratch(1024);
    const size_t likely = 3 * static_cast<size_t>(length) + 16;
    if (scratch.size() < likely)
        scratch.resize(likely);
    int32_t needed = m_collator.sortKey(text, scratch.data(), static_cast<int32_t>(scratch.size()));
    if (needed > 0 && static_cast<size_t>(needed) > scratch.size()) {
        scratch.resize(static_cast<size_t>(needed));
        needed = m_collator.sortKey(text, scratch.data(), static_cast<int32_t>(scratch.size()));
    }
    if (needed <= 0 || static_cast<size_t>(needed) > scratch.size()) {
        m_bytes.push_back(0); // ICU could not make the key: the text sorts first
        return;
    }
    m_bytes.insert(m_bytes.end(), scratch.data(), scratch.data() + needed); // the key ends in its 0
}

int CollationKeys::compare(size_t a, size_t b, size_t from) const
{
    const unsigned char *x = key(a) + from;
    const unsigned char *y = key(b) + from;
    // Both keys end in 0 and hold none before it, so the first difference
    // or the common end comes before either key runs out.
    while (*x == *y && *x != 0) {
        ++x;
        ++y;
    }
    return int(*x) - int(*y);
}
