// The issue list's rows: text sorting and its ties, the one reset per
// refill, and 100,000 rows sorted correctly (ID, date and text columns).

#include "app/list/IssueListModel.h"
#include "data/Value.h"

#include <QCollator>
#include <QRandomGenerator>
#include <QTest>

#include <thread>

namespace {

struct Issue {
    QString id;
    QString title;
    QDate opened; // invalid: none
};

IssueListModel *filledModel(QObject *parent, const QList<Issue> &issues)
{
    auto *model = new IssueListModel(parent);
    for (int i = 0; i < IssueListModel::maxColumns; ++i)
        model->addColumn(QStringLiteral("C%1").arg(i + 1));
    model->beginRefill();
    for (int i = 0; i < issues.size(); ++i) {
        const int row = model->appendRow(issues[i].id);
        model->setCell(row, 1, issues[i].title);
        const Value date = issues[i].opened.isValid() ? Value(issues[i].opened) : Value();
        model->setCell(row, 4, date.toTextOrEmpty());
        model->setDateKey(row, 4, date);
        model->setCell(row, 9, QString::number(i)); // the arrival position
    }
    model->endRefill();
    return model;
}

} // namespace

class TestMainWindowList : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void sortsText_data();
    void sortsText();
    void refillShowsRowsInOneReset();
    void refillMadeOnAWorkerFollowsTheSortOfItsShowing_data();
    void refillMadeOnAWorkerFollowsTheSortOfItsShowing();
    void refillShownFilteredFindsItsRows_data();
    void refillShownFilteredFindsItsRows();
    void sortsHundredThousandRows_data();
    void sortsHundredThousandRows();
};

void TestMainWindowList::sortsText_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<QStringList>("expected"); // arrival positions

    const QStringList words = {"banana", "Apple", "cherry", "", "Éclair", "eagle", "fig"};
    QTest::newRow("case ignored, accents by the locale")
        << words << false << QStringList{"3", "1", "0", "2", "5", "4", "6"};
    // Equal texts keep their present order in both directions.
    const QStringList ties = {"same", "SAME", "other", "Same"};
    QTest::newRow("ties keep their order") << ties << false << QStringList{"2", "0", "1", "3"};
    QTest::newRow("ties keep their order, descending") << ties << true << QStringList{"0", "1", "3", "2"};
}

void TestMainWindowList::sortsText()
{
    QFETCH(QStringList, titles);
    QFETCH(bool, descending);
    QFETCH(QStringList, expected);

    QList<Issue> issues;
    for (const QString &title : titles)
        issues.append({QStringLiteral("1"), title, {}});
    IssueListModel *model = filledModel(this, issues);
    model->sort(1, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QStringList order;
    for (int row = 0; row < model->rowCount(); ++row)
        order.append(model->cell(row, 9));
    QCOMPARE(order, expected);
}

void TestMainWindowList::refillShowsRowsInOneReset()
{
    IssueListModel *model = filledModel(this, {{"1", "x", {}}});
    int resets = 0;
    int inserts = 0;
    connect(model, &QAbstractItemModel::modelReset, this, [&] { ++resets; });
    connect(model, &QAbstractItemModel::rowsInserted, this, [&] { ++inserts; });

    model->beginRefill();
    for (int i = 0; i < 50; ++i)
        model->appendRow(QString::number(i));
    QCOMPARE(model->rowCount(), 1); // the shown rows stay until the refill ends
    model->endRefill();
    QCOMPARE(model->rowCount(), 50);
    QCOMPARE(resets, 1);
    QCOMPARE(inserts, 0);
}

void TestMainWindowList::refillMadeOnAWorkerFollowsTheSortOfItsShowing_data()
{
    QTest::addColumn<int>("sortedThen");
    QTest::addColumn<int>("sortedNow"); // -1: sorting switched off
    QTest::addColumn<QStringList>("shown");
    QTest::newRow("by title, still") << 1 << 1 << QStringList{"3", "1", "2"};
    QTest::newRow("by title, now by date") << 1 << 4 << QStringList{"2", "3", "1"};
    QTest::newRow("by date, now by title") << 4 << 1 << QStringList{"3", "1", "2"};
    QTest::newRow("by title, now unsorted") << 1 << -1 << QStringList{"1", "2", "3"};
}

// A refill gathered and sorted on a worker while the user sorted the list
// another way shows in the list's sort of the moment it arrives.
void TestMainWindowList::refillMadeOnAWorkerFollowsTheSortOfItsShowing()
{
    QFETCH(int, sortedThen);
    QFETCH(int, sortedNow);
    QFETCH(QStringList, shown);
    IssueListModel *model = filledModel(this, {});
    model->sort(sortedThen);
    IssueListModel::Refill refill = model->newRefill();
    std::thread worker([&] {
        const QList<Issue> issues{
            {"1", "beta", QDate(2021, 8, 3)}, {"2", "Gamma", QDate(2021, 8, 1)}, {"3", "alpha", QDate(2021, 8, 2)}};
        for (const Issue &issue : issues) {
            const int row = refill.appendRow(issue.id);
            refill.setCell(row, 1, issue.title);
            refill.setDateKey(row, 4, Value(issue.opened));
        }
        refill.finish();
    });
    worker.join();
    if (sortedNow < 0)
        model->setSortingOff();
    else
        model->sort(sortedNow);
    model->showRefill(std::move(refill));
    QStringList ids;
    for (int row = 0; row < model->rowCount(); ++row)
        ids << model->cell(row, 0);
    QCOMPARE(ids, shown);
}

void TestMainWindowList::refillShownFilteredFindsItsRows_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<QByteArray>("visible"); // per row in arrival order
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<QStringList>("found"); // the row each shown ID is found at
    QTest::addColumn<QStringList>("missing");
    // "07" and "7" are the same number, told apart by their text.
    QTest::newRow("by ID, all") << 0 << QByteArray() << QStringList{"1", "3", "07", "7", "x"}
                                << QStringList{"0", "1", "2", "3", "4"} << QStringList{"9", "007"};
    QTest::newRow("by title, some hidden") << 1 << QByteArray("\1\0\1\1\0", 5) << QStringList{"3", "7", "07"}
                                           << QStringList{"0", "1", "2"} << QStringList{"1", "x"};
}

// A read shown filtered in one change shows the rows a filter after it
// would, and the selection found again after it is the row with that very
// ID, never a filtered-out one or another text of the same number.
void TestMainWindowList::refillShownFilteredFindsItsRows()
{
    QFETCH(int, column);
    QFETCH(QByteArray, visible);
    QFETCH(QStringList, shown);
    QFETCH(QStringList, found);
    QFETCH(QStringList, missing);
    IssueListModel *model = filledModel(this, {});
    model->sort(column);
    IssueListModel::Refill refill = model->newRefill();
    const QList<Issue> issues{
        {"3", "beta", {}}, {"1", "alpha", {}}, {"07", "Gamma", {}}, {"7", "delta", {}}, {"x", "echo", {}}};
    for (const Issue &issue : issues)
        refill.setCell(refill.appendRow(issue.id), 1, issue.title);
    model->showRefill(std::move(refill), std::vector<char>(visible.begin(), visible.end()));
    QStringList ids, rows;
    for (int row = 0; row < model->rowCount(); ++row) {
        ids << model->cell(row, 0);
        rows << QString::number(model->rowOfFirstCell(model->cell(row, 0)));
    }
    QCOMPARE(ids, shown);
    QCOMPARE(rows, found);
    for (const QString &id : missing)
        QCOMPARE(model->rowOfFirstCell(id), -1);
}

void TestMainWindowList::sortsHundredThousandRows_data()
{
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("descending");
    QTest::newRow("ID ascending") << 0 << false;
    QTest::newRow("ID descending") << 0 << true;
    QTest::newRow("title ascending") << 1 << false;
    QTest::newRow("opened date descending") << 4 << true;
}

void TestMainWindowList::sortsHundredThousandRows()
{
    QFETCH(int, column);
    QFETCH(bool, descending);

    constexpr int count = 100000;
    QRandomGenerator random(20210831);
    const QStringList words = {"printer", "Login", "crash", "Report", "backup", "émail", "Zebra", "alpha"};
    QList<Issue> issues;
    issues.reserve(count);
    for (int i = 0; i < count; ++i)
        issues.append({QString::number(random.bounded(1, 5000000)),
                       words.at(random.bounded(words.size())) + QLatin1Char(' ') + QString::number(random.bounded(50)),
                       random.bounded(10) ? QDate(2015, 1, 1).addDays(random.bounded(3000)) : QDate()});
    IssueListModel *model = filledModel(this, issues);
    model->sort(column, descending ? Qt::DescendingOrder : Qt::AscendingOrder);
    QCOMPARE(model->rowCount(), count);

    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    const auto issueOf = [&](int row) -> const Issue & { return issues[model->cell(row, 9).toInt()]; };
    // The order a reader expects, from the issues themselves: <0, 0 or >0.
    const auto compare = [&](const Issue &x, const Issue &y) -> int {
        if (column == 0)
            return x.id.toLongLong() < y.id.toLongLong() ? -1 : (x.id.toLongLong() > y.id.toLongLong() ? 1 : 0);
        if (column == 4) // no date before any date
            return x.opened == y.opened                                                   ? 0
                   : (!x.opened.isValid() || (y.opened.isValid() && x.opened < y.opened)) ? -1
                                                                                          : 1;
        return collator.compare(x.title, y.title);
    };
    for (int row = 1; row < count; ++row) {
        if (model->cell(row, 1) != issueOf(row).title)
            QFAIL(qPrintable(QStringLiteral("row %1 lost its cells").arg(row)));
        const int order = (descending ? -1 : 1) * compare(issueOf(row - 1), issueOf(row));
        if (order > 0 || (order == 0 && model->cell(row - 1, 9).toInt() > model->cell(row, 9).toInt()))
            QFAIL(qPrintable(QStringLiteral("rows %1 and %2 are out of order").arg(row - 1).arg(row)));
    }
}

QTEST_GUILESS_MAIN(TestMainWindowList)
#include "tst_mainwindow_list.moc"
