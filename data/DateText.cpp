#include "data/DateText.h"

#include <QRegularExpression>

namespace DateText {
namespace {

QString widenYear(QString format)
{
    static const QRegularExpression twoDigitYear(QStringLiteral("(?<!y)yy(?!y)"));
    format.replace(twoDigitYear, QStringLiteral("yyyy"));
    return format;
}

// Qt reads "yy" as 19yy; a user who types 8/31/21 means 2021.
QDate pivotCentury(QDate date)
{
    if (date.isValid() && date.year() >= 1900 && date.year() < 1930)
        return date.addYears(100);
    return date;
}

std::optional<DateValue> withOptionalTime(const QDate &date, const QTime &time)
{
    // The stored form has four-digit years; Qt would also read "-2022" or 20000.
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        return std::nullopt;
    if (!time.isValid() || time == QTime(0, 0))
        return DateValue(date);
    return DateValue(QDateTime(date, time));
}

std::optional<DateValue> parseWithFormat(const QString &text, const QLocale &locale, const QString &dateFormat,
                                         bool twoDigitYear)
{
    QDate date = locale.toDate(text, dateFormat);
    if (date.isValid())
        return withOptionalTime(twoDigitYear ? pivotCentury(date) : date, QTime());
    const QString timeFormats[] = {locale.timeFormat(QLocale::ShortFormat), locale.timeFormat(QLocale::LongFormat),
                                   QStringLiteral("HH:mm:ss"), QStringLiteral("HH:mm")};
    for (const QString &timeFormat : timeFormats) {
        const QDateTime both = locale.toDateTime(text, dateFormat + QLatin1Char(' ') + timeFormat);
        if (both.isValid()) {
            date = twoDigitYear ? pivotCentury(both.date()) : both.date();
            return withOptionalTime(date, both.time());
        }
    }
    return std::nullopt;
}

} // namespace

QString shortDateFormat(const QLocale &locale)
{
    // Lists convert thousands of dates in a row; the format is worked out
    // once per locale.
    thread_local QLocale cachedLocale = QLocale::c();
    thread_local QString cachedFormat = widenYear(QLocale::c().dateFormat(QLocale::ShortFormat));
    if (!(locale == cachedLocale)) {
        cachedLocale = locale;
        cachedFormat = widenYear(locale.dateFormat(QLocale::ShortFormat));
    }
    return cachedFormat;
}

QString shortTimeFormat(const QLocale &locale)
{
    return locale.timeFormat(QLocale::ShortFormat);
}

QString toText(const QDate &date, const QLocale &locale)
{
    return locale.toString(date, shortDateFormat(locale));
}

QString toText(const QDateTime &dateTime, const QLocale &locale)
{
    if (dateTime.time() == QTime(0, 0))
        return toText(dateTime.date(), locale);
    return toText(dateTime.date(), locale) + QLatin1Char(' ') + locale.toString(dateTime.time(), shortTimeFormat(locale));
}

std::optional<DateValue> fromIso(const QString &text)
{
    static const QRegularExpression isoShape(
        QStringLiteral("^(\\d{4})-(\\d{2})-(\\d{2})(?:[T ](\\d{2}):(\\d{2})(?::(\\d{2}))?)?$"));
    const QRegularExpressionMatch match = isoShape.match(text);
    if (!match.hasMatch())
        return std::nullopt;
    const QDate date(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
    if (!date.isValid())
        return std::nullopt;
    if (match.captured(4).isEmpty())
        return DateValue(date);
    const QTime time(match.captured(4).toInt(), match.captured(5).toInt(), match.captured(6).toInt());
    if (!time.isValid())
        return std::nullopt;
    return withOptionalTime(date, time);
}

std::optional<DateValue> parse(const QString &input, const QLocale &locale)
{
    const QString text = input.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    if (auto iso = fromIso(text))
        return iso;
    const QString native = locale.dateFormat(QLocale::ShortFormat);
    const QString widened = widenYear(native);
    if (auto value = parseWithFormat(text, locale, widened, false))
        return value;
    if (widened != native) {
        if (auto value = parseWithFormat(text, locale, native, true))
            return value;
    }
    return std::nullopt;
}

QString toIso(const DateValue &value)
{
    if (const QDate *date = std::get_if<QDate>(&value))
        return date->toString(Qt::ISODate);
    const QDateTime &dateTime = std::get<QDateTime>(value);
    return dateTime.date().toString(Qt::ISODate) + QLatin1Char('T') + dateTime.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace DateText
