#include "data/TextCollator.h"

#include "data/Error.h"

#include <QString>

#include <unicode/ucol.h>
#include <unicode/uset.h>

#include <algorithm>
#include <array>
#include <string>

namespace {

UCollator *openCollator(UErrorCode &status)
{
    return ucol_open(TextCollator::icuLocale, &status);
}

// Whether the collation gives an ASCII character a weight that other ASCII
// characters change: an expansion of one, or a contraction of an ASCII
// character with further ASCII (a tailoring's "ch"). A contraction of an
// ASCII character with what follows that is not ASCII (the root's "l·") is
// allowed: the comparison hands a text to ICU when a byte that is not ASCII
// follows the character that decides.
bool asciiHasContextualWeights(const UCollator *collator)
{
    UErrorCode status = U_ZERO_ERROR;
    USet *contractions = uset_openEmpty();
    USet *expansions = uset_openEmpty();
    ucol_getContractionsAndExpansions(collator, contractions, expansions, true, &status);
    USet *ascii = uset_open(0, 0x7F);
    bool involved = U_FAILURE(status) || uset_containsSome(expansions, ascii);
    uset_close(ascii);
    const int32_t items = uset_getItemCount(contractions);
    for (int32_t item = 0; !involved && item < items; ++item) {
        UChar32 start = 0;
        UChar32 end = 0;
        std::array<UChar, 64> text{};
        UErrorCode itemStatus = U_ZERO_ERROR;
        const int32_t length = uset_getItem(contractions, item, &start, &end, text.data(), text.size(), &itemStatus);
        const int32_t stored = std::min<int32_t>(length, text.size());
        if (U_FAILURE(itemStatus))
            involved = true;
        else if (length > 0 && text[0] < 0x80)
            involved = std::any_of(text.begin() + 1, text.begin() + stored, [](UChar c) { return c < 0x80; });
    }
    uset_close(contractions);
    uset_close(expansions);
    return involved;
}

// The order the collation gives ASCII characters, for comparing texts that
// are ASCII only without ICU. In the root collation each ASCII character
// has one weight of its own (a letter's capital shares it), or none at all
// (the control characters ICU ignores), and no neighbour changes it. Then
// two ASCII texts compare as the sequences of their characters' primary
// weights, the ignored ones left out: at secondary strength ASCII
// characters carry the same secondary weight, so texts with equal primary
// sequences are equal. The table is built from ICU's own sort keys and used
// only when ICU confirms each of those facts; otherwise every comparison
// goes to ICU.
struct AsciiOrder {
    bool usable = false;
    std::array<unsigned char, 128> rank{}; // 0: ignored; else order from 1
};

AsciiOrder makeAsciiOrder()
{
    AsciiOrder order;
    UErrorCode status = U_ZERO_ERROR;
    UCollator *collator = openCollator(status);
    if (U_FAILURE(status))
        return order;
    // A sort key at secondary strength: primary weights, 01, secondary
    // weights, 00.
    std::array<std::string, 128> primary;
    std::string commonSecondary;
    bool consistent = !asciiHasContextualWeights(collator);
    for (int c = 0; c < 128 && consistent; ++c) {
        const UChar text = UChar(c);
        std::array<uint8_t, 64> key{};
        const int32_t length = ucol_getSortKey(collator, &text, 1, key.data(), key.size());
        const std::string bytes(key.begin(), key.begin() + std::clamp<int32_t>(length, 0, key.size()));
        const size_t separator = bytes.find('\x01');
        if (length <= 0 || length > int32_t(key.size()) || separator == std::string::npos) {
            consistent = false;
            break;
        }
        primary[c] = bytes.substr(0, separator);
        const std::string secondary = bytes.substr(separator + 1);
        if (primary[c].empty())
            consistent = secondary == std::string(1, '\0');
        else if (commonSecondary.empty())
            commonSecondary = secondary;
        else
            consistent = secondary == commonSecondary;
    }
    ucol_close(collator);
    if (!consistent)
        return order;
    std::array<int, 128> byWeight{};
    for (int c = 0; c < 128; ++c)
        byWeight[c] = c;
    std::sort(byWeight.begin(), byWeight.end(), [&](int x, int y) { return primary[x] < primary[y]; });
    int rank = 0;
    for (int i = 0; i < 128; ++i) {
        const int c = byWeight[i];
        if (primary[c].empty())
            continue;
        if (i == 0 || primary[c] != primary[byWeight[i - 1]])
            ++rank;
        order.rank[c] = static_cast<unsigned char>(rank);
    }
    order.usable = true;
    return order;
}

const AsciiOrder &asciiOrder()
{
    static const AsciiOrder order = makeAsciiOrder();
    return order;
}

int sign(int value)
{
    return (value > 0) - (value < 0);
}

} // namespace

TextCollator::TextCollator()
{
    UErrorCode status = U_ZERO_ERROR;
    m_collator = openCollator(status);
    if (U_FAILURE(status)) {
        if (m_collator)
            ucol_close(m_collator);
        throw Error(QStringLiteral("The text collation could not be opened (ICU: %1); is the ICU data installed?")
                        .arg(QString::fromLatin1(u_errorName(status))));
    }
}

TextCollator::~TextCollator()
{
    ucol_close(m_collator);
}

int TextCollator::compareUtf8(const char *a, int aLength, const char *b, int bLength) const
{
    // Most texts are ASCII: while both are, compare by the table; the first
    // other byte in either hands the whole comparison to ICU.
    const AsciiOrder &ascii = asciiOrder();
    if (ascii.usable) {
        const auto *x = reinterpret_cast<const unsigned char *>(a);
        const auto *y = reinterpret_cast<const unsigned char *>(b);
        int i = 0;
        int j = 0;
        for (;;) {
            while (i < aLength && x[i] < 0x80 && ascii.rank[x[i]] == 0)
                ++i;
            while (j < bLength && y[j] < 0x80 && ascii.rank[y[j]] == 0)
                ++j;
            const bool aEnded = i == aLength;
            const bool bEnded = j == bLength;
            if ((!aEnded && x[i] >= 0x80) || (!bEnded && y[j] >= 0x80))
                break;
            if (aEnded || bEnded)
                return aEnded == bEnded ? 0 : (aEnded ? -1 : 1);
            if (ascii.rank[x[i]] != ascii.rank[y[j]]) {
                if ((i + 1 < aLength && x[i + 1] >= 0x80) || (j + 1 < bLength && y[j + 1] >= 0x80))
                    break; // what follows may join the character (the root's "l·")
                return ascii.rank[x[i]] < ascii.rank[y[j]] ? -1 : 1;
            }
            ++i;
            ++j;
        }
    }
    UErrorCode status = U_ZERO_ERROR;
    return sign(ucol_strcollUTF8(m_collator, a, aLength, b, bLength, &status));
}

int TextCollator::compare(QStringView a, QStringView b) const
{
    return sign(ucol_strcoll(m_collator, reinterpret_cast<const UChar *>(a.data()), int32_t(a.size()),
                             reinterpret_cast<const UChar *>(b.data()), int32_t(b.size())));
}

int32_t TextCollator::sortKey(QStringView text, unsigned char *key, int32_t capacity) const
{
    return ucol_getSortKey(m_collator, reinterpret_cast<const UChar *>(text.data()), int32_t(text.size()), key,
                           capacity);
}

const TextCollator &TextCollator::ofThisThread()
{
    thread_local const TextCollator collator;
    return collator;
}
