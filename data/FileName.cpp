#include "data/FileName.h"

#include "data/Utf8.h"

namespace FileName {
namespace {

constexpr char16_t escapeBase = 0xDC00;

bool isEscapedByte(QStringView name, qsizetype i)
{
    const char16_t c = name[i].unicode();
    return c >= escapeBase + 0x80 && c <= escapeBase + 0xFF && (i == 0 || !name[i - 1].isHighSurrogate());
}

} // namespace

QString fromNative(const QByteArray &bytes)
{
    QString name;
    QByteArrayView rest(bytes);
    for (qsizetype bad = Utf8::firstInvalid(rest); bad >= 0; bad = Utf8::firstInvalid(rest)) {
        name += QString::fromUtf8(rest.first(bad));
        name += QChar(escapeBase + static_cast<unsigned char>(rest[bad]));
        rest = rest.sliced(bad + 1);
    }
    return name + QString::fromUtf8(rest);
}

QByteArray toNative(const QString &name)
{
    QByteArray bytes;
    qsizetype start = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (!isEscapedByte(name, i))
            continue;
        bytes += QStringView(name).sliced(start, i - start).toUtf8();
        bytes += static_cast<char>(name[i].unicode() - escapeBase);
        start = i + 1;
    }
    return bytes + QStringView(name).sliced(start).toUtf8();
}

} // namespace FileName
