// Date text in the locales the program is used in: the written form
// keeps four-digit years, reading accepts what the program writes, two-digit
// years, ISO, day and month without leading zeros and the locale's long form,
// and refuses what is not a date.

#include "data/DateText.h"

#include <QTest>

class TestDateText : public QObject {
    Q_OBJECT
private slots:
    void writesFourDigitYears_data();
    void writesFourDigitYears();
    void readsBackWhatItWrites_data();
    void readsBackWhatItWrites();
    void readsOtherForms_data();
    void readsOtherForms();
    void readsShortAndLongFormsPerLocale_data();
    void readsShortAndLongFormsPerLocale();
    void refusesNonDates_data();
    void refusesNonDates();
};

void TestDateText::writesFourDigitYears_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("expected");
    QTest::newRow("en_US") << "en_US"
                           << "8/31/2021";
    QTest::newRow("en_GB") << "en_GB"
                           << "31/08/2021";
    QTest::newRow("de_DE") << "de_DE"
                           << "31.08.2021";
    QTest::newRow("fr_FR") << "fr_FR"
                           << "31/08/2021";
    QTest::newRow("ja_JP") << "ja_JP"
                           << "2021/08/31";
    QTest::newRow("C") << "C"
                       << "31 Aug 2021";
}

void TestDateText::writesFourDigitYears()
{
    QFETCH(QString, locale);
    QFETCH(QString, expected);
    QCOMPARE(DateText::toText(QDate(2021, 8, 31), QLocale(locale)), expected);
    QCOMPARE(DateText::toText(QDateTime(QDate(2021, 8, 31), QTime(0, 0)), QLocale(locale)), expected);
}

void TestDateText::readsBackWhatItWrites_data()
{
    QTest::addColumn<QString>("locale");
    for (const char *name : {"en_US", "en_GB", "de_DE", "fr_FR", "ja_JP", "C"})
        QTest::newRow(name) << QString::fromLatin1(name);
}

void TestDateText::readsBackWhatItWrites()
{
    QFETCH(QString, locale);
    const QLocale l(locale);
    for (const QDate &date : {QDate(2021, 8, 31), QDate(1999, 12, 31), QDate(2000, 2, 29), QDate(2099, 1, 1)}) {
        const auto parsed = DateText::parse(DateText::toText(date, l), l);
        QVERIFY(parsed);
        QCOMPARE(std::get<QDate>(*parsed), date);
    }
    const QDateTime stamped(QDate(2021, 8, 31), QTime(14, 5));
    const QString text = DateText::toText(stamped, l);
    QVERIFY2(text.size() > DateText::toText(stamped.date(), l).size(), qPrintable(text)); // the time shows
    const auto parsed = DateText::parse(text, l);
    QVERIFY(parsed);
    QCOMPARE(std::get<QDateTime>(*parsed), stamped);
    QCOMPARE(DateText::toIso(*parsed), QStringLiteral("2021-08-31T14:05:00"));
}

void TestDateText::readsOtherForms_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QDate>("date");
    QTest::newRow("iso everywhere") << "de_DE"
                                    << "2021-08-31" << QDate(2021, 8, 31);
    QTest::newRow("two-digit year this century") << "en_US"
                                                 << "8/31/21" << QDate(2021, 8, 31);
    QTest::newRow("two-digit year last century") << "de_DE"
                                                 << "31.08.75" << QDate(1975, 8, 31);
    QTest::newRow("blanks around") << "en_GB"
                                   << "  31/08/2021 " << QDate(2021, 8, 31);
    QTest::newRow("midnight counts as no time") << "en_US"
                                                << "2021-08-31T00:00:00" << QDate(2021, 8, 31);
}

void TestDateText::readsOtherForms()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QDate, date);
    const auto parsed = DateText::parse(text, QLocale(locale));
    QVERIFY(parsed);
    QCOMPARE(std::get<QDate>(*parsed), date);
}

void TestDateText::readsShortAndLongFormsPerLocale_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    const struct {
        const char *locale;
        const char *singleDigits, *twoDigitYear, *longForm, *longWithoutWeekday, *shortMonthName;
    } forms[] = {
        {"en_US", "1/9/2027", "1/9/27", "Saturday, January 9, 2027", "January 9, 2027", "Jan 9, 2027"},
        {"en_GB", "9/1/2027", "9/1/27", "Saturday, 9 January 2027", "9 January 2027", "9 Jan 2027"},
        {"de_DE", "9.1.2027", "9.1.27", "Samstag, 9. Januar 2027", "9. Januar 2027", "9. Jan. 2027"},
        {"fr_FR", "9/1/2027", "9/1/27", "samedi 9 janvier 2027", "9 janvier 2027", "9 janv. 2027"},
        {"ja_JP", "2027/1/9", "27/1/9", "2027年1月9日土曜日", "2027年1月9日", "2027/1/09"},
    };
    for (const auto &form : forms) {
        for (const char *text :
             {form.singleDigits, form.twoDigitYear, form.longForm, form.longWithoutWeekday, form.shortMonthName})
            QTest::addRow("%s %s", form.locale, text) << QString::fromLatin1(form.locale) << QString::fromUtf8(text);
    }
}

void TestDateText::readsShortAndLongFormsPerLocale()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    const QLocale l(locale);
    const auto parsed = DateText::parse(text, l);
    QVERIFY(parsed);
    QCOMPARE(std::get<QDate>(*parsed), QDate(2027, 1, 9));
    QVERIFY(DateText::parse(l.toString(QDate(2027, 1, 9), QLocale::LongFormat), l) == parsed);
}

void TestDateText::refusesNonDates_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "en_US"
                           << "";
    QTest::newRow("word") << "en_US"
                          << "tomorrow";
    QTest::newRow("impossible day") << "en_US"
                                    << "2/30/2021";
    QTest::newRow("other locale's order") << "en_US"
                                          << "31/08/2021";
    QTest::newRow("bad iso") << "C"
                             << "2021-13-01";
    QTest::newRow("trailing junk") << "de_DE"
                                   << "31.08.2021 x";
    QTest::newRow("negative year") << "en_US"
                                   << "8/3/-2022";
    QTest::newRow("five-digit year") << "de_DE"
                                     << "01.01.20000";
    QTest::newRow("single-digit day, impossible month") << "en_GB"
                                                        << "9/13/2027";
    QTest::newRow("weekday of another date") << "en_US"
                                             << "Monday, January 9, 2027";
}

void TestDateText::refusesNonDates()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QVERIFY(!DateText::parse(text, QLocale(locale)));
}

QTEST_APPLESS_MAIN(TestDateText)
#include "tst_datetext.moc"
