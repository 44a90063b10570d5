// The main window: start-up, shutdown, the settings it keeps, filling and
// sorting the issue list, and the maximized and restored layouts.

#include "MainWindowFixture.h"

#include "app/FilterBar.h"
#include "app/MainWindowLayout.h"
#include "app/MainWindowSettings.h"
#include "app/list/IssueSearch.h"
#include "data/DataFile.h"
#include "data/Value.h"
#include "platform/SettingsStore.h"
#include "platform/Twips.h"
#include "support/HoverProbe.h"
#include "tests/support/MainWindowControls.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTreeView>

using namespace form1test;

class TestMainWindow : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { freshMachine(); }
    void cleanup()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        hover::placeCursorFile(false);
    }

    void firstRunPreparesEverything();
    void widthsAndStateSurviveARestart_data();
    void widthsAndStateSurviveARestart();
    void wideWindowTitleFillsAndPlaceSurvives();
    void storedSettingsAreCheckedAtStartUp_data();
    void storedSettingsAreCheckedAtStartUp();
    void storedViewOutOfBoundsReadsAsDefault_data();
    void storedViewOutOfBoundsReadsAsDefault();
    void brokenDatabaseStartUp_data();
    void brokenDatabaseStartUp();

    void listDataFillsEveryCell_data();
    void listDataFillsEveryCell();
    void missingValuesToldOncePerSet();
    void queryThatCannotOpenEmptiesTheList();
    void headerClicksSort_data();
    void headerClicksSort();
    void historyDateColumnsOnRequest();

    void maximizedLayoutFormulas();
    void maximizeThenRestore();
    void restoreFromMinimized_data();
    void restoreFromMinimized();

    void handPointer_data();
    void handPointer();
};

// ---------------------------------------------------------------------------
// Start-up and shutdown

void TestMainWindow::firstRunPreparesEverything()
{
    ScriptedDialogs dialogs;
    auto form = started();

    QVERIFY(QFileInfo(DataFile::dataFolder()).isDir());
    QVERIFY(QFileInfo::exists(DataFile::databasePath()));
    QCOMPARE(errorLines(dialogs), QStringList());
    QCOMPARE(form->windowTitle(), QStringLiteral("Marrowdesk"));

    const QStringList captions = {"Issued ID", "Title",  "Assigned To", "Opened By", "Opened Date",
                                  "Due Date",  "Status", "Category",    "Priority",  "Comments"};
    QCOMPARE(form->listModel()->columnCount(), 10);
    for (int column = 0; column < 10; ++column)
        QCOMPARE(form->listModel()->headerData(column, Qt::Horizontal).toString(), captions[column]);
    QCOMPARE(MainWindow::windowStateNumber(form->windowState()), 0);
    QVERIFY(!form->maximizedLayoutFlag());
    QCOMPARE(form->listModel()->rowCount(), 0);
    QCOMPARE(sharedConnection().State(), 1);

    // Closing saves, releases the connection and ends the program, even with
    // another window of the program still open.
    form->show();
    QWidget other;
    other.show();
    const int endsBefore = programEnds();
    form->close();
    QCOMPARE(programEnds(), endsBefore + 1);
    QVERIFY(!hasSharedConnection());
    QCOMPARE(platform::readSetting(QStringLiteral("WindowState"), QString()), QStringLiteral("0"));
    QCOMPARE(errorLines(dialogs), QStringList());
}

void TestMainWindow::widthsAndStateSurviveARestart_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QString>("givenText");
    QTest::newRow("en_US") << QLocale(QLocale::English, QLocale::UnitedStates) << QStringLiteral("1234.5");
    QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << QStringLiteral("1234,5");
}

void TestMainWindow::widthsAndStateSurviveARestart()
{
    QFETCH(QLocale, locale);
    QFETCH(QString, givenText);
    QLocale::setDefault(locale);
    ScriptedDialogs dialogs;

    {
        auto form = started();
        form->setColumnWidthTwips(2, 1234.5);                 // given by the program
        ui(*form).issueList->header()->resizeSection(1, 200); // dragged by the user
        ui(*form).issueList->header()->resizeSection(9, 1);   // dragged below the minimum
        form->showMaximized();
        form->close();
    }
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders1"), QString()), QStringLiteral("1200"));
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders2"), QString()),
             QString::number(qRound(platform::pixelsToTwips(200))));
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders3"), QString()), givenText);
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders4"), QString()), QStringLiteral("1700"));
    QVERIFY(platform::readSetting(QStringLiteral("ColumnHeaders10"), QString()).toDouble() >=
            MainWindowSettings::minColumnWidth);
    QCOMPARE(platform::readSetting(QStringLiteral("WindowState"), QString()), QStringLiteral("2"));

    auto again = started();
    QCOMPARE(ui(*again).issueList->header()->sectionSize(1), 200);
    QCOMPARE(again->columnWidthTwips(1), double(qRound(platform::pixelsToTwips(200))));
    QCOMPARE(again->columnWidthTwips(2), 1234.5);
    QCOMPARE(again->columnWidthTwips(3), 1700.0);
    QCOMPARE(MainWindow::windowStateNumber(again->windowState()), 2);
    QVERIFY(again->maximizedLayoutFlag());
    QCOMPARE(errorLines(dialogs), QStringList());
}

void TestMainWindow::storedSettingsAreCheckedAtStartUp_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<int>("column");      // -1: the window state
    QTest::addColumn<double>("expected"); // the width in twips, or the state
    QTest::addColumn<bool>("flag");
    QTest::addColumn<QStringList>("errors");

    const double listDefault = 1440; // the list's own width for a column
    const QStringList none;
    QTest::newRow("first width not a number")
        << "ColumnHeaders1"
        << "wide" << 0 << listDefault << false << QStringList{"Form_Load at line 146"};
    QTest::newRow("other width not a number")
        << "ColumnHeaders4"
        << "12px" << 3 << listDefault << false << QStringList{"Form_Load at line 150"};
    QTest::newRow("negative width") << "ColumnHeaders2"
                                    << "-40" << 1 << MainWindowSettings::minColumnWidth << false << none;
    QTest::newRow("huge width") << "ColumnHeaders2"
                                << "99999999" << 1 << MainWindowSettings::maxColumnWidth << false << none;
    QTest::newRow("state not a number") << "WindowState"
                                        << "maximised" << -1 << 0.0 << false << QStringList{"Form_Load at line 156"};
    QTest::newRow("state 2 maximizes") << "WindowState"
                                       << "2" << -1 << 2.0 << true << none;
    QTest::newRow("unknown state 7 is normal") << "WindowState"
                                               << "7" << -1 << 0.0 << false << none;
}

void TestMainWindow::storedSettingsAreCheckedAtStartUp()
{
    QFETCH(QString, key);
    QFETCH(QString, stored);
    QFETCH(int, column);
    QFETCH(double, expected);
    QFETCH(bool, flag);
    QFETCH(QStringList, errors);

    platform::saveSetting(key, stored);
    ScriptedDialogs dialogs;
    auto form = started();

    QCOMPARE(errorLines(dialogs), errors);
    if (column >= 0)
        QCOMPARE(form->columnWidthTwips(column), expected);
    else
        QCOMPARE(MainWindow::windowStateNumber(form->windowState()), int(expected));
    QCOMPARE(form->maximizedLayoutFlag(), flag);
    // The rest of start-up went on: every column is there and the list works.
    QCOMPARE(form->listModel()->columnCount(), 10);
    QCOMPARE(form->columnWidthTwips(9), 1700.0);
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(1, QStringLiteral("'Printer'"), QStringLiteral("'8/31/2021'"), QStringLiteral("'Open'"));
    form->refillList();
    QCOMPARE(shownIds(*form), QStringList{"1"});
}

void TestMainWindow::storedViewOutOfBoundsReadsAsDefault_data()
{
    QTest::addColumn<QStringList>("stored"); // key=text
    QTest::addColumn<int>("sortColumn");
    QTest::addColumn<bool>("descending");
    QTest::addColumn<bool>("showClosed");
    QTest::addColumn<bool>("findBar");

    QTest::newRow("nothing stored") << QStringList() << -1 << false << false << true;
    QTest::newRow("column past the last")
        << QStringList{"SortColumn=10", "SortOrder=1"} << -1 << false << false << true;
    QTest::newRow("last column, descending")
        << QStringList{"SortColumn= 9 ", "SortOrder=1"} << 9 << true << false << true;
    QTest::newRow("order other than 1 ascends")
        << QStringList{"SortColumn=0", "SortOrder=2"} << 0 << false << false << true;
    QTest::newRow("switch stored as 2 is off")
        << QStringList{"ShowClosed=2", "FindBar=2"} << -1 << false << false << false;
    QTest::newRow("switch not a number") << QStringList{"ShowClosed=yes", "FindBar=no"} << -1 << false << false << true;
}

void TestMainWindow::storedViewOutOfBoundsReadsAsDefault()
{
    QFETCH(QStringList, stored);
    for (const QString &setting : stored)
        platform::saveSetting(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    ScriptedDialogs dialogs;
    auto form = started();

    QCOMPARE(errorLines(dialogs), QStringList());
    QTEST(form->listModel()->sortColumn(), "sortColumn");
    QTEST(form->listModel()->sortOrder() == Qt::DescendingOrder, "descending");
    QTEST(form->filterBar()->showsClosed(), "showClosed");
    QTEST(form->filterBar()->isVisibleTo(form.get()), "findBar");
}

void TestMainWindow::brokenDatabaseStartUp_data()
{
    QTest::addColumn<bool>("templateThere");
    QTest::addColumn<QByteArray>("existing"); // dbData.mdb before start-up; empty: none
    QTest::addColumn<QStringList>("errors");
    QTest::newRow("template missing") << false << QByteArray()
                                      << QStringList{"Form_Load at line 110", "Form_Load at line 124",
                                                     "ListData at line 104"};
    QTest::newRow("dbData.mdb is no database") << true << QByteArray("Somebody's notes, not a database.\n")
                                               << QStringList{"Form_Load at line 124", "ListData at line 104"};
}

void TestMainWindow::brokenDatabaseStartUp()
{
    QFETCH(bool, templateThere);
    QFETCH(QByteArray, existing);
    QFETCH(QStringList, errors);

    if (!templateThere)
        QVERIFY(QFile::remove(programFolder() + QStringLiteral("/dbBlank.mdb")));
    if (!existing.isEmpty()) {
        QDir().mkpath(DataFile::dataFolder());
        QFile file(DataFile::databasePath());
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(existing);
    }
    ScriptedDialogs dialogs;
    auto form = started();
    QCOMPARE(errorLines(dialogs), errors);
    QCOMPARE(form->listModel()->columnCount(), 10);
    QCOMPARE(form->listModel()->rowCount(), 0);
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    form->close();

    // A file that is there is never overwritten, not even by closing.
    QFile file(DataFile::databasePath());
    QCOMPARE(file.exists(), !existing.isEmpty());
    if (file.open(QIODevice::ReadOnly))
        QCOMPARE(file.readAll(), existing);
}

// ---------------------------------------------------------------------------
// The issue list

void TestMainWindow::listDataFillsEveryCell_data()
{
    QTest::addColumn<QStringList>("issue"); // title, opened, status, due, comment, assigned to
    QTest::addColumn<QStringList>("cells"); // the row shown; empty: no row
    // Missing values are told in one plain message per refill, not an
    // error box per cell; a missing due date is no news.
    QTest::addColumn<QStringList>("messages");

    const QString edit =
        QStringLiteral("; those cells are empty.\r\nEdit the issue (or its contacts) to fill them in.");
    QTest::newRow("no due date, no comment: empty cells")
        << QStringList{"'Printer'", "'8/31/2021'", "'Open'", "Null", "Null", "1"}
        << QStringList{"7", "Printer", "Ann Lee", "Ann Lee", "8/31/2021", "", "Open", "Bug", "High", ""}
        << QStringList();
    QTest::newRow("no title: told once, row completed")
        << QStringList{"Null", "'8/31/2021'", "'Open'", "Null", "'x'", "1"}
        << QStringList{"7", "", "Ann Lee", "Ann Lee", "8/31/2021", "", "Open", "Bug", "High", "x"}
        << QStringList{"1 issue in the list has no value under Title" + edit};
    QTest::newRow("no such contact, no opened date, no status")
        << QStringList{"'Printer'", "Null", "Null", "Null", "Null", "99"}
        << QStringList{"7", "Printer", "", "Ann Lee", "", "", "", "Bug", "High", ""}
        << QStringList{"1 issue in the list has no value under Assigned To and Status" + edit};
    QTest::newRow("no opened date (stored by an older version): no box")
        << QStringList{"'Printer'", "Null", "'Open'", "Null", "Null", "1"}
        << QStringList{"7", "Printer", "Ann Lee", "Ann Lee", "", "", "Open", "Bug", "High", ""} << QStringList();
    QTest::newRow("closed issue not listed")
        << QStringList{"'Done'", "'8/31/2021'", "' closed '", "Null", "Null", "1"} << QStringList() << QStringList();
}

void TestMainWindow::listDataFillsEveryCell()
{
    QFETCH(QStringList, issue);
    QFETCH(QStringList, cells);
    QFETCH(QStringList, messages);

    ScriptedDialogs dialogs;
    auto form = started();
    QCOMPARE(errorLines(dialogs), QStringList()); // an empty list shows no box
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    // The database refuses an issue of a contact that does not exist, so a
    // row left behind by an older file is made by deleting its contact.
    const int assignedTo = issue[5].toInt();
    if (assignedTo != 1)
        addContact(assignedTo, QStringLiteral("Gone"), QStringLiteral("Soon"));
    addIssue(7, issue[0], issue[1], issue[2], issue[3], issue[4], assignedTo);
    if (assignedTo != 1)
        execute(QStringLiteral("delete from Contacts where ID=%1").arg(assignedTo));
    form->refillList();

    QCOMPARE(errorLines(dialogs), QStringList());
    QStringList shownMessages;
    for (const ScriptedDialogs::Box &box : dialogs.boxes)
        shownMessages.append(box.text);
    QCOMPARE(shownMessages, messages);
    if (cells.isEmpty()) {
        QCOMPARE(form->listModel()->rowCount(), 0);
        return;
    }
    QCOMPARE(form->listModel()->rowCount(), 1);
    QStringList shown;
    for (int column = 0; column < 10; ++column)
        shown.append(form->listModel()->cell(0, column));
    QCOMPARE(shown, cells);
}

// Every command refills the list: the box comes once for each new set of
// gaps, and a quiet line under the list keeps saying it.
void TestMainWindow::missingValuesToldOncePerSet()
{
    ScriptedDialogs dialogs;
    auto form = started();
    const auto *line = form->findChild<QLabel *>(QStringLiteral("missingValuesLine"));
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(7, QStringLiteral("Null"), QStringLiteral("'8/31/2021'"), QStringLiteral("'Open'"));
    for (int refill = 0; refill < 3; ++refill)
        form->refillList();
    QCOMPARE(dialogs.boxes.size(), 1);
    QVERIFY(line->isVisibleTo(form.get()));
    QCOMPARE(line->text(), QStringLiteral("1 issue in the list has no value under Title."));
    addIssue(8, QStringLiteral("Null"), QStringLiteral("'8/31/2021'"), QStringLiteral("'Open'"));
    form->refillList();
    form->refillList();
    QCOMPARE(dialogs.boxes.size(), 2);
    QCOMPARE(line->text(), QStringLiteral("2 issues in the list have no value under Title."));
    execute(QStringLiteral("update Issues set Title='t'"));
    form->refillList();
    QVERIFY(!line->isVisibleTo(form.get()));
    QCOMPARE(dialogs.boxes.size(), 2);
}

void TestMainWindow::queryThatCannotOpenEmptiesTheList()
{
    ScriptedDialogs dialogs;
    auto form = started();
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(1, QStringLiteral("'A'"), QStringLiteral("'8/31/2021'"), QStringLiteral("'Open'"));
    form->refillList();
    QCOMPARE(form->listModel()->rowCount(), 1);

    sharedConnection().Close();
    form->refillList();
    QCOMPARE(errorLines(dialogs), QStringList{"ListData at line 104"});
    QCOMPARE(form->listModel()->rowCount(), 0);
}

void TestMainWindow::headerClicksSort_data()
{
    QTest::addColumn<QList<int>>("clicks"); // columns, counted from 0
    QTest::addColumn<QStringList>("ids");
    QTest::addColumn<int>("indicatorColumn");
    QTest::addColumn<Qt::SortOrder>("indicatorOrder");
    QTest::addColumn<QStringList>("afterRefill"); // once issue 5 "Bravo" 1/20/2021 Open joins

    // Issues 9 "beta" Open 1/5/2021, 10 "Alpha" Waiting 12/20/2020 due 3/1/2021,
    // 2 "charlie" Active 2/1/2021 due 10/1/2021.
    QTest::newRow("none: query order") << QList<int>{} << QStringList{"2", "9", "10"} << -1 << Qt::AscendingOrder
                                       << QStringList{"2", "5", "9", "10"};
    QTest::newRow("ID: 9 before 10") << QList<int>{0} << QStringList{"2", "9", "10"} << 0 << Qt::AscendingOrder
                                     << QStringList{"2", "5", "9", "10"};
    QTest::newRow("ID twice") << QList<int>{0, 0} << QStringList{"10", "9", "2"} << 0 << Qt::DescendingOrder
                              << QStringList{"10", "9", "5", "2"};
    QTest::newRow("Title twice") << QList<int>{1, 1} << QStringList{"2", "9", "10"} << 1 << Qt::DescendingOrder
                                 << QStringList{"2", "5", "9", "10"};
    QTest::newRow("Title three times") << QList<int>{1, 1, 1} << QStringList{"10", "9", "2"} << 1 << Qt::AscendingOrder
                                       << QStringList{"10", "9", "5", "2"};
    QTest::newRow("Title twice, then Status") << QList<int>{1, 1, 6} << QStringList{"2", "9", "10"} << 6
                                              << Qt::AscendingOrder << QStringList{"2", "5", "9", "10"};
    QTest::newRow("Opened Date chronologically")
        << QList<int>{4} << QStringList{"10", "9", "2"} << 4 << Qt::AscendingOrder << QStringList{"10", "9", "5", "2"};
    QTest::newRow("Due Date, empty first")
        << QList<int>{5} << QStringList{"9", "10", "2"} << 5 << Qt::AscendingOrder << QStringList{"5", "9", "10", "2"};
    QTest::newRow("Due Date descending, empty last") << QList<int>{5, 5} << QStringList{"2", "10", "9"} << 5
                                                     << Qt::DescendingOrder << QStringList{"2", "10", "5", "9"};
}

void TestMainWindow::headerClicksSort()
{
    QFETCH(QList<int>, clicks);
    QFETCH(QStringList, ids);
    QFETCH(int, indicatorColumn);
    QFETCH(Qt::SortOrder, indicatorOrder);
    QFETCH(QStringList, afterRefill);

    ScriptedDialogs dialogs;
    auto form = started();
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(2, QStringLiteral("'charlie'"), QStringLiteral("'2/1/2021'"), QStringLiteral("'Active'"),
             QStringLiteral("'10/1/2021'"));
    addIssue(9, QStringLiteral("'beta'"), QStringLiteral("'1/5/2021'"), QStringLiteral("'Open'"));
    addIssue(10, QStringLiteral("'Alpha'"), QStringLiteral("'12/20/2020'"), QStringLiteral("'Waiting'"),
             QStringLiteral("'3/1/2021'"));
    form->refillList();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));

    QHeaderView *header = ui(*form).issueList->header();
    for (const int column : clicks) {
        const QPoint inside(header->sectionViewportPosition(column) + header->sectionSize(column) / 2,
                            header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, inside);
    }
    QCOMPARE(shownIds(*form), ids);
    QCOMPARE(header->sortIndicatorSection(), indicatorColumn);
    if (indicatorColumn >= 0)
        QCOMPARE(header->sortIndicatorOrder(), indicatorOrder);

    // The sort survives a refill that brings a new row.
    addIssue(5, QStringLiteral("'Bravo'"), QStringLiteral("'1/20/2021'"), QStringLiteral("'Open'"));
    form->refillList();
    QCOMPARE(shownIds(*form), afterRefill);
    QCOMPARE(errorLines(dialogs), QStringList());
}

// The history's two date columns: away until the user shows them from the
// header's menu (the ten columns and their keys as ever), remembered under
// keys of their own, read from the history, sorted as dates, found by the
// find bar, and gone again with the rows that held them when hidden.
void TestMainWindow::historyDateColumnsOnRequest()
{
    ScriptedDialogs dialogs;
    auto form = started();
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(1, QStringLiteral("'Printer'"), QStringLiteral("'8/31/2021'"), QStringLiteral("'Open'"));
    addIssue(2, QStringLiteral("'Mail'"), QStringLiteral("'8/30/2021'"), QStringLiteral("'Open'"));
    addIssue(3, QStringLiteral("'Screen'"), QStringLiteral("'8/29/2021'"), QStringLiteral("'Open'"));
    execute(QStringLiteral("update Issues set Status = 'Closed' where ID = 2"));
    execute(QStringLiteral("update Issues set Title = 'Screen flickers' where ID = 3"));
    // Every entry of an issue at one time: 1 oldest, then 3, then 2 (closed).
    const QList<QDateTime> at{QDateTime(QDate(2026, 1, 5), QTime(9, 30)), QDateTime(QDate(2026, 3, 2), QTime(16, 5)),
                              QDateTime(QDate(2026, 2, 10), QTime(11, 0))};
    for (int id = 1; id <= 3; ++id)
        execute(QStringLiteral("update History set ChangedAt = %1 where ItemID = %2")
                    .arg(at[id - 1].toMSecsSinceEpoch())
                    .arg(id));
    form->filterBar()->setShowsClosed(true);
    QCOMPARE(form->listModel()->columnCount(), 10);
    QCOMPARE(form->listModel()->cell(0, IssueListModel::closedDateColumn), QString());

    QMenu *menu = form->headerMenu();
    emit menu->aboutToShow();
    QList<QAction *> columns;
    for (QAction *action : menu->actions())
        if (action->text() == QLatin1String("&Closed Date") || action->text() == QLatin1String("&Last Changed"))
            columns << action;
    QCOMPARE(columns.size(), 2);
    for (QAction *action : columns) {
        QVERIFY(!action->isChecked());
        action->trigger();
    }
    QCOMPARE(form->listModel()->columnCount(), 12);
    QCOMPARE(form->listModel()->headerData(10, Qt::Horizontal).toString(), QStringLiteral("Closed Date"));
    QCOMPARE(form->listModel()->headerData(11, Qt::Horizontal).toString(), QStringLiteral("Last Changed"));
    const QString closedText = Value(at[1]).toText();
    const auto cellOf = [&](const QString &id, int column) {
        return form->listModel()->cell(form->listModel()->rowOfFirstCell(id), column);
    };
    QCOMPARE(cellOf("2", IssueListModel::closedDateColumn), closedText);
    QCOMPARE(cellOf("1", IssueListModel::closedDateColumn), QString());
    QCOMPARE(cellOf("3", IssueListModel::lastChangedColumn), Value(at[2]).toText());

    // Sorted as dates, not as their texts ("3/2/2026" after "2/10/2026").
    form->sortByColumn(IssueListModel::lastChangedColumn);
    QCOMPARE(shownIds(*form), (QStringList{"1", "3", "2"}));
    form->sortByColumn(IssueListModel::lastChangedColumn);
    QCOMPARE(shownIds(*form), (QStringList{"2", "3", "1"}));
    form->sortByColumn(IssueListModel::closedDateColumn);
    QCOMPARE(shownIds(*form).last(), QStringLiteral("2"));

    ui(*form).findBox->setText(closedText.section(u' ', 0, 0));
    form->listSearch()->waitUntilApplied();
    QCOMPARE(shownIds(*form), QStringList{"2"});
    ui(*form).findBox->clear();
    form->listSearch()->waitUntilApplied();

    QCOMPARE(platform::readSetting(QStringLiteral("Columns/ClosedDate"), QString()), QStringLiteral("1"));
    QCOMPARE(platform::readSetting(QStringLiteral("Columns/LastChanged"), QString()), QStringLiteral("1"));
    form->close();
    form.reset();
    // The ten widths are kept as ever; the two new columns keep none.
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders10"), QString()), QStringLiteral("1700"));
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders11"), QStringLiteral("none")), QStringLiteral("none"));
    QCOMPARE(platform::readSetting(QStringLiteral("SortColumn"), QString()), QStringLiteral("10"));

    auto again = started();
    QCOMPARE(again->listModel()->columnCount(), 12);
    QCOMPARE(again->listModel()->sortColumn(), int(IssueListModel::closedDateColumn));
    QCOMPARE(again->listModel()->cell(again->listModel()->rowOfFirstCell("2"), IssueListModel::closedDateColumn),
             closedText);
    again->setHistoryColumns({false, true});
    QVERIFY(ui(*again).issueList->header()->isSectionHidden(IssueListModel::closedDateColumn));
    again->setHistoryColumns({});
    QCOMPARE(again->listModel()->columnCount(), 10);
    QCOMPARE(again->listModel()->sortColumn(), -1);
    ui(*again).findBox->setText(closedText.section(u' ', 0, 0));
    again->listSearch()->waitUntilApplied();
    QCOMPARE(shownIds(*again), QStringList());
    QCOMPARE(errorLines(dialogs), QStringList());
}

// ---------------------------------------------------------------------------
// A normal window made wider: Title takes the width the other columns
// leave, and is kept at its own width; the window's place and size are kept
// under their own keys beside the Part's, and brought back at the next start.
void TestMainWindow::wideWindowTitleFillsAndPlaceSurvives()
{
    ScriptedDialogs dialogs;
    QRect placed;
    {
        auto form = started();
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        const QSize wide(form->width() * 2, form->height() + 40);
        form->setGeometry(QRect(QPoint(30, 40), wide));
        QTRY_COMPARE(form->size(), wide);
        QHeaderView *header = ui(*form).issueList->header();
        QTRY_COMPARE(header->length(), ui(*form).issueList->viewport()->width());
        QVERIFY(header->sectionSize(1) > platform::twipsToPixels(1700));
        QCOMPARE(form->columnWidthTwips(1), 1700.0);
        placed = form->geometry();
        form->close();
    }
    QCOMPARE(platform::readSetting(QStringLiteral("ColumnHeaders2"), QString()), QStringLiteral("1700"));
    QCOMPARE(platform::readSetting(QStringLiteral("WindowState"), QString()), QStringLiteral("0"));
    QCOMPARE(platform::readSetting(QStringLiteral("WindowWidth"), QString()).toInt(),
             qRound(platform::pixelsToTwips(placed.width())));
    auto again = started();
    QCOMPARE(again->geometry(), placed);
    QCOMPARE(errorLines(dialogs), QStringList());
}

// Layouts

void TestMainWindow::maximizedLayoutFormulas()
{
    // An odd width keeps its half twips.
    const MainWindowLayout layout = MainWindowLayout::maximized(20001.f, 9000.f);
    QCOMPARE(layout.list, QRectF(120, 120, 19671, 7290));
    QCOMPARE(layout.add, QRectF(4300.5, 7515, 3480, 405));
    QCOMPARE(layout.edit, QRectF(7900.5, 7515, 3480, 405));
    QCOMPARE(layout.sample, QRectF(11500.5, 7515, 3480, 405));
    QCOMPARE(layout.remove, QRectF(4300.5, 8025, 3480, 405));
    QCOMPARE(layout.reports, QRectF(7900.5, 8025, 3480, 405));
    QCOMPARE(layout.help, QRectF(11500.5, 8025, 3480, 405));
}

namespace {

// The list's place: the find bar, when shown, takes its top.
QRect listArea(const MainWindow &form)
{
    const QRect list = ui(form).issueList->geometry();
    return form.filterBar()->isVisible() ? list.united(form.filterBar()->geometry()) : list;
}

void verifyDesignLayout(const MainWindow &form)
{
    using platform::twipsRect;
    const QList<QPair<QWidget *, QRect>> design = {{ui(form).issueList, twipsRect(120, 120, 10680, 5475)},
                                                   {ui(form).addButton, twipsRect(120, 5685, 3480, 405)},
                                                   {ui(form).editButton, twipsRect(3720, 5685, 3480, 405)},
                                                   {ui(form).sampleDataButton, twipsRect(7320, 5685, 3480, 405)},
                                                   {ui(form).deleteButton, twipsRect(120, 6195, 3480, 405)},
                                                   {ui(form).reportsButton, twipsRect(3720, 6195, 3480, 405)},
                                                   {ui(form).helpButton, twipsRect(7320, 6195, 3480, 405)}};
    for (const auto &[control, where] : design)
        QCOMPARE(control == ui(form).issueList ? listArea(form) : control->geometry(), where);
}

void verifyCentred(const MainWindow &form)
{
    const QPoint offset = form.frameGeometry().center() - form.screen()->geometry().center();
    QVERIFY2(qAbs(offset.x()) <= 1 && qAbs(offset.y()) <= 1,
             qPrintable(QStringLiteral("frame at %1,%2").arg(form.frameGeometry().x()).arg(form.frameGeometry().y())));
}

} // namespace

void TestMainWindow::maximizeThenRestore()
{
    platform::saveSetting(QStringLiteral("WindowState"), QStringLiteral("2"));
    ScriptedDialogs dialogs;
    auto form = started();
    QVERIFY(form->maximizedLayoutFlag());

    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    QTRY_VERIFY(form->isMaximized());
    const QRect frame = form->frameGeometry();
    const float W = float(platform::pixelsToTwips(frame.width()));
    const float H = float(platform::pixelsToTwips(frame.height()));
    QTRY_COMPARE(ui(*form).issueList->width(), platform::twipsToPixels(W - 330));
    QCOMPARE(listArea(*form).height(), platform::twipsToPixels(H - 1710));
    QCOMPARE(ui(*form).addButton->pos(),
             QPoint(platform::twipsToPixels(W / 2 - 5700), platform::twipsToPixels(H - 1485)));
    QCOMPARE(ui(*form).helpButton->pos(),
             QPoint(platform::twipsToPixels(W / 2 + 1500), platform::twipsToPixels(H - 975)));

    form->showNormal();
    QTRY_COMPARE(form->size(),
                 platform::twipsRect(0, 0, MainWindowLayout::designWidth, MainWindowLayout::designHeight).size());
    verifyDesignLayout(*form);
    QTRY_VERIFY(qAbs(form->frameGeometry().center().x() - form->screen()->geometry().center().x()) <= 1);
    verifyCentred(*form);
    QVERIFY(form->maximizedLayoutFlag()); // stays set
    // Never a fixed size, or window managers refuse to maximize it.
    QCOMPARE(form->minimumSize(), form->size());
    QCOMPARE(form->maximumSize(), QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX));
}

void TestMainWindow::restoreFromMinimized_data()
{
    QTest::addColumn<bool>("maximizedBefore");
    QTest::addColumn<bool>("centred");
    QTest::newRow("never maximized: nothing moves") << false << false;
    QTest::newRow("once maximized: restored and centred") << true << true;
}

void TestMainWindow::restoreFromMinimized()
{
    QFETCH(bool, maximizedBefore);
    QFETCH(bool, centred);

    ScriptedDialogs dialogs;
    auto form = started();
    form->show();
    QVERIFY(QTest::qWaitForWindowExposed(form.get()));
    if (maximizedBefore) {
        form->showMaximized();
        QTRY_VERIFY(form->isMaximized());
        form->showNormal();
        QTRY_VERIFY(!form->isMaximized());
    }
    const QPoint aside(5, 7);
    form->move(aside);
    QTRY_COMPARE(form->pos(), aside);
    form->showMinimized();
    QTRY_VERIFY(form->isMinimized());
    form->showNormal();
    QTRY_VERIFY(!form->isMinimized());
    QCOMPARE(form->maximizedLayoutFlag(), maximizedBefore);
    verifyDesignLayout(*form);
    if (centred)
        verifyCentred(*form);
    else
        QCOMPARE(form->pos(), aside);
}

// ---------------------------------------------------------------------------
// The pointer: the hand over the six buttons, the arrow over the window and
// the list, with or without HAND-M.CUR beside the program.

void TestMainWindow::handPointer_data()
{
    hover::addRows({
        {"Add New Issue", "", {"ListView1", "PushButton2"}, 99},
        {"Edit Selected Issue", "", {"ListView1", "PushButton1"}, 99},
        {"Load Sample/Example Data", "", {"ListView1", "PushButton4"}, 99},
        {"Delete Selected Issue", "", {"ListView1", "PushButton3"}, 99},
        {"Reports", "", {"ListView1", "PushButton5"}, 99},
        {"Help", "", {"ListView1", "PushButton6"}, 99},
        {"button, then the list", "", {"PushButton2", "ListView1"}, 0},
        {"button, then the window", "", {"PushButton6", hover::surface}, 0},
        {"busy window over a button", "window", {"PushButton2"}, 11},
        {"busy program over button and list", "application", {"PushButton5", "ListView1"}, 11},
    });
}

void TestMainWindow::handPointer()
{
    QFETCH(bool, withFile);
    hover::placeCursorFile(withFile);
    ScriptedDialogs dialogs;
    auto form = started();
    hover::checkRow(*form);
    QCOMPARE(errorLines(dialogs), QStringList());
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
