// The main window for daily work: the find bar and its filters, closed
// issues on demand with close and reopen, a window that grows, the keyboard
// map, and the view remembered between runs.

#include "MainWindowFixture.h"

#include "app/CsvDialogs.h"
#include "app/DeletedItemsWindow.h"
#include "app/FilterBar.h"
#include "app/ValueOrderDialog.h"
#include "app/ViewCommands.h"
#include "app/ViewsDialog.h"
#include "app/list/IssueSearch.h"
#include "contacts/ContactEditor.h"
#include "data/ValueOrder.h"
#include "issues/ContactPicker.h"
#include "issues/IssueEditor.h"
#include "platform/Twips.h"
#include "reports/ReportChooser.h"
#include "reports/ReportPreview.h"
#include "reports/engine/Layouts.h"
#include "tests/support/MainWindowControls.h"
#include "tests/support/WindowControls.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

using namespace form1test;

namespace {

QStringList shownTitles(const MainWindow &form)
{
    QStringList titles;
    for (int row = 0; row < form.listModel()->rowCount(); ++row)
        titles << form.listModel()->cell(row, 1);
    return titles;
}

// The access keys that several texts share ("Alt+R: &Reopen | &Refresh").
QStringList accessKeyClashes(const QString &where, const QStringList &texts)
{
    QMap<QChar, QStringList> byKey;
    for (const QString &text : texts)
        for (qsizetype i = 0; i + 1 < text.size(); ++i) {
            if (text[i] != u'&')
                continue;
            if (text[i + 1] != u'&') {
                byKey[text[i + 1].toUpper()].append(text);
                break;
            }
            ++i; // "&&" is a plain '&'
        }
    QStringList clashes;
    for (auto key = byKey.cbegin(); key != byKey.cend(); ++key)
        if (key->size() > 1)
            clashes << QStringLiteral("%1 Alt+%2: %3").arg(where, key.key(), key->join(QStringLiteral(" | ")));
    return clashes;
}

// The captions of a window's own buttons, captions with a buddy and group
// boxes (not those of windows over it).
QStringList captionsOf(QWidget &window)
{
    QStringList texts;
    for (QWidget *control : window.findChildren<QWidget *>()) {
        if (control->window() != &window)
            continue;
        if (const auto *button = qobject_cast<QAbstractButton *>(control))
            texts << button->text();
        else if (const auto *label = qobject_cast<QLabel *>(control); label && label->buddy())
            texts << label->text();
        else if (const auto *frame = qobject_cast<QGroupBox *>(control))
            texts << frame->title();
    }
    return texts;
}

void typeInFindBox(MainWindow &form, const QString &text)
{
    ui(form).findBox->setText(text);
    form.listSearch()->waitUntilApplied();
}

} // namespace

class TestDailyWork : public QObject {
    Q_OBJECT
    std::unique_ptr<ScriptedDialogs> m_dialogs;
    std::unique_ptr<MainWindow> m_form;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init()
    {
        freshMachine();
        m_dialogs = std::make_unique<ScriptedDialogs>();
        m_form = started();
        addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
        addContact(2, QStringLiteral("José"), QStringLiteral("Núñez"));
        addIssue(1, "'Printer jams'", "'8/1/2021'", "'Open'", "'8/9/2021'", "'paper tray'");
        addIssue(2, "'Café menu'", "'8/2/2021'", "'Waiting'", "Null", "'ÉCLAIRS'", 2);
        addIssue(3, "'VPN drops'", "'8/3/2021'", "'Open'", "'9/9/9999'", "Null", 2);
        m_form->refillList();
    }
    void cleanup()
    {
        m_form.reset();
        m_dialogs.reset();
    }

    void findKeepsMatchingRows_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QString>("counts");
        QTest::newRow("title, other case") << "PRINTER" << QStringList{"Printer jams"} << "1 of 3 issues";
        QTest::newRow("accents ignored both ways") << "cafe" << QStringList{"Café menu"} << "1 of 3 issues";
        QTest::newRow("comment, accented text typed plain") << "eclair" << QStringList{"Café menu"} << "1 of 3 issues";
        QTest::newRow("contact name column") << "nunez" << QStringList{"Café menu", "VPN drops"} << "2 of 3 issues";
        QTest::newRow("no match") << "zebra" << QStringList() << "0 of 3 issues";
        QTest::newRow("blank keeps all") << "  " << QStringList{"Printer jams", "Café menu", "VPN drops"}
                                         << "3 of 3 issues";
    }

    void findKeepsMatchingRows()
    {
        QFETCH(QString, typed);
        QFETCH(QStringList, titles);
        QFETCH(QString, counts);
        typeInFindBox(*m_form, QStringLiteral("p")); // a search to narrow from
        typeInFindBox(*m_form, typed);
        QCOMPARE(shownTitles(*m_form), titles);
        QCOMPARE(ui(*m_form).counts->text(), counts);
        QCOMPARE(m_form->emptyListHint().isEmpty(), !titles.isEmpty());
    }

    // The filter holds across a refill; the choices narrow too; Escape
    // clears everything.
    void filterSurvivesRefillAndEscapeClears()
    {
        typeInFindBox(*m_form, QStringLiteral("drops"));
        addIssue(4, "'Printer drops pages'", "'8/4/2021'", "'Open'");
        m_form->refillList();
        QCOMPARE(shownTitles(*m_form), QStringList({"VPN drops", "Printer drops pages"}));
        ui(*m_form).overdueOnly->setChecked(true); // due 9/9/9999 is not overdue; issue 4 has no due date
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(shownTitles(*m_form), QStringList());
        QTest::keyClick(ui(*m_form).findBox, Qt::Key_Escape);
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(shownTitles(*m_form).size(), 4);
        ui(*m_form).statusChoice->showPopup();
        ui(*m_form).statusChoice->hidePopup();
        ui(*m_form).statusChoice->setCurrentText(QStringLiteral("Waiting"));
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(shownTitles(*m_form), QStringList{"Café menu"});
    }

    // The choices write their terms into the query and show what it says; a
    // query that cannot be read is marked and leaves the list as it was;
    // "me" is asked for once.
    void queryAndChoicesAgree()
    {
        typeInFindBox(*m_form, QStringLiteral("STATUS:waiting"));
        QCOMPARE(shownTitles(*m_form), QStringList{"Café menu"});
        QCOMPARE(ui(*m_form).statusChoice->currentText().toLower(), QStringLiteral("waiting"));
        ui(*m_form).overdueOnly->setChecked(true);
        QCOMPARE(ui(*m_form).findBox->text(), QStringLiteral("STATUS:waiting due:overdue"));
        ui(*m_form).statusChoice->setCurrentIndex(0);
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(ui(*m_form).findBox->text(), QStringLiteral("due:overdue"));
        QCOMPARE(shownTitles(*m_form), QStringList{"Printer jams"});

        typeInFindBox(*m_form, QStringLiteral("due:overdue (cat:x"));
        QCOMPARE(shownTitles(*m_form), QStringList{"Printer jams"});
        QVERIFY(ui(*m_form).findBox->toolTip().contains(QLatin1String("not closed")));
        typeInFindBox(*m_form, QStringLiteral("status:waiting OR title:vpn"));
        QCOMPARE(shownTitles(*m_form), QStringList({"Café menu", "VPN drops"}));
        QCOMPARE(ui(*m_form).statusChoice->currentIndex(), 0);
        QVERIFY(!ui(*m_form).overdueOnly->isChecked());

        m_dialogs->modalScripts.append([](QDialog &window) {
            auto *contact = window.findChild<QComboBox *>(QStringLiteral("meContact"));
            contact->setCurrentIndex(contact->findText(QStringLiteral("José Núñez")));
            window.accept();
        });
        typeInFindBox(*m_form, QStringLiteral("to:me"));
        QCOMPARE(shownTitles(*m_form), QStringList({"Café menu", "VPN drops"}));
        QVERIFY(m_dialogs->modalScripts.isEmpty());
        typeInFindBox(*m_form, QStringLiteral("to:me -title:vpn"));
        QCOMPARE(shownTitles(*m_form), QStringList{"Café menu"});
    }

    // Closing asks to add "Closed" the first time; the closed issue shows
    // on request, slanted, and reopens through the editor, which starts on
    // "Open" rather than on the status that keeps it closed.
    void closeShowAndReopen()
    {
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("1")));
        m_form->closeSelectedIssue();
        QCOMPARE(m_dialogs->boxes.size(), 1);
        QVERIFY(m_dialogs->boxes[0].text.contains(QLatin1String("Add \"Closed\" to the status list")));
        QCOMPARE(shownTitles(*m_form), QStringList({"Café menu", "VPN drops"}));

        ui(*m_form).showClosed->setChecked(true);
        const int row = m_form->listModel()->rowOfFirstCell(QStringLiteral("1"));
        QVERIFY(m_form->listModel()->isClosed(row));
        QVERIFY(m_form->listModel()->data(m_form->listModel()->index(row, 1), Qt::FontRole).value<QFont>().italic());

        for (const char *value : {"insert into [Status] values ('Waiting')", "insert into [Status] values ('open')",
                                  "insert into Categories values ('Bug')", "insert into Priorities values ('High')"})
            execute(QLatin1String(value));
        m_dialogs->modalScripts.append([](QDialog &window) {
            auto &editor = static_cast<IssueEditor &>(window);
            QCOMPARE(ui(editor).titleBox->text(), QStringLiteral("Printer jams"));
            QCOMPARE(ui(editor).statusPicker->currentText(), QStringLiteral("open"));
            editor.save();
        });
        m_form->selectRow(row);
        m_form->reopenSelectedIssue();
        QCOMPARE(m_dialogs->boxes.last().text, QStringLiteral("Record Successfully Updated"));
        QVERIFY(!m_form->listModel()->isClosed(m_form->listModel()->rowOfFirstCell(QStringLiteral("1"))));
        QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 6), QStringLiteral("open"));
    }

    void keyboardMap_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QString>("outcome");
        QTest::addColumn<QString>("target"); // what has the keyboard; the list when empty
        QTest::newRow("Enter edits") << int(Qt::Key_Return) << 0 << "Edit Data" << QString();
        QTest::newRow("Enter presses the focused button") << int(Qt::Key_Return) << 0 << "Reports"
                                                          << "PushButton5";
        QTest::newRow("Insert adds") << int(Qt::Key_Insert) << 0 << "Add New Issue" << QString();
        QTest::newRow("Ctrl+N adds") << int(Qt::Key_N) << int(Qt::ControlModifier) << "Add New Issue" << QString();
        QTest::newRow("Delete asks") << int(Qt::Key_Delete) << 0 << "Are you sure you want to delete [Café menu]?"
                                     << QString();
        QTest::newRow("Ctrl+E edits the selected together")
            << int(Qt::Key_E) << int(Qt::ControlModifier) << "Bulk Edit Selected Issues" << QString();
        QTest::newRow("Ctrl+F finds") << int(Qt::Key_F) << int(Qt::ControlModifier) << "findBox" << QString();
        QTest::newRow("Alt+A, the access key of Add New Issue")
            << int(Qt::Key_A) << int(Qt::AltModifier) << "Add New Issue" << QString();
    }

    void keyboardMap()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(QString, outcome);
        QFETCH(QString, target);
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("2")));
        QWidget *focused = target.isEmpty() ? ui(*m_form).issueList : m_form->findChild<QWidget *>(target);
        focused->setFocus();
        m_dialogs->answers = {platform::Answer::No};
        QTest::keyClick(focused, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        const auto seen = [&] {
            const QWidget *focused = QApplication::focusWidget();
            const QString firstLine = m_dialogs->boxes.value(0).text.section(QStringLiteral("\r\n"), 0, 0);
            return m_dialogs->modalTitles + QStringList{firstLine, focused ? focused->objectName() : QString()};
        };
        // An access key presses its button as a click would look: a moment later.
        QTRY_VERIFY2(seen().contains(outcome), qPrintable(seen().join(QLatin1Char('|'))));
        QVERIFY(m_form->contextMenu()->actions().size() >= 8);
    }

    // F5 refreshes (bound once, not twice and so ambiguous); Shift+F10
    // opens the list's menu from the keyboard.
    void refreshKeyAndMenuKey()
    {
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        addIssue(4, "'Added elsewhere'", "'8/4/2021'", "'Open'");
        ui(*m_form).issueList->setFocus();
        QTest::keyClick(ui(*m_form).issueList, Qt::Key_F5);
        QTRY_COMPARE(m_form->listModel()->rowCount(), 4);
        m_form->selectRow(0);
        QTest::keyClick(ui(*m_form).issueList, Qt::Key_F10, Qt::ShiftModifier);
        auto *menu = m_form->findChild<QMenu *>(QStringLiteral("listMenu"));
        QTRY_VERIFY(menu->isVisible());
        menu->close();
    }

    // Every window of the program and every menu, walked for access keys
    // that two controls or two commands share: Alt and the letter would then
    // reach only one of them.
    void accessKeysAreUniqueInEveryWindowAndMenu()
    {
        IssueEditor issueEditor(m_form.get());
        ContactEditor contactEditor(&issueEditor);
        ReportChooser reportChooser(m_form.get());
        const QStringList columns{"ID",       "Title",    "Assigned To Name", "Priority",    "Status",
                                  "Category", "Due Date", "Opened By Name",   "Opened Date", "Comment"};
        ReportPreview preview(rptOpenIssues(), ReportData(columns), ReportPaper(), &reportChooser);
        DeletedItemsWindow deletedItems(m_form.get());
        CsvExportDialog exportDialog(3, m_form.get());
        CsvImportDialog importDialog({{"Title"}, {IssueExchange::Field::Title}, {}}, {}, m_form.get());
        ViewsDialog viewsDialog(m_form.get());
        ValueOrderDialog valueOrderDialog(m_form.get());
        QStringList clashes;
        for (QWidget *window : std::initializer_list<QWidget *>{m_form.get(), &issueEditor, &contactEditor,
                                                                &reportChooser, &preview, &deletedItems, &exportDialog,
                                                                &importDialog, &viewsDialog, &valueOrderDialog}) {
            const QStringList captions = captionsOf(*window);
            QVERIFY2(captions.size() >= 2, qPrintable(window->objectName()));
            clashes << accessKeyClashes(window->objectName(), captions);
        }
        QList<QMenu *> menus{m_form->contextMenu()};
        while (!menus.isEmpty()) {
            QMenu *menu = menus.takeFirst();
            emit menu->aboutToShow();
            QStringList commands;
            for (const QAction *action : menu->actions()) {
                commands << action->text();
                if (action->menu())
                    menus << action->menu();
            }
            clashes << accessKeyClashes(menu->title().isEmpty() ? QStringLiteral("list menu") : menu->title(),
                                        commands);
        }
        QCOMPARE(clashes, QStringList());
    }

    // After Save the main window is active again, the keyboard in the list
    // on the issue just saved, so that Insert or the arrows go on working.
    void focusReturnsToTheSavedIssue()
    {
        for (const char *value : {"insert into [Status] values ('Open')", "insert into Categories values ('Bug')",
                                  "insert into Priorities values ('High')"})
            execute(QLatin1String(value));
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        m_dialogs->modalScripts.append([](QDialog &window) {
            window.show();
            QApplication::setActiveWindow(&window);
            auto &editor = static_cast<IssueEditor &>(window);
            ui(editor).titleBox->setText(QStringLiteral("Just saved"));
            for (QComboBox *picker : std::initializer_list<QComboBox *>{
                     ui(editor).assignedToPicker, ui(editor).openedByPicker, ui(editor).statusPicker,
                     ui(editor).categoryPicker, ui(editor).priorityPicker})
                picker->setCurrentIndex(0);
            editor.save();
        });
        m_form->addNewIssue();
        QCOMPARE(m_dialogs->boxes.last().text, QStringLiteral("Record Successfully Saved"));
        QTRY_COMPARE(QApplication::activeWindow(), m_form.get());
        QCOMPARE(QApplication::focusWidget(), ui(*m_form).issueList);
        QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 1), QStringLiteral("Just saved"));
    }

    // A multi-line comment in the top row leaves every row one line high:
    // its first line shows, the whole text in the tip; a tip shows text as
    // typed, never as HTML.
    void rowsShowOneLineAndTipsAsTyped()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        addIssue(4, "'<b>bold</b>'", "'8/4/2021'", "'Open'", "Null", "'first\nsecond\nthird'");
        m_form->refillList();
        m_form->sortByColumn(1); // "<b>bold</b>" first
        const QModelIndex comment = m_form->listModel()->index(0, 9);
        QCOMPARE(comment.data().toString(), QStringLiteral("first\u2026"));
        QVERIFY(ui(*m_form).issueList->visualRect(comment).height() <
                2 * ui(*m_form).issueList->fontMetrics().height());
        const auto tipShows = [](const QModelIndex &cell) {
            const QString tip = cell.data(Qt::ToolTipRole).toString();
            QTextDocument shown;
            if (Qt::mightBeRichText(tip))
                shown.setHtml(tip);
            else
                shown.setPlainText(tip);
            return shown.toPlainText();
        };
        QCOMPARE(tipShows(comment), QStringLiteral("first\nsecond\nthird"));
        QCOMPARE(tipShows(m_form->listModel()->index(0, 1)), QStringLiteral("<b>bold</b>"));
    }

    // What a screen reader says: a small button what it does, a drop-down
    // list its caption (the chosen item is its value), and no control goes
    // without a name.
    void screenReaderNames()
    {
        IssueEditor editor(m_form.get());
        ui(editor).priorityPicker->addItem(QStringLiteral("High"));
        ui(editor).priorityPicker->setCurrentIndex(0);
        DeletedItemsWindow deletedItems(m_form.get());
        CsvImportDialog importDialog({{"Title"}, {IssueExchange::Field::Title}, {}}, {}, m_form.get());
        const auto spoken = [](QWidget *control, QAccessible::Text kind = QAccessible::Name) {
            return QAccessible::queryAccessibleInterface(control)->text(kind);
        };
        const QStringList heard{spoken(ui(editor).addStatusButton),
                                spoken(ui(editor).editAssignedToButton),
                                spoken(ui(editor).deleteCategoryButton),
                                spoken(ui(editor).priorityPicker),
                                spoken(ui(editor).priorityPicker, QAccessible::Value),
                                spoken(ui(*m_form).statusChoice),
                                spoken(ui(*m_form).findBox->findChild<QToolButton *>()),
                                spoken(control<QTreeWidget>(deletedItems, "groupList")),
                                spoken(importDialog.findChild<QTableWidget *>()),
                                spoken(ui(*m_form).issueList)};
        QCOMPARE(heard, QStringList({"Add status", "Edit contact", "Delete category", "Priority", "High", "Status",
                                     "Clear the find box", "Deleted items",
                                     "How the file's columns fill the issue fields", "Open issues"}));
        ui(*m_form).showClosed->setChecked(true);
        QCOMPARE(spoken(ui(*m_form).issueList), QStringLiteral("Issues"));
    }

    // A normal window made larger by its border: the list grows and the
    // buttons follow, as when maximized.
    void borderResizeGrowsTheList()
    {
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
        const int listWidth = ui(*m_form).issueList->width();
        m_form->resize(m_form->size() + QSize(300, 200));
        QTRY_VERIFY(ui(*m_form).issueList->width() > listWidth + 250);
        QVERIFY(ui(*m_form).helpButton->geometry().bottom() < m_form->height());
        QVERIFY(ui(*m_form).addButton->y() > ui(*m_form).issueList->geometry().bottom());
    }

    void viewIsRememberedAcrossRuns()
    {
        m_form->sortByColumn(1);
        m_form->sortByColumn(1); // Title, descending
        ui(*m_form).showClosed->setChecked(true);
        m_form->hideFilterBar();
        m_form->close();
        m_form.reset();
        m_form = started();
        QCOMPARE(m_form->listModel()->sortColumn(), 1);
        QCOMPARE(m_form->listModel()->sortOrder(), Qt::DescendingOrder);
        QVERIFY(m_form->filterBar()->showsClosed());
        QVERIFY(!m_form->filterBar()->isVisibleTo(m_form.get()));
        QCOMPARE(shownTitles(*m_form), QStringList({"VPN drops", "Printer jams", "Café menu"}));
    }

    // Ticking "Waiting" in Order of Values closes its issue: it leaves the
    // list, shows slanted with Closed, and the query's closed:yes finds it;
    // "Closed" stays ticked and cannot be unticked.
    void tickedStatusClosesItsIssues()
    {
        for (const char *value : {"Open", "Waiting", "Closed"})
            execute(QStringLiteral("insert into [Status] values ('%1')").arg(QLatin1String(value)));
        m_dialogs->modalScripts << [](QDialog &window) {
            auto &order = static_cast<ValueOrderDialog &>(window);
            QCOMPARE(order.valueList->item(0)->text(), QStringLiteral("Closed"));
            QCOMPARE(order.valueList->item(0)->checkState(), Qt::Checked);
            QVERIFY(!(order.valueList->item(0)->flags() & Qt::ItemIsUserCheckable));
            order.valueList->item(2)->setCheckState(Qt::Checked); // Waiting
            order.accept();
        };
        for (QAction *action : m_form->contextMenu()->actions())
            if (action->objectName() == QLatin1String("orderValues"))
                action->trigger();
        QCOMPARE(shownTitles(*m_form), QStringList({"Printer jams", "VPN drops"}));
        ui(*m_form).showClosed->setChecked(true);
        typeInFindBox(*m_form, QStringLiteral("closed:yes"));
        QCOMPARE(shownTitles(*m_form), QStringList{"Café menu"});
        QVERIFY(m_form->listModel()->isClosed(0));
        QCOMPARE(m_dialogs->boxes.size(), 0);
    }

    // A view saved with Ctrl+S comes back with Ctrl+1 after a restart: its
    // query, sort, hidden column and closed issues. The statuses' order set
    // in its window sorts the list by status, and is kept too.
    void savedViewAndValueOrderComeBack()
    {
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        typeInFindBox(*m_form, QStringLiteral("-title:printer"));
        m_form->sortByColumn(1);
        m_form->sortByColumn(1); // Title, descending
        ui(*m_form).showClosed->setChecked(true);
        m_form->viewCommands()->showColumn(9, false);
        m_form->setHistoryColumns({true, false}); // Closed Date, for this run only
        const QStringList saved = shownTitles(*m_form);
        QCOMPARE(saved, QStringList({"VPN drops", "Café menu"}));
        m_dialogs->inputs << QStringLiteral("Not the printer");
        ui(*m_form).issueList->setFocus();
        QTest::keyClick(ui(*m_form).issueList, Qt::Key_S, Qt::ControlModifier);
        QCOMPARE(m_dialogs->inputBoxes.size(), 1);

        // The statuses: Waiting before Open, moved up in the window.
        m_dialogs->modalScripts << [](QDialog &window) {
            auto &order = static_cast<ValueOrderDialog &>(window);
            QCOMPARE(order.valueList->item(1)->text(), QStringLiteral("Waiting"));
            order.valueList->setCurrentRow(1);
            order.moveSelected(-1);
            order.accept();
        };
        execute(QStringLiteral("insert into [Status] values ('Open')"));
        execute(QStringLiteral("insert into [Status] values ('Waiting')"));
        for (QAction *action : m_form->contextMenu()->actions())
            if (action->objectName() == QLatin1String("orderValues"))
                action->trigger();
        QCOMPARE(ValueOrder::ordered(sharedConnection(), ValueListSql::List::Status), QStringList({"Waiting", "Open"}));

        m_form->close();
        m_form.reset();
        m_form = started();
        m_form->show();
        QApplication::setActiveWindow(m_form.get());
        QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
        typeInFindBox(*m_form, QString());
        m_form->sortByColumn(6); // Status, by its order; the two open ones stay by title, descending
        QCOMPARE(shownTitles(*m_form), QStringList({"Café menu", "VPN drops", "Printer jams"}));
        ui(*m_form).issueList->setFocus();
        QTest::keyClick(ui(*m_form).issueList, Qt::Key_1, Qt::ControlModifier);
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(ui(*m_form).findBox->text(), QStringLiteral("-title:printer"));
        QCOMPARE(m_form->listModel()->sortColumn(), 1);
        QCOMPARE(m_form->listModel()->sortOrder(), Qt::DescendingOrder);
        QVERIFY(m_form->filterBar()->showsClosed());
        QVERIFY(ui(*m_form).issueList->isColumnHidden(9));
        QCOMPARE(m_form->listModel()->columnCount(), 12);
        QVERIFY(!ui(*m_form).issueList->isColumnHidden(IssueListModel::closedDateColumn));
        QVERIFY(ui(*m_form).issueList->isColumnHidden(IssueListModel::lastChangedColumn));
        QCOMPARE(shownTitles(*m_form), saved);
    }
};

QTEST_MAIN(TestDailyWork)
#include "tst_dailywork.moc"
