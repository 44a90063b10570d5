#pragma once
// File names as the system has them: bytes, which need not be UTF-8. A name
// that is not is carried in a QString with each byte outside UTF-8 as a lone
// surrogate U+DC80..U+DCFF, which well-formed UTF-8 never gives, so that the
// file opens by its own bytes instead of being reported missing. Qt's own
// file classes replace such bytes; code that opens a file named by the user
// goes through toNative.

#include <QByteArray>
#include <QString>

namespace FileName {

QString fromNative(const QByteArray &bytes);
QByteArray toNative(const QString &name);

} // namespace FileName
