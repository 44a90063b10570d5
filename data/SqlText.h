#pragma once
// Text values pasted into statements stand between apostrophes; every
// apostrophe inside is doubled. This is the only escaping the dialect knows.

#include "data/Error.h"

#include <QString>

#include <optional>

namespace SqlText {

// The text with every apostrophe doubled (without the surrounding apostrophes).
inline QString doubled(QString text)
{
    text.replace(QLatin1Char('\''), QLatin1String("''"));
    return text;
}

// Whether an ID text may stand unquoted in a statement: a plain decimal
// number, with no blanks and no sign of its own but a minus.
inline bool isPlainId(const QString &id)
{
    bool isNumber = false;
    id.toLongLong(&isNumber);
    return isNumber && id.trimmed() == id && !id.startsWith(QLatin1Char('+'));
}

// The number an ID text stands for, or none when the text is not a plain
// decimal number: the one way an ID read from a window reaches a statement.
inline std::optional<qint64> idOf(const QString &id)
{
    if (!isPlainId(id))
        return std::nullopt;
    return id.toLongLong();
}

// A text value as it stands in a statement: between apostrophes with its
// apostrophes doubled, or Null for a missing value.
inline QString literal(const std::optional<QString> &text)
{
    return text ? QLatin1Char('\'') + doubled(*text) + QLatin1Char('\'') : QStringLiteral("Null");
}

// Refuses statement text holding a NUL character: the engines read text only
// up to one, which would silently cut a value short.
inline void refuseNul(const QString &statement)
{
    if (statement.contains(QChar(0)))
        throw Refusal(QStringLiteral("The text contains a NUL character (code 0), which cannot be stored. Remove it "
                                     "and try again; nothing was saved."));
}

} // namespace SqlText
