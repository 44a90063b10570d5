#pragma once
// Access keys: Alt and a letter of a caption reaches its control. The
// caption shows the letter underlined; a control's accessible name stays
// the plain caption.

#include <QString>

namespace platform {

// The caption with '&' before the first `key` in it (in the key's letter
// case, else in the other), every '&' of its own doubled; the caption
// unchanged when the letter is not in it.
inline QString withAccessKey(const QString &caption, QChar key)
{
    QString shown = caption;
    shown.replace(QLatin1Char('&'), QLatin1String("&&"));
    qsizetype at = shown.indexOf(key);
    if (at < 0)
        at = shown.indexOf(key, 0, Qt::CaseInsensitive);
    if (at >= 0)
        shown.insert(at, QLatin1Char('&'));
    return shown;
}

} // namespace platform
