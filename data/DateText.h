#pragma once
// Dates as the program writes and reads them: the locale's short date form
// with a two-digit year widened to four digits (so that no century is lost),
// followed by the short time of day only when there is one. The database
// itself holds ISO 8601 text, which does not depend on the locale.

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <QString>

#include <optional>
#include <variant>

namespace DateText {

// A date, or a date with a time of day.
using DateValue = std::variant<QDate, QDateTime>;

// The locale's short date format with "yy" widened to "yyyy".
QString shortDateFormat(const QLocale &locale = QLocale());

// The locale's short time format.
QString shortTimeFormat(const QLocale &locale = QLocale());

QString toText(const QDate &date, const QLocale &locale = QLocale());
QString toText(const QDateTime &dateTime, const QLocale &locale = QLocale());

// Reads date text: ISO 8601 first, then the locale's short date form (four
// or two-digit year; a two-digit year below 30 is in this century; day and
// month with or without leading zeros), each optionally followed by a time of
// day, then the locale's long form as it prints it, with or without the day of
// the week ("9. Januar 2027", "2027年1月9日"). A time of exactly midnight
// counts as no time. Returns nothing when the text is not a date.
std::optional<DateValue> parse(const QString &text, const QLocale &locale = QLocale());

// The stored form: "2021-08-31" or "2021-08-31T14:05:00".
QString toIso(const DateValue &value);

// Reads the stored form; nothing when the text is not ISO 8601.
std::optional<DateValue> fromIso(const QString &text);

} // namespace DateText
