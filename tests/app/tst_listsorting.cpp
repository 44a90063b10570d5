// The keys and sorts behind the issue list: collation keys that order texts
// exactly as the program's one collation does, whatever the locale, and as a
// file compares them; a byte-key sort that is stable in both directions, through its comparison path for few
// rows and its binning path for many; keys made while a sorted list refills;
// and dates sorted by small ranks or wide keys alike.

#include "app/list/CollationKeys.h"
#include "app/list/IssueListModel.h"
#include "app/list/RadixOrder.h"
#include "data/TextCollator.h"
#include "data/Value.h"
#include "platform/BackgroundDisposal.h"

#include <QRandomGenerator>
#include <QTest>
#include <QThread>
#include <QThreadPool>

#include <algorithm>
#include <limits>
#include <memory>
#include <numeric>
#include <utility>

namespace {

// Random texts from pieces that challenge a collation: letter case, accents
// precomposed and combining, punctuation, digits, blanks, letters some
// locales sort apart (å, ö, ı, ß), CJK, fullwidth and emoji.
QStringList randomTexts(int count, quint32 seed, int longest = 12)
{
    static const QStringList pieces = {"a",  "A",  "b",  "B", "e",  "E",  "é", "É",  QString::fromUtf8("e\u0301"),
                                       "z",  "Z",  "å",  "Å", "ö",  "ı",  "I", "i",  "İ",
                                       "ß",  "ss", " ",  "-", "_",  "'",  "0", "1",  "9",
                                       "10", "中", "文", "ｱ", "Ａ", "ｃ", "😀", "ch", "ll"};
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

int sign(int value)
{
    return (value > 0) - (value < 0);
}

CollationKeys *keysOf(const QStringList &texts)
{
    auto *keys = new CollationKeys;
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

QStringList shownColumn(const IssueListModel &model, int column)
{
    QStringList cells;
    for (int row = 0; row < model.rowCount(); ++row)
        cells.append(model.cell(row, column));
    return cells;
}

// A model with an ID and a title column, sorted by title before any rows
// arrive.
void addTwoColumns(IssueListModel &model)
{
    model.addColumn(QStringLiteral("Issued ID"));
    model.addColumn(QStringLiteral("Title"));
}

} // namespace

class TestListSorting : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void keysOrderAsTheCollationWhateverTheLocale_data();
    void keysOrderAsTheCollationWhateverTheLocale();
    void keysAreWellFormed();
    void byteKeySortIsStableAndOrdered_data();
    void byteKeySortIsStableAndOrdered();
    void listSortsWithoutCaseInTheCLocale();
    void refillPlacesRowsBySortedText_data();
    void refillPlacesRowsBySortedText();
    void sortColumnChangedDuringRefill();
    void refillReleasesReplacedRowsOffThisThread();
    void datesSortWhateverTheirSpan_data();
    void datesSortWhateverTheirSpan();
    void valueOrderPlacesItsValuesFirst_data();
    void valueOrderPlacesItsValuesFirst();
};

void TestListSorting::keysOrderAsTheCollationWhateverTheLocale_data()
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

void TestListSorting::keysOrderAsTheCollationWhateverTheLocale()
{
    // The list sorts as a report's "order by" on a file or a server, so the
    // user's locale (Swedish å after z, Turkish dotless i) changes nothing.
    QFETCH(QLocale, locale);
    QLocale::setDefault(locale);
    const QStringList texts = randomTexts(600, 7);
    std::unique_ptr<CollationKeys> keys(keysOf(texts));
    const TextCollator collator;
    QRandomGenerator random(11);
    for (int n = 0; n < 20000; ++n) {
        const int a = random.bounded(texts.size());
        const int b = random.bounded(texts.size());
        const int expected = collator.compare(texts[a], texts[b]);
        const QByteArray x = texts[a].toUtf8();
        const QByteArray y = texts[b].toUtf8();
        QCOMPARE(collator.compareUtf8(x.data(), int(x.size()), y.data(), int(y.size())), expected);
        if (sign(keys->compare(size_t(a), size_t(b))) != expected)
            QFAIL(qPrintable(QStringLiteral("\"%1\" and \"%2\": keys say %3, the collation %4")
                                 .arg(texts[a], texts[b])
                                 .arg(sign(keys->compare(size_t(a), size_t(b))))
                                 .arg(expected)));
    }
    // A file compares ASCII texts without ICU: every ASCII character, the
    // ones ICU ignores too, must order as ICU orders it.
    for (int n = 0; n < 20000; ++n) {
        QByteArray x(random.bounded(5), Qt::Uninitialized);
        QByteArray y(random.bounded(5), Qt::Uninitialized);
        for (QByteArray *text : {&x, &y})
            for (char &c : *text)
                c = char(random.bounded(n % 2 ? 128 : 4) + (n % 2 ? 0 : 'a'));
        QCOMPARE(collator.compareUtf8(x.data(), int(x.size()), y.data(), int(y.size())),
                 collator.compare(QString::fromLatin1(x), QString::fromLatin1(y)));
    }
}

void TestListSorting::keysAreWellFormed()
{
    const QStringList texts = {QString(), "Apple", "APPLE", "é", QString::fromUtf8("e\u0301"), QString(3000, 'x')};
    {
        std::unique_ptr<CollationKeys> keys(keysOf(texts));
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
    std::unique_ptr<CollationKeys> keys(keysOf(texts));
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
    QStringList opening;
    QRandomGenerator random(6);
    for (int i = 0; i < 300; ++i)
        opening.append(QString(1500, QLatin1Char('d')) + QString::number(random.bounded(40)) +
                       (i % 3 ? QString() : QStringLiteral(" more")));
    QTest::newRow("long shared opening, then differing") << opening;
}

void TestListSorting::byteKeySortIsStableAndOrdered()
{
    QFETCH(QStringList, texts);
    std::unique_ptr<CollationKeys> keys(keysOf(texts));
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

void TestListSorting::refillPlacesRowsBySortedText_data()
{
    // How a refill sets the title cells: the keys made on the way must give
    // the same rows as keys made at the end.
    QTest::addColumn<QString>("how");
    QTest::newRow("in row order") << "in order";
    QTest::newRow("a row set twice") << "twice";
    QTest::newRow("rows set backwards") << "backwards";
    QTest::newRow("one row left without a title") << "gap";
}

void TestListSorting::refillPlacesRowsBySortedText()
{
    QFETCH(QString, how);
    const QStringList titles = randomTexts(300, 9, 3);
    for (const Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder}) {
        IssueListModel model;
        addTwoColumns(model);
        model.sort(1, direction);
        model.beginRefill();
        model.reserveRows(static_cast<int>(titles.size()));
        for (int i = 0; i < titles.size(); ++i)
            model.appendRow(QString::number(i));
        QStringList expected = titles;
        if (how == QLatin1String("backwards")) {
            for (int i = static_cast<int>(titles.size()) - 1; i >= 0; --i)
                model.setCell(i, 1, titles[i]);
        } else {
            for (int i = 0; i < titles.size(); ++i) {
                if (how == QLatin1String("gap") && i == 100) {
                    expected[i].clear();
                    continue;
                }
                if (how == QLatin1String("twice") && i == 50)
                    model.setCell(i, 1, QStringLiteral("a first title, replaced"));
                model.setCell(i, 1, titles[i]);
            }
        }
        model.endRefill();

        // The reference: the same rows refilled unsorted, then sorted.
        IssueListModel reference;
        addTwoColumns(reference);
        reference.beginRefill();
        for (int i = 0; i < expected.size(); ++i)
            reference.setCell(reference.appendRow(QString::number(i)), 1, expected[i]);
        reference.endRefill();
        reference.sort(1, direction);
        QCOMPARE(shownColumn(model, 0), shownColumn(reference, 0));
        QCOMPARE(shownColumn(model, 1), shownColumn(reference, 1));
    }
}

void TestListSorting::sortColumnChangedDuringRefill()
{
    // A sort while rows are still arriving changes which column the refill
    // places its rows by; the keys made for the old column must not be used.
    IssueListModel model;
    addTwoColumns(model);
    model.addColumn(QStringLiteral("Assigned To"));
    model.sort(1);
    model.beginRefill();
    const QStringList titles = {"c", "a", "b"};
    const QStringList names = {"x", "z", "y"};
    for (int i = 0; i < titles.size(); ++i) {
        const int row = model.appendRow(QString::number(i + 1));
        model.setCell(row, 1, titles[i]);
        model.setCell(row, 2, names[i]);
    }
    model.sort(2);
    model.endRefill();
    QCOMPARE(shownColumn(model, 2), (QStringList{"x", "y", "z"}));
}

namespace {
struct ThreadWitness {
    std::shared_ptr<QThread *> diedOn = std::make_shared<QThread *>(nullptr);
    bool armed = false;
    ThreadWitness() = default;
    explicit ThreadWitness(bool arm) : armed(arm) {}
    ThreadWitness(ThreadWitness &&other) noexcept
        : diedOn(std::move(other.diedOn)), armed(std::exchange(other.armed, false))
    {
    }
    ThreadWitness &operator=(ThreadWitness &&other) noexcept
    {
        diedOn = other.diedOn;
        armed = std::exchange(other.armed, false);
        return *this;
    }
    ~ThreadWitness()
    {
        if (armed)
            *diedOn = QThread::currentThread();
    }
};
} // namespace

void TestListSorting::refillReleasesReplacedRowsOffThisThread()
{
    // The disposal itself: destroyed on a worker, the caller's value left empty.
    ThreadWitness witness(true);
    const std::shared_ptr<QThread *> diedOn = witness.diedOn;
    platform::disposeInBackground(witness);
    QVERIFY(!witness.armed);
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(*diedOn != nullptr);
    QVERIFY(*diedOn != QThread::currentThread());

    // The list: the replaced rows are let go, and the new ones are shown.
    IssueListModel model;
    addTwoColumns(model);
    model.beginRefill();
    model.setCell(model.appendRow(QStringLiteral("1")), 1,
                  QString(QStringLiteral("old title")).toUpper()); // not static text
    model.endRefill();
    QString held = model.cell(0, 1); // shares its text with the list's row
    QVERIFY(!held.isDetached());
    model.beginRefill();
    model.setCell(model.appendRow(QStringLiteral("2")), 1, QStringLiteral("new title"));
    model.endRefill();
    QThreadPool::globalInstance()->waitForDone();
    QVERIFY(held.isDetached()); // the old row is gone: the text is ours alone
    QCOMPARE(held, QStringLiteral("OLD TITLE"));
    QCOMPARE(shownColumn(model, 1), QStringList{"new title"});
}

void TestListSorting::valueOrderPlacesItsValuesFirst_data()
{
    QTest::addColumn<QStringList>("values");
    QTest::addColumn<QStringList>("order");
    QTest::addColumn<QStringList>("ascending");
    const QStringList priorities = {"Low", "High", "medium", "Urgent", "", "Medium", "abc"};
    QTest::newRow("placed first, the others after by text")
        << priorities << QStringList{"High", "Medium", "Low"}
        << QStringList{"High", "medium", "Medium", "Low", "", "abc", "Urgent"};
    QTest::newRow("a value named twice keeps its first place")
        << priorities << QStringList{"Low", "LOW", "High"}
        << QStringList{"Low", "High", "", "abc", "medium", "Medium", "Urgent"};
    QTest::newRow("values match as the collation holds them equal")
        << QStringList{"open", "Clos\u00e9d", "closed", "CLOSED"} << QStringList{"closed", "open"}
        << QStringList{"closed", "CLOSED", "open", "Clos\u00e9d"};
    QTest::newRow("no order: by text") << priorities << QStringList{}
                                       << QStringList{"", "abc", "High", "Low", "medium", "Medium", "Urgent"};
}

void TestListSorting::valueOrderPlacesItsValuesFirst()
{
    QFETCH(QStringList, values);
    QFETCH(QStringList, order);
    QFETCH(QStringList, ascending);
    // Descending turns the ranks round; equal values keep their order.
    QStringList descending;
    for (qsizetype i = ascending.size() - 1; i >= 0; --i) {
        qsizetype start = i;
        while (start > 0 && QString::compare(ascending[start - 1], ascending[i], Qt::CaseInsensitive) == 0)
            --start;
        descending << ascending.mid(start, i - start + 1);
        i = start;
    }
    for (const bool whileRefilling : {false, true})
        for (const Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder}) {
            IssueListModel model;
            addTwoColumns(model);
            model.setValueOrder(1, order);
            if (whileRefilling)
                model.sort(1, direction);
            model.beginRefill();
            for (int i = 0; i < values.size(); ++i)
                model.setCell(model.appendRow(QString::number(i)), 1, values[i]);
            model.endRefill();
            if (!whileRefilling)
                model.sort(1, direction);
            QCOMPARE(shownColumn(model, 1), direction == Qt::AscendingOrder ? ascending : descending);
        }
}

void TestListSorting::datesSortWhateverTheirSpan_data()
{
    // Whole days close together sort by small ranks made at refill; dates
    // with times, or days too far apart, by wider keys at sort time. All
    // must give the same kind of order.
    QTest::addColumn<QVariantList>("dates"); // QDate, QDateTime or invalid (no date)
    QVariantList near;
    QVariantList far;
    QVariantList timed;
    QRandomGenerator random(17);
    for (int i = 0; i < 2000; ++i) {
        const bool none = random.bounded(8) == 0;
        near.append(none ? QVariant() : QVariant(QDate(2020, 1, 1).addDays(random.bounded(1500))));
        far.append(none ? QVariant() : QVariant(QDate(1, 1, 1).addDays(random.bounded(3000000))));
        timed.append(none ? QVariant()
                          : QVariant(QDateTime(QDate(2020, 1, 1).addDays(random.bounded(30)),
                                               QTime(0, 0).addSecs(random.bounded(4) * 3600))));
    }
    far.append(QVariant(QDate(1, 1, 1)));
    far.append(QVariant(QDate(9999, 12, 31)));
    QTest::newRow("whole days within a few years") << near;
    QTest::newRow("whole days across millennia") << far;
    QTest::newRow("dates with times") << timed;
}

void TestListSorting::datesSortWhateverTheirSpan()
{
    QFETCH(QVariantList, dates);
    const auto keyOf = [&](int i) -> qint64 { // no date first, then by moment
        const QVariant &date = dates[i];
        if (!date.isValid())
            return std::numeric_limits<qint64>::min();
        if (date.typeId() == QMetaType::QDate)
            return date.toDate().toJulianDay() * 86400000;
        const QDateTime moment = date.toDateTime();
        return moment.date().toJulianDay() * 86400000 + moment.time().msecsSinceStartOfDay();
    };
    IssueListModel model;
    for (int c = 0; c < 5; ++c)
        model.addColumn(QStringLiteral("C%1").arg(c + 1));
    model.beginRefill();
    for (int i = 0; i < dates.size(); ++i) {
        const int row = model.appendRow(QString::number(i));
        const QVariant &date = dates[i];
        const Value value = !date.isValid()                     ? Value()
                            : date.typeId() == QMetaType::QDate ? Value(date.toDate())
                                                                : Value(date.toDateTime());
        model.setCell(row, IssueListModel::openedDateColumn, value.toTextOrEmpty());
        model.setDateKey(row, IssueListModel::openedDateColumn, value);
    }
    model.endRefill();
    for (const Qt::SortOrder direction : {Qt::AscendingOrder, Qt::DescendingOrder, Qt::AscendingOrder}) {
        // The order before this sort decides among equal dates.
        std::vector<int> expected;
        for (int row = 0; row < model.rowCount(); ++row)
            expected.push_back(model.cell(row, 0).toInt());
        std::stable_sort(expected.begin(), expected.end(), [&](int a, int b) {
            return direction == Qt::AscendingOrder ? keyOf(a) < keyOf(b) : keyOf(a) > keyOf(b);
        });
        model.sort(IssueListModel::openedDateColumn, direction);
        for (int row = 0; row < model.rowCount(); ++row)
            if (model.cell(row, 0).toInt() != expected[size_t(row)])
                QFAIL(qPrintable(QStringLiteral("row %1 holds issue %2, not %3")
                                     .arg(row)
                                     .arg(model.cell(row, 0))
                                     .arg(expected[size_t(row)])));
    }
}

QTEST_GUILESS_MAIN(TestListSorting)
#include "tst_listsorting.moc"
