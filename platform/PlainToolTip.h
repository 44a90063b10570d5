#pragma once
// Tool tips that show a text as it stands. Qt takes a tip that looks like
// HTML for rich text, so an issue titled "<b>x</b>" would show in bold and a
// stray "<" could swallow the rest: user text goes into a tip only through
// this, as rich text that shows each character and line break as typed.

#include <QString>

namespace platform {

inline QString plainToolTip(const QString &text)
{
    return QStringLiteral("<p style='white-space:pre-wrap'>") + text.toHtmlEscaped() + QStringLiteral("</p>");
}

} // namespace platform
