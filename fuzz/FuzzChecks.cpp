#include "FuzzChecks.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "data/JetSql.h"

#include <QLocale>
#include <QString>

#include <cstdio>
#include <cstdlib>

namespace FuzzChecks {
namespace {

[[noreturn]] void breach(const char *what, const QString &input)
{
    std::fprintf(stderr, "%s for input: %s\n", what, input.toUtf8().constData());
    std::abort();
}

} // namespace

void jetSql(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    // Literals of one engine only, and nesting deeper than the translator
    // reads, are refused on both sides alike; nothing else may fail.
    QString output;
    try {
        output = JetSql::toSqlite(input);
    } catch (const Error &) {
        try {
            JetSql::toPostgres(input);
        } catch (const Error &) {
            return;
        }
        breach("refused for SQLite only", input);
    }
    const QString lower = input.toLower();
    const bool nothingToTranslate = !input.contains(QLatin1Char('+')) && !input.contains(QLatin1Char('[')) &&
                                    !lower.contains(QLatin1String("order")) &&
                                    !lower.contains(QLatin1String("first")) && !lower.contains(QLatin1String("last"));
    if (nothingToTranslate && output != input)
        breach("text without dialect was changed", input);
    // The server's translation refuses date text that is not a date, with
    // Error; it must not fail in any other way.
    try {
        JetSql::toPostgres(input);
    } catch (const Error &) {
    }
}

void dateText(const uint8_t *data, size_t size)
{
    const QString input = QString::fromUtf8(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    static const QLocale locales[] = {QLocale(QStringLiteral("en_US")), QLocale(QStringLiteral("en_GB")),
                                      QLocale(QStringLiteral("de_DE")), QLocale(QStringLiteral("fr_FR")),
                                      QLocale(QStringLiteral("ja_JP")), QLocale::c()};
    for (const QLocale &locale : locales) {
        const auto parsed = DateText::parse(input, locale);
        if (!parsed)
            continue;
        const QString iso = DateText::toIso(*parsed);
        const auto back = DateText::fromIso(iso);
        if (!back || DateText::toIso(*back) != iso)
            breach("ISO text does not read back", input);
        const QDate date =
            std::holds_alternative<QDate>(*parsed) ? std::get<QDate>(*parsed) : std::get<QDateTime>(*parsed).date();
        if (date.year() < 1000 || date.year() > 9999)
            continue; // years outside four digits have no short date text to compare
        const auto again = DateText::parse(DateText::toText(date, locale), locale);
        if (!again || DateText::toIso(*again) != date.toString(Qt::ISODate))
            breach("written date text does not parse back", input);
    }
}

} // namespace FuzzChecks
