// The contact editor against a fresh database, driven through the dialogs
// seam: what Save writes (exactly, whatever is typed), what it refuses, what
// it does when the write fails, and what the two issue lists show.

#include "contacts/ContactEditor.h"
#include "data/Connection.h"
#include "data/ContactSql.h"
#include "data/DateText.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "platform/ApplicationTitle.h"
#include "platform/ScreenFit.h"
#include "tests/support/HoverProbe.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QTest>
#include <QTreeWidget>

#include <sqlite3.h>

#include <memory>

namespace {

const char *const columns[16] = {
    "First Name", "Last Name", "Job Title", "Company", "Business Phone", "Home Phone",     "Mobile Phone", "Fax Number",
    "Address",    "City",      "State",     "ZIP",     "Country",        "E-mail Address", "Web Page",     "Notes"};

void setBox(ContactEditor &form, int box, const QString &text)
{
    if (box == 16)
        form.findChild<QPlainTextEdit *>("Text16")->setPlainText(text);
    else
        form.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box))->setText(text);
}

QString shown(ContactEditor &form, int box)
{
    return box == 16 ? form.findChild<QPlainTextEdit *>("Text16")->toPlainText()
                     : form.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box))->text();
}

QStringList listColumn(ContactEditor &form, const char *list, int column)
{
    QStringList cells;
    auto *view = form.findChild<QTreeWidget *>(QLatin1String(list));
    for (int row = 0; row < view->topLevelItemCount(); ++row)
        cells << view->topLevelItem(row)->text(column);
    return cells;
}

void raw(const QString &sql) // beside the program's dialect: triggers, char()
{
    QCOMPARE(sqlite3_exec(sharedConnection().handle(), sql.toUtf8(), nullptr, nullptr, nullptr), SQLITE_OK);
}

Value stored(qint64 id, const QString &column)
{
    Recordset rs;
    rs.Open(QStringLiteral("select * from Contacts where ID=%1").arg(id), sharedConnection());
    return rs.Eof() ? Value(QStringLiteral("<no row>")) : rs.Fields(column);
}

qint64 addContact(const QString &first, const QString &last)
{
    sharedConnection().Execute(
        QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('%1','%2')").arg(first, last));
    return sharedConnection().lastInsertedId();
}

// The window loaded for the contact (0: a new one) and shown, as a user has it.
std::unique_ptr<ContactEditor> opened(qint64 id)
{
    auto form = std::make_unique<ContactEditor>();
    form->contactId = id ? QString::number(id) : QString();
    platform::loadForm(*form);
    form->show();
    return form;
}

QStringList texts(const ScriptedDialogs &dialogs)
{
    QStringList result;
    for (const auto &box : dialogs.boxes)
        result << box.text.section(QLatin1Char('\r'), 0, 1); // description and location line
    return result;
}

} // namespace

class TestContactEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<TestDatabase> m_database;
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init()
    {
        m_database = std::make_unique<TestDatabase>();
        m_database->open(createSharedConnection());
    }
    void cleanup()
    {
        releaseSharedConnection();
        hover::placeCursorFile(false);
    }

    void insertStatementExample();
    void storesExactly_data();
    void storesExactly();
    void untouchedValuesWrittenBackAsLoaded_data();
    void untouchedValuesWrittenBackAsLoaded();
    void refusedOrFailedSave_data();
    void refusedOrFailedSave();
    void missingNamesReported_data();
    void missingNamesReported();
    void issueLists_data();
    void issueLists();
    void handPointer_data();
    void handPointer();
    void fitsASmallScreen();
    void cancelAsksBeforeTypingIsLost_data();
    void cancelAsksBeforeTypingIsLost();
};

// At twice the scale a 1920x1080 screen has 960x540 logical pixels, less
// than the window's design height: it scrolls, and every box still works.
void TestContactEditor::fitsASmallScreen()
{
    ScriptedDialogs dialogs;
    const qint64 id = addContact("Ann", "Lee");
    auto form = opened(id);
    const QSize room(960, 480);
    platform::fitWithin(*form, room);
    QVERIFY(form->height() <= room.height() && form->width() <= room.width());
    QVERIFY(form->findChild<QScrollArea *>(QStringLiteral("screenFit")));
    const auto tabFrom = [](QWidget *widget) {
        do
            widget = widget->nextInFocusChain();
        while (!(widget->focusPolicy() & Qt::TabFocus));
        return widget;
    };
    QCOMPARE(tabFrom(form->findChild<QLineEdit *>(QStringLiteral("Text1"))),
             form->findChild<QLineEdit *>(QStringLiteral("Text2")));
    QCOMPARE(tabFrom(form->findChild<QPlainTextEdit *>(QStringLiteral("Text16"))),
             form->findChild<QWidget *>("PushButton2"));
    form->findChild<QPlainTextEdit *>(QStringLiteral("Text16"))->setPlainText(QStringLiteral("kept"));
    form->save();
    QCOMPARE(stored(id, "Notes"), Value(QStringLiteral("kept")));
}

void TestContactEditor::insertStatementExample()
{
    QStringList boxes(16);
    boxes[0] = "Test", boxes[1] = "Contact", boxes[3] = "Baker's Supply";
    QCOMPARE(ContactSql::insertStatement(boxes),
             "insert into Contacts ([First Name],[Last Name],[E-mail Address],Company,[Job Title],[Business Phone],"
             "[Home Phone],[Mobile Phone],[Fax Number],Address,City,State,ZIP,Country,[Web Page],Notes) values "
             "('Test','Contact','','Baker''s Supply','','','','','','','','','','','','')");
}

void TestContactEditor::storesExactly_data()
{
    QTest::addColumn<int>("box");
    QTest::addColumn<QString>("value");
    QTest::newRow("apostrophe") << 4 << "Baker's Supply";
    QTest::newRow("leading blanks kept") << 1 << "  Ann ";
    QTest::newRow("quotes and backslashes") << 3 << "\"Chief\" C:\\Temp\\ \\' \\\\";
    QTest::newRow("sql fragment") << 14 << "x'); delete from Contacts; --";
    QTest::newRow("brackets and plus") << 15 << "[Web Page]+' '+[Notes] /* */ %_";
    QTest::newRow("scripts and emoji") << 10
                                       << QString::fromUtf8("Москва 東京 القاهرة 🙂👍🏽🇩🇪");
    QTest::newRow("notes with line breaks") << 16 << "first\nsecond\n\n  fourth\n";
    QTest::newRow("leading zeros, date-like") << 12 << "00501 8/31/2021";
    QTest::newRow("100000 characters, line box") << 2 << QString(100000, QLatin1Char('x'));
    QTest::newRow("100000 characters, notes") << 16 << QString(100000, QChar(0x00e9));
}

// Adds a contact through the window, then edits it and saves it unchanged:
// the value must survive both writes and the load between them.
void TestContactEditor::storesExactly()
{
    QFETCH(int, box);
    QFETCH(QString, value);
    ScriptedDialogs dialogs;
    ContactEditor adding;
    dialogs.modalScripts << [&](QDialog &) {
        setBox(adding, 1, "Ann");
        setBox(adding, 2, "Lee");
        setBox(adding, box, value);
        adding.save();
    };
    platform::dialogs().showModal(adding);
    QCOMPARE(texts(dialogs), QStringList{"Record Successfully Saved"});
    QCOMPARE(dialogs.boxes[0].title, platform::applicationTitle());
    QCOMPARE(adding.result(), int(QDialog::Accepted));
    const qint64 id = sharedConnection().lastInsertedId();
    QCOMPARE(stored(id, columns[box - 1]).toText(), value);
    QCOMPARE(stored(id, box == 8 ? "Address" : "Fax Number"), Value(QString())); // empty text, not missing

    ContactEditor editing;
    editing.contactId = QString::number(id);
    dialogs.modalScripts << [&](QDialog &) {
        QCOMPARE(shown(editing, box), value);
        if (auto *line = editing.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box)))
            QCOMPARE(line->cursorPosition(), 0); // a loaded value shows from its start
        editing.save();
    };
    platform::dialogs().showModal(editing);
    QCOMPARE(texts(dialogs).last(), "Record Successfully Updated");
    QCOMPARE(stored(id, columns[box - 1]).toText(), value);
}

void TestContactEditor::untouchedValuesWrittenBackAsLoaded_data()
{
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("literal"); // as written into the file
    QTest::addColumn<QString>("expected");
    QTest::newRow("notes, CR LF") << "Notes"
                                  << "'a' || char(13,10) || 'b'"
                                  << "a\r\nb";
    QTest::newRow("notes, lone CR") << "Notes"
                                    << "'a' || char(13) || 'b'"
                                    << "a\rb";
    QTest::newRow("notes, no-break space and separators")
        << "Notes"
        << "'a' || char(160, 8232, 8233) || 'b'" << QString::fromUtf8("a\u00a0\u2028\u2029b");
    QTest::newRow("address, line feed") << "Address"
                                        << "'a' || char(10) || 'b'"
                                        << "a\nb";
    QTest::newRow("missing company stays missing") << "Company"
                                                   << "null" << QString();
}

void TestContactEditor::untouchedValuesWrittenBackAsLoaded()
{
    QFETCH(QString, column);
    QFETCH(QString, literal);
    QFETCH(QString, expected);
    const qint64 id = addContact("Ann", "Lee");
    raw(QStringLiteral("update Contacts set \"%1\" = %2 where ID=%3").arg(column, literal).arg(id));
    ScriptedDialogs dialogs;
    opened(id)->save();
    QCOMPARE(texts(dialogs), QStringList{"Record Successfully Updated"});
    QCOMPARE(stored(id, column), expected.isNull() ? Value() : Value(expected));
}

void TestContactEditor::refusedOrFailedSave_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("last");
    QTest::addColumn<QString>("sabotage"); // run after loading
    QTest::addColumn<QString>("message");  // the one box shown
    QTest::addColumn<QString>("focus");
    QTest::newRow("both names empty") << false << ""
                                      << ""
                                      << ""
                                      << "You forgot to input first name."
                                      << "Text1";
    QTest::newRow("first name blanks") << false << "   "
                                       << "Lee"
                                       << ""
                                       << "You forgot to input first name."
                                       << "Text1";
    QTest::newRow("last name blank") << true << "Ann"
                                     << " \t "
                                     << ""
                                     << "You forgot to input last name."
                                     << "Text2";
    const QString refuse = "create trigger Refuse before %1 on Contacts begin select raise(abort, 'disk is full'); end";
    // The database's refusal is told plainly, in its own words.
    QTest::newRow("insert refused") << false << "Typed"
                                    << "Name" << refuse.arg("insert") << "disk is full"
                                    << "";
    QTest::newRow("update refused") << true << "Typed"
                                    << "Name" << refuse.arg("update") << "disk is full"
                                    << "";
    QTest::newRow("contact deleted meanwhile") << true << "Typed"
                                               << "Name"
                                               << "delete from Contacts" << ContactEditor::contactGoneMessage() << "";
}

// Nothing is written, no success is claimed, and the window stays open with
// everything typed.
void TestContactEditor::refusedOrFailedSave()
{
    QFETCH(bool, editing);
    QFETCH(QString, first);
    QFETCH(QString, last);
    QFETCH(QString, sabotage);
    QFETCH(QString, message);
    QFETCH(QString, focus);
    const qint64 id = addContact("Old", "Name");
    ScriptedDialogs dialogs;
    auto form = opened(editing ? id : 0);
    setBox(*form, 1, first);
    setBox(*form, 2, last);
    setBox(*form, 4, "Acme");
    if (!sabotage.isEmpty())
        raw(sabotage);
    form->save();
    QCOMPARE(texts(dialogs).size(), 1);
    QVERIFY2(texts(dialogs)[0].endsWith(message), qPrintable(texts(dialogs)[0]));
    QVERIFY(form->isVisible());
    QCOMPARE(shown(*form, 1), first);
    QCOMPARE(shown(*form, 4), QStringLiteral("Acme"));
    if (!focus.isEmpty())
        QCOMPARE(form->focusWidget()->objectName(), focus);
    Recordset rs;
    rs.Open("select * from Contacts where Company='Acme' or ID<>" + QString::number(id), sharedConnection());
    QVERIFY(rs.Eof());
}

void TestContactEditor::missingNamesReported_data()
{
    QTest::addColumn<QString>("missing");
    QTest::addColumn<QStringList>("reported");
    const QString at = "Invalid use of Null\r\nin Pellucid2021/08/31.Form3.LoadData at line %1";
    QTest::newRow("first name") << "[First Name]" << QStringList{at.arg(106)};
    QTest::newRow("last name") << "[Last Name]" << QStringList{at.arg(108)};
    // The second missing name is the same failure in the same command: not shown again.
    QTest::newRow("both") << "[First Name]=null,[Last Name]" << QStringList{at.arg(106)};
}

void TestContactEditor::missingNamesReported()
{
    QFETCH(QString, missing);
    QFETCH(QStringList, reported);
    const qint64 id = addContact("Ann", "Lee");
    sharedConnection().Execute(
        QStringLiteral("update Contacts set %1=null,Company='Acme',Notes='n' where ID=%2").arg(missing).arg(id));
    ScriptedDialogs dialogs;
    auto form = opened(id);
    QCOMPARE(texts(dialogs), reported);
    QCOMPARE(shown(*form, 1).isEmpty(), missing.contains("First"));
    QCOMPARE(shown(*form, 2).isEmpty(), missing.contains("Last"));
    QCOMPARE(shown(*form, 4) + shown(*form, 16), QStringLiteral("Acmen"));
    QCOMPARE(form->focusWidget()->objectName(), QStringLiteral("Text1"));
    form->contactId.clear(); // shown again for a new contact: loaded afresh
    platform::loadForm(*form);
    QCOMPARE(shown(*form, 4) + shown(*form, 16), QString());
}

void TestContactEditor::issueLists_data()
{
    QTest::addColumn<QString>("contact");
    QTest::addColumn<QStringList>("opened");
    QTest::addColumn<QStringList>("assigned");
    QTest::newRow("opened and assigned") << "Ann" << QStringList{"Both", "For Bob"} << QStringList{"Both", "From Bob"};
    QTest::newRow("other contact") << "Bob" << QStringList{"From Bob"} << QStringList{"For Bob"};
    QTest::newRow("only closed issues") << "Cyd" << QStringList{} << QStringList{};
    QTest::newRow("no such contact") << "999" << QStringList{} << QStringList{};
}

void TestContactEditor::issueLists()
{
    QFETCH(QString, contact);
    QFETCH(QStringList, opened);
    QFETCH(QStringList, assigned);
    QMap<QString, qint64> ids{{"Ann", addContact("Ann", "Lee")},
                              {"Bob", addContact("Bob", "Ray")},
                              {"Cyd", addContact("Cyd", "Oz")},
                              {"999", 999}};
    const auto issue = [&](const char *title, const char *by, const char *to, const char *status, const char *due) {
        sharedConnection().Execute(
            QStringLiteral("insert into Issues (Title,[Opened By],[Assigned To],[Opened Date],Status,Category,"
                           "Priority,[Due Date]) values ('%1',%2,%3,'2021-08-31','%4','Hardware','High',%5)")
                .arg(QLatin1String(title))
                .arg(ids[by])
                .arg(ids[to])
                .arg(QLatin1String(status), QLatin1String(due)));
    };
    issue("Both", "Ann", "Ann", "Open", "null");
    issue("Closed", "Ann", "Ann", "Closed", "null");
    issue("Closed too", "Ann", "Bob", " closed ", "null");
    issue("For Bob", "Ann", "Bob", "Open", "'2021-09-30'");
    issue("From Bob", "Bob", "Ann", "New", "'2021-09-30'");
    issue("Cyd closed", "Cyd", "Cyd", "CLOSED", "null");

    ScriptedDialogs dialogs;
    ContactEditor form;
    form.contactId = QString::number(ids[contact]);
    platform::loadForm(form);
    QCOMPARE(texts(dialogs), QStringList{}); // a missing due date is no failure
    QCOMPARE(listColumn(form, "ListView1", 0), opened);
    QCOMPARE(listColumn(form, "ListView2", 0), assigned);
    if (contact == "Ann") {
        QStringList cells;
        for (int column = 0; column < 8; ++column)
            cells << listColumn(form, "ListView2", column).value(1);
        QCOMPARE(cells,
                 (QStringList{"From Bob", "High", "Hardware", "Ann Lee", "New", DateText::toText(QDate(2021, 9, 30)),
                              "Bob Ray", DateText::toText(QDate(2021, 8, 31))}));
        QCOMPARE(listColumn(form, "ListView1", 5), (QStringList{"", DateText::toText(QDate(2021, 9, 30))}));
    }
}

// The hand over "Save" and "Cancel"; the arrow over the two lists and their
// frames only: the bare window, like a text box, keeps the hand.
void TestContactEditor::cancelAsksBeforeTypingIsLost_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("typed"); // into the notes; empty: nothing typed
    QTest::addColumn<platform::Answer>("answer");
    QTest::addColumn<bool>("closed");
    QTest::newRow("new, untouched") << false << QString() << platform::Answer::No << true;
    QTest::newRow("new, typed, kept") << false << "call back" << platform::Answer::No << false;
    QTest::newRow("edited, typed, discarded") << true << "call back" << platform::Answer::Yes << true;
    QTest::newRow("edited, typed back as loaded") << true << "n" << platform::Answer::No << true;
}

void TestContactEditor::cancelAsksBeforeTypingIsLost()
{
    QFETCH(bool, editing);
    QFETCH(QString, typed);
    QFETCH(platform::Answer, answer);
    QFETCH(bool, closed);
    const qint64 id = addContact("Ann", "Lee");
    sharedConnection().Execute(QStringLiteral("update Contacts set Notes='n' where ID=%1").arg(id));
    ScriptedDialogs dialogs;
    dialogs.answers = {answer};
    auto form = opened(editing ? id : 0);
    if (!typed.isEmpty())
        form->findChild<QPlainTextEdit *>(QStringLiteral("Text16"))->setPlainText(typed);
    form->findChild<QPushButton *>(QStringLiteral("PushButton1"))->click();
    QCOMPARE(form->isVisible(), !closed);
    const bool asked = !typed.isEmpty() && typed != QLatin1String("n");
    QCOMPARE(dialogs.boxes.size(), asked ? 1 : 0);
    if (asked)
        QCOMPARE(dialogs.boxes[0].buttons, platform::Buttons::YesNoDefaultNo);
    QCOMPARE(stored(id, "Notes").toText(), QStringLiteral("n"));
}

void TestContactEditor::handPointer_data()
{
    hover::addRows({
        {"Save", "", {"PushButton2"}, 99},
        {"Cancel", "", {"PushButton1"}, 99},
        {"button, then opened issues", "", {"PushButton2", "ListView1"}, 0},
        {"button, then assigned issues", "", {"PushButton1", "ListView2"}, 0},
        {"button, then frame Open Issues", "", {"PushButton2", "Frame1"}, 0},
        {"button, then frame Assigned Issues", "", {"PushButton1", "Frame2"}, 0},
        {"button, then the bare window keeps the hand", "", {"PushButton2", hover::surface}, 99},
        {"button, then a text box keeps the hand", "", {"PushButton1", "Text9"}, 99},
        {"busy window over a button", "window", {"PushButton2"}, 11},
        {"busy program over button and list", "application", {"PushButton2", "ListView1"}, 11},
    });
}

void TestContactEditor::handPointer()
{
    QFETCH(bool, withFile);
    hover::placeCursorFile(withFile);
    ScriptedDialogs dialogs;
    ContactEditor form;
    platform::loadForm(form);
    hover::checkRow(form);
    QCOMPARE(texts(dialogs), QStringList{});
}

QTEST_MAIN(TestContactEditor)
#include "tst_contacteditor.moc"
