#pragma once
// Whether bytes are well-formed UTF-8, for readers that refuse other text
// rather than store it with replacement characters.

#include <QByteArrayView>

namespace Utf8 {

// The offset of the first byte that does not belong to well-formed UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included), or
// -1 when all of the text is well-formed.
qsizetype firstInvalid(QByteArrayView bytes);

} // namespace Utf8
