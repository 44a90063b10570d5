// The issue editor never stores what the user did not enter: typed dates
// land as typed or are refused, a save without changes leaves the row as it
// was, namesake contacts are never swapped, and a contact deleted meanwhile
// is told instead of stored.

#include "EditorSession.h"

#include "contacts/ContactEditor.h"
#include "issues/DateField.h"
#include "platform/EditorState.h"

#include <QCalendarWidget>
#include <QLineEdit>
#include <QPlainTextEdit>

#include <memory>

namespace {

// Every stored value of an issue, missing values as \N. The version is left
// out: every save counts it up, whether anything changed or not.
QString wholeRow(qint64 id)
{
    QStringList values;
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(sharedConnection().handle(),
                       QStringLiteral("select ID, Title, [Assigned To], [Opened By], [Opened Date], Status, Category, "
                                      "Priority, Comment, [Due Date] from Issues where ID=%1")
                           .arg(id)
                           .toUtf8()
                           .constData(),
                       -1, &statement, nullptr);
    if (sqlite3_step(statement) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            values << (sqlite3_column_type(statement, c) == SQLITE_NULL
                           ? QStringLiteral("\\N")
                           : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, c))));
    sqlite3_finalize(statement);
    return values.join(QLatin1Char('|'));
}

// Types into the opened date's box the way a user reaches it.
void typeDate(IssueEditor &form, const QString &how, const QString &text)
{
    QLineEdit *box = ui(form).openedDateField->lineEdit();
    if (how == "tab") {
        ui(form).titleBox->setFocus();
        ui(form).dueDateField->setFocus(Qt::TabFocusReason);
        ui(form).openedDateField->setFocus(Qt::TabFocusReason);
    } else if (how == "click") {
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(4, box->height() / 2));
        QCoreApplication::processEvents();
    } else {
        box->setFocus();
        QTest::keyClick(box, Qt::Key_A, Qt::ControlModifier);
    }
    QTest::keyClicks(box, text);
}

} // namespace

class TestIssueIntegrity : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorSession> s;

private slots:
    void init() { s = std::make_unique<EditorSession>(); }
    void cleanup()
    {
        s.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void typedDateIsStoredAsTyped_data()
    {
        QTest::addColumn<QString>("locale");
        QTest::addColumn<QString>("how");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        QTest::newRow("en_US after tab") << "en_US"
                                         << "tab"
                                         << "12/24/2026"
                                         << "2026-12-24";
        QTest::newRow("en_US after click") << "en_US"
                                           << "click"
                                           << "2/29/2024"
                                           << "2024-02-29";
        QTest::newRow("en_GB after select-all") << "en_GB"
                                                << "select all"
                                                << "24/12/2026"
                                                << "2026-12-24";
        QTest::newRow("de_DE after click") << "de_DE"
                                           << "click"
                                           << "15.11.2026"
                                           << "2026-11-15";
        QTest::newRow("de_DE two-digit year") << "de_DE"
                                              << "tab"
                                              << "15.11.29"
                                              << "2029-11-15";
        QTest::newRow("en_US two-digit year, last century") << "en_US"
                                                            << "tab"
                                                            << "1/2/30"
                                                            << "1930-01-02";
        QTest::newRow("ja_JP") << "ja_JP"
                               << "select all"
                               << "2026/12/24"
                               << "2026-12-24";
        QTest::newRow("year 1") << "en_US"
                                << "tab"
                                << "1/1/0001"
                                << "0001-01-01";
        QTest::newRow("year 9999") << "en_GB"
                                   << "click"
                                   << "31/12/9999"
                                   << "9999-12-31";
        QTest::newRow("emptied: refused, every issue has one") << "en_US"
                                                               << "select all"
                                                               << ""
                                                               << "refused";
    }

    void typedDateIsStoredAsTyped()
    {
        QFETCH(QString, locale);
        QFETCH(QString, how);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        QLocale::setDefault(QLocale(locale));
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            typeDate(form, how, typed);
            if (typed.isEmpty())
                QTest::keyClick(ui(form).openedDateField->lineEdit(), Qt::Key_Delete);
            QCOMPARE(ui(form).openedDateField->text(), typed);
            form.save();
        });
        if (stored == QLatin1String("refused")) {
            QCOMPARE(texts(s->dialogs.boxes), QStringList{"You forgot to input Opened Date."});
            QCOMPARE(newestIssue(), 4);
            return;
        }
        QCOMPARE(texts(s->dialogs.boxes), QStringList{"Record Successfully Saved"});
        QCOMPARE(
            column(QStringLiteral("select coalesce([Opened Date], '\\N') from Issues where ID=%1").arg(newestIssue())),
            QStringList{stored});
    }

    void textThatIsNotADateIsRefused_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("letters") << "soon";
        QTest::newRow("half a date") << "12/24";
        QTest::newRow("29 February of a common year") << "2/29/2023";
        QTest::newRow("year 10000") << "1/1/10000";
    }

    void textThatIsNotADateIsRefused()
    {
        QFETCH(QString, typed);
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            typeDate(form, "tab", typed);
            form.save();
            QCOMPARE(QApplication::focusWidget(), ui(form).openedDateField->lineEdit());
        });
        QCOMPARE(texts(s->dialogs.boxes), QStringList{QStringLiteral("\"%1\" in Opened Date is not a date. Type dates "
                                                                     "like 8/31/2021, or leave the field empty.")
                                                          .arg(typed)});
        QVERIFY(s->stillOpen);
        QCOMPARE(newestIssue(), 4);
    }

    void calendarOpensFromTheKeyboard_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("Alt+Down") << int(Qt::Key_Down) << int(Qt::AltModifier);
        QTest::newRow("F4") << int(Qt::Key_F4) << int(Qt::NoModifier);
    }

    void calendarOpensFromTheKeyboard()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        s->open(QString(), [&](IssueEditor &form) {
            QLineEdit *box = ui(form).dueDateField->lineEdit();
            box->setFocus();
            QTest::keyClick(box, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            auto *calendar = ui(form).dueDateField->findChild<QCalendarWidget *>();
            QVERIFY(calendar && calendar->isVisible());
            QCOMPARE(calendar->minimumDate(), QDate(1, 1, 1));
            emit calendar->activated(QDate(2027, 3, 4));
            QVERIFY(!calendar->isVisible());
            QCOMPARE(ui(form).dueDateField->text(), QStringLiteral("3/4/2027"));
        });
    }

    // Edit, then Save with nothing touched: the row is identical, value for
    // value, whatever odd shape its values had.
    void unchangedSaveKeepsEveryStoredValue_data()
    {
        QTest::addColumn<QString>("changes");
        QTest::newRow("date-time, letter case") << "[Opened Date] = '2021-08-31T14:05:30', Status = 'OPEN', "
                                                   "Category = 'hardware', Priority = 'HIGH'";
        QTest::newRow("every value that may be missing, missing") << "[Due Date] = null, Comment = null";
    }

    void unchangedSaveKeepsEveryStoredValue()
    {
        QFETCH(QString, changes);
        raw("update Issues set " + changes + " where ID = 1");
        const QString before = wholeRow(1);
        s->open(QStringLiteral("1"), [&](IssueEditor &form) { form.save(); });
        QCOMPARE(texts(s->dialogs.boxes), QStringList{"Record Successfully Updated"});
        QCOMPARE(wholeRow(1), before);
    }

    // Two contacts named alike are told apart, and the issue's own contact
    // is the one chosen, edited and deleted.
    void namesakeContactsAreNeverSwapped()
    {
        raw("update Contacts set [First Name] = 'John', [Last Name] = 'Smith', Company = 'ACME' where ID = 1");
        raw("update Contacts set [First Name] = 'john', [Last Name] = 'smith ', Company = 'Initech' where ID = 2");
        raw("update Contacts set [First Name] = 'John', [Last Name] = 'Smith', Company = 'ACME' where ID = 3");
        // A: assigned to 2, opened by 1; C: assigned to 3, opened by 4.
        QString before = wholeRow(1);
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            QCOMPARE(ui(form).assignedToPicker->currentText(), QStringLiteral("john smith  (Initech)"));
            QCOMPARE(ui(form).openedByPicker->currentText(), QStringLiteral("John Smith (ID 1)"));
            form.save();
        });
        QCOMPARE(wholeRow(1), before);

        QString edited;
        s->dialogs.modalScripts.append(
            [&](QDialog &window) { edited = static_cast<ContactEditor &>(window).contactId; });
        s->open(QStringLiteral("3"), [&](IssueEditor &form) {
            QCOMPARE(ui(form).assignedToPicker->currentText(), QStringLiteral("John Smith (ID 3)"));
            form.editAssignedToContact(); // "*" beside Assigned To
            choose(ui(form).openedByPicker, QStringLiteral("John Smith (ID 1)"));
            form.deleteOpenedByContact(); // "-" beside Opened By, answered Yes
        });
        QCOMPARE(edited, QStringLiteral("3"));
        QCOMPARE(column(QStringLiteral("select ID from Contacts order by ID")), QStringList({"2", "3", "4", "5"}));
        QCOMPARE(column(QStringLiteral("select Title from Issues order by ID")), QStringList({"C", "D"}));
    }

    void enterSavesEscapeCancels_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<QStringList>("boxes");
        QTest::newRow("Enter in the title saves") << int(Qt::Key_Return) << QStringList{"Record Successfully Saved"};
        QTest::newRow("Escape asks, then cancels")
            << int(Qt::Key_Escape)
            << QStringList{"This issue has changes that are not saved.\r\nDiscard them and close the window?"};
    }

    void enterSavesEscapeCancels()
    {
        QFETCH(int, key);
        QFETCH(QStringList, boxes);
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            ui(form).titleBox->setFocus();
            QTest::keyClick(ui(form).titleBox, Qt::Key(key));
        });
        QCOMPARE(texts(s->dialogs.boxes), boxes);
        QVERIFY(!s->stillOpen);
        QCOMPARE(newestIssue(), key == Qt::Key_Escape ? 4 : 5);
    }

    void contactDeletedMeanwhileIsToldNotStored()
    {
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            ui(form).commentBox->setPlainText(QStringLiteral("typed with care"));
            raw("delete from Contacts where ID = 4"); // Bob Brown, by another program
            form.save();
            QCOMPARE(ui(form).assignedToPicker->currentText(), QStringLiteral("Ann Archer"));
            QCOMPARE(ui(form).openedByPicker->currentIndex(), -1);
            QCOMPARE(ui(form).openedByPicker->findText(QStringLiteral("Bob Brown")), -1);
            QCOMPARE(ui(form).commentBox->toPlainText(), QStringLiteral("typed with care"));
        });
        QCOMPARE(texts(s->dialogs.boxes),
                 QStringList{"The contact \"Bob Brown\" chosen for Opened By no longer exists: it was deleted while "
                             "this window was open. Choose another contact, then save again."});
        QVERIFY(s->stillOpen);
        QCOMPARE(newestIssue(), 4);
    }

    // What both editors keep of a load: a field left as it showed gives back
    // its stored value (a missing one stays missing, a CR stays a CR), and
    // Keep Editing after a refused save puts back only the fields the user
    // changed, over the version reloaded; a field never loaded counts as
    // loaded empty.
    void editorStateKeepsStoredAndTypedApart_data()
    {
        QTest::addColumn<QStringList>("mine");    // the three fields as the user left them
        QTest::addColumn<QStringList>("putBack"); // "field=text" handed back after the reload
        QTest::addColumn<QString>("saved");       // what Save writes for field 0, \N for missing
        QTest::newRow("nothing typed") << QStringList({"", "a b", ""}) << QStringList() << "\\N";
        QTest::newRow("one field typed") << QStringList({"", "mine", ""}) << QStringList({"1=mine"}) << "\\N";
        QTest::newRow("all typed") << QStringList({"x", "a\u00a0b", "new"})
                                   << QStringList({"0=x", "1=a\u00a0b", "2=new"}) << "x";
    }

    void editorStateKeepsStoredAndTypedApart()
    {
        QFETCH(QStringList, mine);
        QFETCH(QStringList, putBack);
        QFETCH(QString, saved);
        platform::EditorState state;
        state.setLoaded(0, std::nullopt, QString());
        state.setLoaded(1, QStringLiteral("a\rb"), QStringLiteral("a b"));
        const std::optional<QString> toSave = state.valueToSave(0, mine[0]);
        QCOMPARE(toSave.value_or(QStringLiteral("\\N")), saved);
        if (mine[1] == QLatin1String("a b"))
            QCOMPARE(state.valueToSave(1, mine[1]), std::optional<QString>(QStringLiteral("a\rb")));
        bool reloaded = false;
        QStringList handed;
        state.keepEditsOver(
            mine, [&] { reloaded = true; },
            [&](int field, const QString &text) {
                QVERIFY(reloaded);
                handed << QStringLiteral("%1=%2").arg(field).arg(text);
            });
        QVERIFY(reloaded);
        QCOMPARE(handed, putBack);
    }
};

QTEST_MAIN(TestIssueIntegrity)
#include "tst_issueintegrity.moc"
