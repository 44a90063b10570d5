// The six commands under the issue list: what each shows, what it sends to
// the database, and what the list shows and selects afterwards.

#include "MainWindowFixture.h"

#include "app/BulkEditDialog.h"
#include "data/Recordset.h"
#include "issues/IssueEditor.h"
#include "reports/ReportChooser.h"
#include "tests/support/MainWindowControls.h"

#include <QAction>
#include <QPushButton>
#include <QTest>
#include <QTreeView>

using namespace form1test;

namespace {

// The error boxes of the main window's own operations.
QStringList mainWindowErrors(const ScriptedDialogs &dialogs)
{
    QStringList lines;
    for (const QString &line : errorLines(dialogs))
        if (!line.contains(QStringLiteral("Pellucid")))
            lines.append(line);
    return lines;
}

int issuesInDatabase()
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT Count(Issues.ID) AS [CountID] From Issues"), sharedConnection());
    return int(rs.Fields(QStringLiteral("CountID")).toInteger());
}

} // namespace

class TestMainWindowCommands : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init();
    void cleanup()
    {
        m_form.reset();
        m_dialogs.reset(); // uninstalls it, before the next one is installed
    }

    void withoutSelectionEditAndDeleteDoNothing_data();
    void withoutSelectionEditAndDeleteDoNothing();
    void deleteAsksThenDeletes_data();
    void deleteAsksThenDeletes();
    void deleteFailureStillRefills();
    void undoDeleteAfterARestart();
    void deleteOfSeveralAsksOnceAndUndoesAtOnce();
    void bulkEditClosesSeveralAndUndoesAtOnce();
    void bulkEditSavesAgainstTheVersionsListed();
    void addRefillsWhetherOrNotSaved_data();
    void addRefillsWhetherOrNotSaved();
    void editSelectsTheEditedIssueAgain_data();
    void editSelectsTheEditedIssueAgain();
    void reportsDoNotRefill();
    void helpShowsTheContactAddress();
    void sampleDataFillsTheList();

private:
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestMainWindowCommands::init()
{
    freshMachine();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_form = started();
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(3, QStringLiteral("'Printer jams'"), QStringLiteral("'8/1/2021'"), QStringLiteral("'Open'"));
    addIssue(5, QStringLiteral("'O''Brien''s laptop'"), QStringLiteral("'8/2/2021'"), QStringLiteral("'Open'"));
    addIssue(8, QStringLiteral("'VPN drops'"), QStringLiteral("'8/3/2021'"), QStringLiteral("'Open'"));
    m_form->refillList();
    m_dialogs->boxes.clear();
}

void TestMainWindowCommands::withoutSelectionEditAndDeleteDoNothing_data()
{
    QTest::addColumn<bool>("emptyList");
    QTest::addColumn<bool>("edit");
    QTest::newRow("rows, none selected: edit") << false << true;
    QTest::newRow("rows, none selected: delete") << false << false;
    QTest::newRow("empty list: edit") << true << true;
    QTest::newRow("empty list: delete") << true << false;
}

void TestMainWindowCommands::withoutSelectionEditAndDeleteDoNothing()
{
    QFETCH(bool, emptyList);
    QFETCH(bool, edit);
    if (emptyList) {
        execute(QStringLiteral("delete from Issues"));
        m_form->refillList();
    }
    m_form->selectRow(-1);
    (edit ? ui(*m_form).editButton : ui(*m_form).deleteButton)->click();
    QCOMPARE(m_dialogs->boxes.size(), 0);
    QCOMPARE(m_dialogs->modalTitles.size(), 0);
    QCOMPARE(issuesInDatabase(), emptyList ? 0 : 3);
}

void TestMainWindowCommands::deleteAsksThenDeletes_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<platform::Answer>("answer");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QStringList>("idsAfter");
    QTest::addColumn<QString>("selectedAfter"); // the row that took the deleted one's place
    QTest::addColumn<bool>("listsLater");       // issue 9 is listed before the delete

    // Issue 9 is added behind the list's back: it shows only after a refill.
    QTest::newRow("yes, title with apostrophes")
        << "5" << platform::Answer::Yes
        << QString::fromUtf8("Are you sure you want to delete [O'Brien's laptop]?\r\nIssue 5 “O'Brien's laptop” goes "
                             "alone: its contacts and list values stay.\r\nDo you wish to continue?")
        << QStringList{"3", "8", "9"} << "8" << false;
    QTest::newRow("yes, the last row") << "9" << platform::Answer::Yes
                                       << QString::fromUtf8("Are you sure you want to delete [Later]?\r\nIssue 9 "
                                                            "“Later” goes alone: its contacts and list values "
                                                            "stay.\r\nDo you wish to continue?")
                                       << QStringList{"3", "5", "8"} << "8" << true;
    QTest::newRow("no: nothing sent, no refill")
        << "3" << platform::Answer::No
        << QString::fromUtf8("Are you sure you want to delete [Printer jams]?\r\nIssue 3 “Printer jams” goes alone: "
                             "its contacts and list values stay.\r\nDo you wish to continue?")
        << QStringList{"3", "5", "8"} << "3" << false;
}

void TestMainWindowCommands::deleteAsksThenDeletes()
{
    QFETCH(QString, id);
    QFETCH(platform::Answer, answer);
    QFETCH(QString, question);
    QFETCH(QStringList, idsAfter);
    QFETCH(QString, selectedAfter);
    QFETCH(bool, listsLater);

    addIssue(9, QStringLiteral("'Later'"), QStringLiteral("'8/4/2021'"), QStringLiteral("'Open'"));
    if (listsLater)
        m_form->refillList();
    m_form->selectRow(m_form->listModel()->rowOfFirstCell(id));
    m_dialogs->answers = {answer};
    ui(*m_form).deleteButton->click();

    QCOMPARE(m_dialogs->boxes.size(), 1);
    const ScriptedDialogs::Box &box = m_dialogs->boxes.first();
    QCOMPARE(box.text, question);
    QCOMPARE(box.title, platform::applicationTitle());
    QCOMPARE(box.buttons, platform::Buttons::YesNoDefaultNo);
    QCOMPARE(box.icon, platform::Icon::None);
    QCOMPARE(shownIds(*m_form), idsAfter);
    QCOMPARE(issuesInDatabase(), answer == platform::Answer::Yes ? 3 : 4);
    QCOMPARE(m_form->selectedRow(), m_form->listModel()->rowOfFirstCell(selectedAfter));
}

void TestMainWindowCommands::deleteFailureStillRefills()
{
    m_form->selectRow(0);
    sharedConnection().Close();
    ui(*m_form).deleteButton->click();
    // The refill meets the same closed database: one command, one box.
    QCOMPARE(mainWindowErrors(*m_dialogs), (QStringList{"PushButton3_Click at line 104"}));
    QCOMPARE(m_form->listModel()->rowCount(), 0);
    m_dialogs->boxes.clear();
    ui(*m_form).sampleDataButton->click(); // the sample data: dozens of steps, one box
    QCOMPARE(m_dialogs->errorBoxes().size(), 1);
}

void TestMainWindowCommands::undoDeleteAfterARestart()
{
    m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
    m_dialogs->answers = {platform::Answer::Yes};
    ui(*m_form).deleteButton->click();
    m_form.reset();
    m_form = started();
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "8"}));

    auto *undo = m_form->findChild<QAction *>(QStringLiteral("undoDelete"));
    QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    undo->trigger();
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "5", "8"}));
    QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 1), QStringLiteral("O'Brien's laptop"));
    undo->trigger();
    QCOMPARE(m_dialogs->boxes.last().text, QStringLiteral("There is no delete to undo."));
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
}

void TestMainWindowCommands::deleteOfSeveralAsksOnceAndUndoesAtOnce()
{
    auto *list = m_form->findChild<QTreeView *>(QStringLiteral("ListView1"));
    const int stored = issuesInDatabase();
    m_form->selectRow(0);
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    m_dialogs->answers = {platform::Answer::No, platform::Answer::Yes};
    ui(*m_form).deleteButton->click();
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "5", "8"}));
    ui(*m_form).deleteButton->click();
    QCOMPARE(m_dialogs->boxes.size(), 2);
    QVERIFY(m_dialogs->boxes.last().text.startsWith(QLatin1String("Are you sure you want to delete these 3 issues?")));
    QCOMPARE(shownIds(*m_form), QStringList());
    QCOMPARE(issuesInDatabase(), stored - 3);
    m_form->findChild<QAction *>(QStringLiteral("undoDelete"))->trigger();
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "5", "8"}));
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());

    // One row among several keeps its own question.
    m_form->selectRow(1);
    m_dialogs->answers = {platform::Answer::No};
    ui(*m_form).deleteButton->click();
    QVERIFY(m_dialogs->boxes.last().text.startsWith(QLatin1String("Are you sure you want to delete [")));
}

// A bulk edit of three selected issues: one of nothing is refused with the
// window kept open; "Close" asks once with the count and adds the missing
// "Closed" as a single close does; the issue someone else saved while the
// window was open is named and left open, the other two are closed; Ctrl+Z
// reopens both in one step.
void TestMainWindowCommands::bulkEditClosesSeveralAndUndoesAtOnce()
{
    auto *list = m_form->findChild<QTreeView *>(QStringLiteral("ListView1"));
    m_form->selectRow(0);
    QTest::keyClick(list, Qt::Key_A, Qt::ControlModifier);
    QStringList refusals;
    m_dialogs->modalScripts = {[&](QDialog &window) {
        auto *dialog = qobject_cast<BulkEditDialog *>(&window);
        QVERIFY(dialog);
        dialog->saveButton->click();
        refusals << m_dialogs->boxes.value(0).text;
        // Another user's save while the window is open.
        execute(QStringLiteral("update Issues set Title='VPN drops daily' where ID=8"));
        dialog->closingPicker->setCurrentIndex(1);
        dialog->saveButton->click();
    }};
    m_dialogs->answers = {platform::Answer::Yes, platform::Answer::Yes};
    m_form->findChild<QAction *>(QStringLiteral("bulkEdit"))->trigger();
    QCOMPARE(refusals, QStringList{"Pick a value for at least one field, or press Cancel."});
    QCOMPARE(m_dialogs->boxes.size(), 4);
    QVERIFY(m_dialogs->boxes[1].text.startsWith(QLatin1String("Change these 3 issues?")));
    QVERIFY(m_dialogs->boxes[2].text.endsWith(QLatin1String("Add \"Closed\" to the status list and close these "
                                                            "issues?")));
    QCOMPARE(m_dialogs->boxes[3].text, QStringLiteral("2 issues saved.\r\nSomeone else changed these since you "
                                                      "listed them, so they were left as they are:\r\n  Issue 8 "
                                                      "\u201cVPN drops daily\u201d"));
    QCOMPARE(shownIds(*m_form), QStringList{"8"});
    auto *undo = m_form->findChild<QAction *>(QStringLiteral("undoDelete"));
    QCOMPARE(undo->text(), QStringLiteral("&Undo Bulk Edit of 2 Issues"));
    undo->trigger();
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "5", "8"}));
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
    QCOMPARE(m_dialogs->boxes.size(), 4);
}

// Someone else's change made after the list showed the issues, before the
// bulk edit began, is reported and left alone: the list's versions count,
// not those read when the command starts.
void TestMainWindowCommands::bulkEditSavesAgainstTheVersionsListed()
{
    execute(QStringLiteral("insert into [Status] values ('Closed')"));
    execute(QStringLiteral("update Issues set Title='Printer on fire' where ID=3"));
    m_form->selectRow(0);
    QTest::keyClick(m_form->findChild<QTreeView *>(QStringLiteral("ListView1")), Qt::Key_A, Qt::ControlModifier);
    m_dialogs->modalScripts = {[&](QDialog &window) {
        auto *dialog = qobject_cast<BulkEditDialog *>(&window);
        QVERIFY(dialog);
        dialog->closingPicker->setCurrentIndex(1);
        dialog->saveButton->click();
    }};
    m_dialogs->answers = {platform::Answer::Yes};
    m_form->findChild<QAction *>(QStringLiteral("bulkEdit"))->trigger();
    QCOMPARE(m_dialogs->boxes.size(), 2);
    QCOMPARE(m_dialogs->boxes[1].text, QStringLiteral("2 issues saved.\r\nSomeone else changed these since you "
                                                      "listed them, so they were left as they are:\r\n  Issue 3 "
                                                      "\u201cPrinter on fire\u201d"));
    QCOMPARE(shownIds(*m_form), QStringList{"3"});
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
}

void TestMainWindowCommands::addRefillsWhetherOrNotSaved_data()
{
    QTest::addColumn<bool>("save");
    QTest::newRow("saved") << true;
    QTest::newRow("cancelled") << false;
}

void TestMainWindowCommands::addRefillsWhetherOrNotSaved()
{
    QFETCH(bool, save);
    // Written behind the list's back: shows only if the list is refilled.
    addIssue(9, QStringLiteral("'Unseen so far'"), QStringLiteral("'8/4/2021'"), QStringLiteral("'Open'"));
    QString idGiven = QStringLiteral("unset");
    m_dialogs->modalScripts = {[&](QDialog &window) {
        auto *editor = qobject_cast<IssueEditor *>(&window);
        QVERIFY(editor);
        idGiven = editor->issueId;
        if (save)
            addIssue(11, QStringLiteral("'New one'"), QStringLiteral("'8/5/2021'"), QStringLiteral("'Open'"));
        window.reject();
    }};
    ui(*m_form).addButton->click();

    QCOMPARE(m_dialogs->modalTitles, QStringList{"Add New Issue"});
    QCOMPARE(idGiven, QString());
    QCOMPARE(shownIds(*m_form), save ? (QStringList{"3", "5", "8", "9", "11"}) : (QStringList{"3", "5", "8", "9"}));
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
}

void TestMainWindowCommands::editSelectsTheEditedIssueAgain_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<QString>("change"); // the update the editor makes
    QTest::addColumn<bool>("sortByTitle");
    QTest::addColumn<int>("selectedAfter"); // row, -1 for none

    QTest::newRow("last row, unchanged") << "8" << QString() << false << 2;
    QTest::newRow("retitled in a sorted list: follows the issue")
        << "3"
        << "update Issues set Title='Zebra printer' where ID=3" << true << 2;
    QTest::newRow("closed: leaves the list, nothing selected")
        << "8"
        << "update Issues set Status='Closed' where ID=8" << false << -1;
    QTest::newRow("closed in the middle: not its neighbour")
        << "5"
        << "update Issues set Status='Closed' where ID=5" << false << -1;
}

void TestMainWindowCommands::editSelectsTheEditedIssueAgain()
{
    QFETCH(QString, id);
    QFETCH(QString, change);
    QFETCH(bool, sortByTitle);
    QFETCH(int, selectedAfter);

    if (sortByTitle)
        m_form->sortByColumn(1);
    m_form->selectRow(m_form->listModel()->rowOfFirstCell(id));
    QString idGiven;
    m_dialogs->modalScripts = {[&](QDialog &window) {
        auto *editor = qobject_cast<IssueEditor *>(&window);
        QVERIFY(editor);
        idGiven = editor->issueId;
        if (!change.isEmpty())
            execute(change);
        window.accept();
    }};
    ui(*m_form).editButton->click();

    QCOMPARE(m_dialogs->modalTitles, QStringList{"Edit Data"});
    QCOMPARE(idGiven, id);
    QCOMPARE(m_form->selectedRow(), selectedAfter);
    if (selectedAfter >= 0)
        QCOMPARE(m_form->listModel()->cell(selectedAfter, 0), id);
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
}

void TestMainWindowCommands::reportsDoNotRefill()
{
    addIssue(9, QStringLiteral("'Unseen'"), QStringLiteral("'8/4/2021'"), QStringLiteral("'Open'"));
    bool sawChooser = false;
    m_dialogs->modalScripts = {[&](QDialog &window) {
        sawChooser = qobject_cast<ReportChooser *>(&window) != nullptr;
        window.reject();
    }};
    ui(*m_form).reportsButton->click();
    QVERIFY(sawChooser);
    QCOMPARE(shownIds(*m_form), (QStringList{"3", "5", "8"}));
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
}

void TestMainWindowCommands::helpShowsTheContactAddress()
{
    ui(*m_form).helpButton->click();
    const QList<ScriptedDialogs::Box> &boxes = m_dialogs->boxes;
    QCOMPARE(boxes.size(), 1);
    QCOMPARE(boxes.first().text,
             QStringLiteral("Questions? Please contact Team Tamberlyn at https://www.tamberlyn.example/contact/"));
    QCOMPARE(boxes.first().title, platform::applicationTitle());
    QCOMPARE(boxes.first().buttons, platform::Buttons::Ok);
    QCOMPARE(boxes.first().icon, platform::Icon::None);
}

void TestMainWindowCommands::sampleDataFillsTheList()
{
    const int before = m_form->listModel()->rowCount();
    ui(*m_form).sampleDataButton->click();
    QCOMPARE(mainWindowErrors(*m_dialogs), QStringList());
    QCOMPARE(m_form->listModel()->rowCount(), issuesInDatabase());
    QVERIFY(m_form->listModel()->rowCount() > before);
}

QTEST_MAIN(TestMainWindowCommands)
#include "tst_mainwindow_commands.moc"
