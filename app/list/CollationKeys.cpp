#include "app/list/CollationKeys.h"

#include <QString>

#include <unicode/ucol.h>

#include <cstring>

namespace {

// The attributes of a case-insensitive collation: secondary strength tells
// accents apart but not letter case; canonically equivalent texts (a
// precomposed é and e with a combining accent) compare equal; punctuation
// and digits count as ordinary characters.
UCollator *openCollator(const QLocale &locale)
{
    if (locale.language() == QLocale::C)
        return nullptr;
    UErrorCode status = U_ZERO_ERROR;
    const QByteArray name = locale.bcp47Name().replace(QLatin1Char('-'), QLatin1Char('_')).toLatin1();
    UCollator *collator = ucol_open(name.constData(), &status);
    if (U_FAILURE(status))
        return nullptr;
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    ucol_setAttribute(collator, UCOL_STRENGTH, UCOL_SECONDARY, &status);
    ucol_setAttribute(collator, UCOL_NUMERIC_COLLATION, UCOL_OFF, &status);
    ucol_setAttribute(collator, UCOL_ALTERNATE_HANDLING, UCOL_NON_IGNORABLE, &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    return collator;
}

} // namespace

CollationKeys::CollationKeys(const QLocale &locale) : m_collator(openCollator(locale)) {}

CollationKeys::~CollationKeys()
{
    if (m_collator)
        ucol_close(m_collator);
}

void CollationKeys::reserve(size_t count)
{
    m_starts.reserve(count);
    m_bytes.reserve(count * 64);
}

void CollationKeys::append(QStringView text)
{
    const size_t start = m_bytes.size();
    m_starts.push_back(start);
    if (!m_collator) {
        appendFoldedUnits(text);
        return;
    }
    // The key is made in a scratch buffer and copied to its place: growing
    // the key buffer to the longest a key could be would clear those bytes
    // for every text. A key is rarely longer than three bytes per character
    // and a few more; when it is, ICU says how long and the key is made again.
    const auto *source = reinterpret_cast<const UChar *>(text.data());
    const auto length = static_cast<int32_t>(text.size());
    thread_local std::vector<unsigned char> scratch(1024);
    const size_t likely = 3 * static_cast<size_t>(length) + 16;
    if (scratch.size() < likely)
        scratch.resize(likely);
    int32_t needed = ucol_getSortKey(m_collator, source, length, scratch.data(), static_cast<int32_t>(scratch.size()));
    if (needed > 0 && static_cast<size_t>(needed) > scratch.size()) {
        scratch.resize(static_cast<size_t>(needed));
        needed = ucol_getSortKey(m_collator, source, length, scratch.data(), static_cast<int32_t>(scratch.size()));
    }
    if (needed <= 0 || static_cast<size_t>(needed) > scratch.size()) {
        m_bytes.push_back(0); // ICU could not make the key: the text sorts first
        return;
    }
    m_bytes.insert(m_bytes.end(), scratch.data(), scratch.data() + needed); // the key ends in its 0
}

void CollationKeys::appendFoldedUnits(QStringView text)
{
    // Each UTF-16 unit of the case-folded text as three digits of base 255,
    // each digit one above its value: the order of the units is kept and no
    // byte is 0. Units, not code points, so that the order is the one Qt's
    // case-insensitive comparison gives.
    const QString folded = text.toString().toCaseFolded();
    for (const QChar unit : folded) {
        const auto value = static_cast<unsigned>(unit.unicode());
        m_bytes.push_back(static_cast<unsigned char>(value / (255 * 255) + 1));
        m_bytes.push_back(static_cast<unsigned char>(value / 255 % 255 + 1));
        m_bytes.push_back(static_cast<unsigned char>(value % 255 + 1));
    }
    m_bytes.push_back(0);
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
