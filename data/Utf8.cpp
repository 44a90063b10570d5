#include "data/Utf8.h"

namespace Utf8 {

qsizetype firstInvalid(QByteArrayView bytes)
{
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.data());
    const qsizetype size = bytes.size();
    for (qsizetype i = 0; i < size;) {
        const unsigned char lead = data[i];
        int length = 0;
        unsigned char low = 0x80; // the range the second byte must fall in
        unsigned char high = 0xBF;
        if (lead < 0x80)
            length = 1;
        else if (lead >= 0xC2 && lead <= 0xDF)
            length = 2;
        else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            low = lead == 0xE0 ? 0xA0 : 0x80;  // no overlong form
            high = lead == 0xED ? 0x9F : 0xBF; // no surrogate
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            low = lead == 0xF0 ? 0x90 : 0x80;  // no overlong form
            high = lead == 0xF4 ? 0x8F : 0xBF; // nothing past U+10FFFF
        } else
            return i;
        for (int k = 1; k < length; ++k) {
            if (i + k >= size)
                return i; // cut short at the end
            const unsigned char next = data[i + k];
            if (next < (k == 1 ? low : 0x80) || next > (k == 1 ? high : 0xBF))
                return i + k;
        }
        i += length;
    }
    return -1;
}

} // namespace Utf8
