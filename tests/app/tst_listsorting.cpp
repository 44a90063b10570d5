// The keys and sorts behind the issue list's text columns: collation keys
// that order texts exactly as the locale's case-insensitive collation does,
// and a byte-key sort that is stable in both directions, through its
// comparison path for few rows and its binning path for many.

#include "app/CollationKeys.h"
#include "app/IssueListModel.h"
#include "app/RadixOrder.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QTest>

#include <algorithm>
#include <numeric>

namespace {

// Random texts from pieces that challenge a collation: letter case, accents
// precomposed and combining, punctuation, digits, blanks, letters some
// locales sort apart (å, ö, ı, ß), CJK, fullwidth and emoji.
QStringList randomTexts(int count, quint32 seed, int longest = 12)
{
    static const QStringList pieces = {
        "a", "A", "b", "B", "e", "E", "é", "É", QString::fromUtf8("e\u0301"), "z", "Z", "å", "Å", "ö", "ı", "I",
        "i", "İ", "ß", "ss", " ", "-", "_", "'", "0", "1", "9", "10", "中", "文", "ｱ", "Ａ", "ｃ", "😀", "ch", "ll"};
    QRandomGenerator random(seed);
    QStringList texts;
    for (int i = 0; i < count; ++i) {
        QString text;
        const int length = random.bounded(longest + 1);
        for (int j = 0; j < length; ++j)
            text += pieces.at(random.bounded(pieces.size()));
        texts.append(text);
    }
    return texts;
}

int sign(int value) { return (value > 0) - (value < 0); }

CollationKeys *keysOf(const QStringList &texts, const QLocale &locale)
{
    auto *keys = new CollationKeys(locale);
    keys->reserve(size_t(texts.size()));
    for (const QString &text : texts)
        keys->append(text);
    return keys;
}

// The expected order: a stable comparison sort with the keys' own comparison.
std::vector<int> comparisonOrder(const CollationKeys &keys, Qt::SortOrder direction)
{
    std::vector<int> order(keys.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int difference = keys.compare(size_t(a), size_t(b));
        return direction == Qt::AscendingOrder ? difference < 0 : difference > 0;
    });
    return order;
}

} // namespace

class TestListSorting : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void keysOrderAsTheLocaleCollates_data();
    void keysOrderAsTheLocaleCollates();
    void keysAreWellFormed();
    void byteKeySortIsStableAndOrdered_data();
    void byteKeySortIsStableAndOrdered();
    void listSortsWithoutCaseInTheCLocale();
};

void TestListSorting::keysOrderAsTheLocaleCollates_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates);
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany);
    QTest::newRow("sv_SE: å after z") << QLocale(QLocale::Swedish, QLocale::Sweden);
    QTest::newRow("tr_TR: dotless i") << QLocale(QLocale::Turkish, QLocale::Turkey);
    QTest::newRow("es_ES") << QLocale(QLocale::Spanish, QLocale::Spain);
    QTest::newRow("ja_JP") << QLocale(QLocale::Japanese, QLocale::Japan);
    QTest::newRow("zh_TW") << QLocale(QLocale::Chinese, QLocale::Taiwan);
    QTest::newRow("C") << QLocale::c();
}

void TestListSorting::keysOrderAsTheLocaleCollates()
{
    QFETCH(QLocale, locale);
    const QStringList texts = randomTexts(600, 7);
    std::unique_ptr<CollationKeys> keys(keysOf(texts, locale));
    QCollator collator(locale);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    QRandomGenerator random(11);
    for (int n = 0; n < 20000; ++n) {
        const int a = random.bounded(texts.size());
        const int b = random.bounded(texts.size());
        // In the C locale there are no collation rules: texts compare by
        // their case-folded characters.
        const int expected = locale.language() == QLocale::C
                                 ? sign(QString::compare(texts[a], texts[b], Qt::CaseInsensitive))
                                 : sign(collator.compare(texts[a], texts[b]));
        if (sign(keys->compare(size_t(a), size_t(b))) != expected)
            QFAIL(qPrintable(QStringLiteral("\"%1\" and \"%2\": keys say %3, the collation %4")
                                 .arg(texts[a], texts[b])
                                 .arg(sign(keys->compare(size_t(a), size_t(b))))
                                 .arg(expected)));
    }
}

void TestListSorting::keysAreWellFormed()
{
    const QStringList texts = {QString(), "Apple", "APPLE", "é", QString::fromUtf8("e\u0301"), QString(3000, 'x')};
    for (const QLocale &locale : {QLocale(QLocale::English, QLocale::UnitedStates), QLocale::c()}) {
        std::unique_ptr<CollationKeys> keys(keysOf(texts, locale));
        QCOMPARE(keys->size(), size_t(texts.size()));
        for (size_t i = 0; i < keys->size(); ++i) {
            const unsigned char *key = keys->key(i);
            size_t length = 0;
            while (key[length] != 0)
                ++length;
            // The key runs up to the next one's start: one 0, at its end.
            if (i + 1 < keys->size())
                QCOMPARE(key + length + 1, keys->key(i + 1));
        }
        QCOMPARE(keys->compare(1, 2), 0); // letter case ignored
        QVERIFY(keys->compare(0, 1) < 0); // the empty text first
        QVERIFY(keys->compare(1, 5) < 0);
    }
    // Canonically equivalent spellings are the same text to a collation.
    std::unique_ptr<CollationKeys> keys(keysOf(texts, QLocale(QLocale::English, QLocale::UnitedStates)));
    QCOMPARE(keys->compare(3, 4), 0);
}

void TestListSorting::byteKeySortIsStableAndOrdered_data()
{
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("none") << QStringList();
    QTest::newRow("one") << QStringList{"x"};
    QTest::newRow("few, compared") << randomTexts(40, 1);
    QTest::newRow("just over the comparison limit") << randomTexts(49, 2);
    QTest::newRow("many, mixed") << randomTexts(20000, 3);
    QTest::newRow("many, short: full of ties") << randomTexts(5000, 4, 2);
    QStringList prefixed;
    for (const QString &text : randomTexts(3000, 5))
        prefixed.append(QStringLiteral("Printer fails when the tray is empty ") + text);
    QTest::newRow("long shared prefix") << prefixed;
    QStringList same(500, QString(2000, QLatin1Char('c')));
    same.append(QString(1999, QLatin1Char('c')));
    same.append(QString(2001, QLatin1Char('C')));
    QTest::newRow("long equal texts") << same;
}

void TestListSorting::byteKeySortIsStableAndOrdered()
{
    QFETCH(QStringList, texts);
    std::unique_ptr<CollationKeys> keys(keysOf(texts, QLocale(QLocale::English, QLocale::UnitedStates)));
    for (const Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        const std::vector<int> sorted = RadixOrder::byKeys(*keys, direction);
        // A stable sort has exactly one result, so it must be this one.
        QVERIFY(sorted == comparisonOrder(*keys, direction));
    }
}

void TestListSorting::listSortsWithoutCaseInTheCLocale()
{
    // Without collation rules the list still ignores letter case, and equal
    // titles keep their order.
    QLocale::setDefault(QLocale::c());
    IssueListModel model;
    model.addColumn(QStringLiteral("Issued ID"));
    model.addColumn(QStringLiteral("Title"));
    const QStringList titles = {"beta", "Alpha", "alpha", "Beta", "ALPHA"};
    model.beginRefill();
    for (int i = 0; i < titles.size(); ++i)
        model.setCell(model.appendRow(QString::number(i + 1)), 1, titles[i]);
    model.endRefill();
    model.sort(1, Qt::AscendingOrder);
    QStringList shown;
    for (int row = 0; row < model.rowCount(); ++row)
        shown.append(model.cell(row, 1));
    QCOMPARE(shown, (QStringList{"Alpha", "alpha", "ALPHA", "beta", "Beta"}));
}

QTEST_GUILESS_MAIN(TestListSorting)
#include "tst_listsorting.moc"
