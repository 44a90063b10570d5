#include "data/DateText.h"

#include <QHash>
#include <QList>
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

// The value of count ASCII digits at from, or -1 when any of them is not one.
int asciiDigits(const QString &text, qsizetype from, int count)
{
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = text.at(i).unicode();
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c - u'0');
    }
    return value;
}

// The stored form as toIso writes it, "2021-08-31", "2021-08-31T14:05" or
// "2021-08-31T14:05:00" (a blank for the T too), read without the general
// pattern: every date of every query result goes through here. Nothing when
// the text is not exactly of one of these shapes; the general pattern then
// decides.
std::optional<std::optional<DateValue>> fromPlainIso(const QString &text)
{
    const qsizetype size = text.size();
    if (size != 10 && size != 16 && size != 19)
        return std::nullopt;
    const int year = asciiDigits(text, 0, 4);
    const int month = asciiDigits(text, 5, 2);
    const int day = asciiDigits(text, 8, 2);
    if (year < 0 || month < 0 || day < 0 || text.at(4) != u'-' || text.at(7) != u'-')
        return std::nullopt;
    const QDate date(year, month, day);
    if (size == 10)
        return date.isValid() ? std::optional<DateValue>(date) : std::optional<DateValue>();
    const int hour = asciiDigits(text, 11, 2);
    const int minute = asciiDigits(text, 14, 2);
    const int second = size == 19 ? asciiDigits(text, 17, 2) : 0;
    if ((text.at(10) != u'T' && text.at(10) != u' ') || text.at(13) != u':' || hour < 0 || minute < 0 || second < 0 ||
        (size == 19 && text.at(16) != u':'))
        return std::nullopt;
    if (!date.isValid())
        return std::optional<DateValue>();
    const QTime time(hour, minute, second);
    if (!time.isValid())
        return std::optional<DateValue>();
    return withOptionalTime(date, time);
}

// Single letters read one or two digits, so "1.2.2027" and "01.02.2027" both
// fit; the locale's own "dd" and "MM" would want exactly two.
QString withoutLeadingZeros(QString format)
{
    static const QRegularExpression twoDigitDay(QStringLiteral("(?<!d)dd(?!d)"));
    static const QRegularExpression twoDigitMonth(QStringLiteral("(?<!M)MM(?!M)"));
    format.replace(twoDigitDay, QStringLiteral("d"));
    format.replace(twoDigitMonth, QStringLiteral("M"));
    return format;
}

QString narrowYear(QString format)
{
    static const QRegularExpression fourDigitYear(QStringLiteral("(?<!y)yyyy(?!y)"));
    format.replace(fourDigitYear, QStringLiteral("yy"));
    return format;
}

// The long form without its day of the week: "9. Januar 2027", "2027年1月9日".
QString withoutWeekday(QString format)
{
    static const QRegularExpression weekday(QStringLiteral("^\\s*dddd[\\s,]*|[\\s,]*dddd\\s*$"));
    format.replace(weekday, QString());
    return format;
}

struct DateFormat {
    QString format;
    bool twoDigitYear; // the year is "yy" and wants its century
    bool timeOfDay;    // a time of day may follow
};

// Every form a date may be typed in, the locale's own short form first so
// that what the program writes reads back by the first try. The short form
// without leading zeros and with either year length, then the long form the
// locale prints (with and without the day of the week, with the month's full
// or short name).
QList<DateFormat> readableFormats(const QLocale &locale)
{
    QList<DateFormat> formats;
    const auto add = [&formats](const QString &format, bool twoDigitYear, bool timeOfDay) {
        for (const DateFormat &known : std::as_const(formats)) {
            if (known.format == format)
                return;
        }
        formats.append({format, twoDigitYear, timeOfDay});
    };
    const QString native = locale.dateFormat(QLocale::ShortFormat);
    const QString wide = widenYear(native);
    add(wide, false, true);
    add(native, wide != native, true);
    add(withoutLeadingZeros(wide), false, true);
    add(withoutLeadingZeros(narrowYear(wide)), true, true);
    const QString longForm = locale.dateFormat(QLocale::LongFormat);
    for (const QString &form : {longForm, withoutWeekday(longForm)}) {
        add(form, false, false);
        add(QString(form).replace(QStringLiteral("MMMM"), QStringLiteral("MMM")), false, false);
    }
    return formats;
}

// Date texts made per locale: lists and reports write the same few thousand
// dates over and over, and each text is then shared instead of made again.
constexpr qsizetype maxRememberedDates = 1 << 14;

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
    thread_local QLocale cachedLocale = QLocale::c();
    thread_local QHash<qint64, QString> texts;
    if (!(locale == cachedLocale)) {
        cachedLocale = locale;
        texts.clear();
    }
    const qint64 day = date.toJulianDay();
    const auto found = texts.constFind(day);
    if (found != texts.constEnd())
        return found.value();
    const QString text = locale.toString(date, shortDateFormat(locale));
    if (texts.size() >= maxRememberedDates)
        texts.clear();
    texts.insert(day, text);
    return text;
}

QString toText(const QDateTime &dateTime, const QLocale &locale)
{
    if (dateTime.time() == QTime(0, 0))
        return toText(dateTime.date(), locale);
    return toText(dateTime.date(), locale) + QLatin1Char(' ') +
           locale.toString(dateTime.time(), shortTimeFormat(locale));
}

std::optional<DateValue> fromIso(const QString &text)
{
    if (const auto plain = fromPlainIso(text))
        return *plain;
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
    thread_local QLocale cachedLocale = QLocale::c();
    thread_local QList<DateFormat> formats = readableFormats(QLocale::c());
    if (!(locale == cachedLocale)) {
        cachedLocale = locale;
        formats = readableFormats(locale);
    }
    for (const DateFormat &form : std::as_const(formats)) {
        if (form.timeOfDay) {
            if (auto value = parseWithFormat(text, locale, form.format, form.twoDigitYear))
                return value;
        } else if (const QDate date = locale.toDate(text, form.format); date.isValid()) {
            return withOptionalTime(date, QTime());
        }
    }
    return std::nullopt;
}

QString toIso(const DateValue &value)
{
    if (const QDate *date = std::get_if<QDate>(&value))
        return date->toString(Qt::ISODate);
    const QDateTime &dateTime = std::get<QDateTime>(value);
    return dateTime.date().toString(Qt::ISODate) + QLatin1Char('T') +
           dateTime.time().toString(QStringLiteral("HH:mm:ss"));
}

} // namespace DateText
