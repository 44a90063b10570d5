#pragma once
// Text values pasted into statements stand between apostrophes; every
// apostrophe inside is doubled. This is the only escaping the dialect knows.

#include <QString>

namespace SqlText {

// The text with every apostrophe doubled (without the surrounding apostrophes).
inline QString doubled(QString text)
{
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return text;
}

} // namespace SqlText
