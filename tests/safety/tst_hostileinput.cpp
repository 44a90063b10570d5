// Hostile text typed into every field the program writes: the issue title
// and comment, the three value lists, the sixteen contact boxes. Each text
// goes in through its window and its command, comes back through the path
// the windows read it by, and is checked in the file itself: the exact
// value, no other row changed, and an intact database. A text the database
// cannot hold is refused with a clear message, and nothing is written.

#include "issues/EditorSession.h"

#include "contacts/ContactEditor.h"

#include <QInputDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QTimer>

#include <memory>

namespace {

// ---- What the file holds --------------------------------------------------

const char *const tables[] = {"Issues", "Contacts", "Status", "Categories", "Priorities"};

// Every row of every table, each cell with its type, in stored order. Rows
// under test are left out: by their ID, or by their value in a one-column
// list.
using RowKey = std::pair<const char *, Value>;
QStringList snapshot(std::initializer_list<RowKey> skipped = {})
{
    QStringList rows;
    for (const char *table : tables) {
        Recordset rs;
        for (rs.Open(QStringLiteral("select * from ") + QLatin1String(table), sharedConnection()); !rs.Eof();
             rs.MoveNext()) {
            bool skip = false;
            for (const RowKey &key : skipped)
                skip = skip || (qstrcmp(key.first, table) == 0 && rs.field(0) == key.second);
            if (skip)
                continue;
            QString row = QLatin1String(table);
            for (int column = 0; column < rs.fieldCount(); ++column)
                row += QStringLiteral("|%1:%2").arg(int(rs.field(column).type())).arg(rs.field(column).toTextOrEmpty());
            rows << row;
        }
    }
    return rows;
}

QString integrity()
{
    Recordset rs;
    rs.Open(QStringLiteral("PRAGMA integrity_check"), sharedConnection());
    return rs.field(0).toText();
}

Value storedField(const QString &table, qint64 id, const QString &column)
{
    Recordset rs;
    rs.Open(QStringLiteral("select * from %1 where ID=%2").arg(table).arg(id), sharedConnection());
    return rs.Eof() ? Value(QStringLiteral("<no row>")) : rs.Fields(column);
}

qint64 newest(const QString &table)
{
    return column(QStringLiteral("select Max(ID) from ") + table).value(0).toLongLong();
}

// A multi-line box turns each line break (CR LF, CR or LF) into the one
// line break a user can type: a line feed.
QString asTypedIntoMultiLineBox(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

QString multiLineShown(const QPlainTextEdit *box)
{
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

// ---- The contact editor ----------------------------------------------------

// The sixteen boxes, Text1 .. Text16, and the columns they write.
const char *const contactColumns[16] = {
    "First Name", "Last Name", "Job Title", "Company", "Business Phone", "Home Phone",     "Mobile Phone", "Fax Number",
    "Address",    "City",      "State",     "ZIP",     "Country",        "E-mail Address", "Web Page",     "Notes"};

void setContactBox(QDialog &form, int box, const QString &text)
{
    if (box == 16)
        form.findChild<QPlainTextEdit *>(QStringLiteral("Text16"))->setPlainText(text);
    else
        form.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box))->setText(text);
}

QString contactBoxShown(QDialog &form, int box)
{
    if (box == 16)
        return multiLineShown(form.findChild<QPlainTextEdit *>(QStringLiteral("Text16")));
    return form.findChild<QLineEdit *>(QStringLiteral("Text%1").arg(box))->text();
}

Value storedContact(qint64 id, int box)
{
    return storedField(QStringLiteral("Contacts"), id, QLatin1String(contactColumns[box - 1]));
}

// Shows the contact editor through the dialogs seam and runs the script
// while it is open; returns whether the window was still open afterwards.
bool inContactEditor(ScriptedDialogs &dialogs, const QString &id, const std::function<void(QDialog &)> &script)
{
    ContactEditor form;
    form.contactId = id;
    bool stillOpen = false;
    dialogs.modalScripts.prepend([&](QDialog &window) {
        window.show();
        script(window);
        stillOpen = window.isVisible();
    });
    platform::dialogs().showModal(form);
    return stillOpen;
}

// ---- The issue editor ------------------------------------------------------

// Fills what Save asks for that is not chosen yet, so that the issue is
// open (the editor loads open issues only); leaves the title.
void chooseTheRest(IssueEditor &form)
{
    if (ui(form).statusPicker->currentIndex() < 0)
        ui(form).statusPicker->setCurrentIndex(ui(form).statusPicker->findText(QStringLiteral("Open")));
    for (QComboBox *picker :
         {static_cast<QComboBox *>(ui(form).assignedToPicker), static_cast<QComboBox *>(ui(form).openedByPicker),
          ui(form).categoryPicker, ui(form).priorityPicker})
        if (picker->currentIndex() < 0)
            picker->setCurrentIndex(0);
}

} // namespace

class TestHostileInput : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorSession> s;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { s = std::make_unique<EditorSession>(); }
    void cleanup() { s.reset(); }

    void issueTitleAndComment_data() { battery(); }
    void issueTitleAndComment();
    void valueLists_data() { battery(); }
    void valueLists();
    void contactBoxes_data() { battery(); }
    void contactBoxes();
    void realInputBoxTakesTheWholeText_data();
    void realInputBoxTakesTheWholeText();

private:
    static void battery();
};

// The hostile texts, each with what refusing it must say (empty: it is
// stored exactly).
void TestHostileInput::battery()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("refusal");
    const QString stored;
    QTest::newRow("apostrophe") << "O'Brien's" << stored;
    QTest::newRow("lone apostrophe") << "'" << stored;
    QTest::newRow("runs of apostrophes") << "''a'''b''''" << stored;
    QTest::newRow("double quotes") << "say \"hi\" \"\"" << stored;
    QTest::newRow("backslashes") << "C:\\temp\\ \\' \\\\ \\n \\0 \\" << stored;
    QTest::newRow("percent and underscore") << "100% _x_ %_% \\% [%]" << stored;
    QTest::newRow("sql: drop table") << "'); drop table Issues; --" << stored;
    QTest::newRow("sql: always true") << "' or '1'='1" << stored;
    QTest::newRow("sql: brackets, comments, joins") << "x]; delete from Contacts /* [Title]+' '+ */ --" << stored;
    QTest::newRow("number with leading zeros") << "007" << stored;
    QTest::newRow("number-like texts") << "1e3" << stored;
    QTest::newRow("date-like text") << "8/31/2021" << stored;
    QTest::newRow("blanks around") << "  padded  " << stored;
    QTest::newRow("control characters") << QString::fromUtf8("\x01\x02\x07\x08\t\x0b\x0c\x1b[31mred\x7f") << stored;
    QTest::newRow("line breaks") << "one\ntwo\r\nthree\rfour" << stored;
    QTest::newRow("right-to-left") << QString::fromUtf8("שלום עולם \u202Eabc\u202C مرحبا") << stored;
    QTest::newRow("combining marks") << QString::fromUtf8("e\u0301 a\u0308 Z\u0335\u0321a\u0337l\u0338") << stored;
    QTest::newRow("emoji") << QString::fromUtf8("🙂👍🏽🇩🇪👨‍👩‍👧 💩") << stored;
    QString megabyte;
    while (megabyte.size() < 1024 * qsizetype(1024))
        megabyte += QString::fromUtf8("O'Brien ✓ \"x\" ");
    QTest::newRow("1 MB with apostrophes") << megabyte << stored;
    const QString nul = QStringLiteral("NUL character (code 0), which cannot be stored");
    QTest::newRow("lone NUL") << QString(QChar(0)) << nul;
    QTest::newRow("NUL inside") << QStringLiteral("before") + QChar(0) + QStringLiteral("after") << nul;
}

// The title and the comment of a new issue, saved through the editor, then
// loaded into it again and saved unchanged.
void TestHostileInput::issueTitleAndComment()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);

    for (const char *field : {"Title", "Comment"}) {
        const bool title = QLatin1String(field) == QLatin1String("Title");
        const QString expected = title ? text : asTypedIntoMultiLineBox(text);
        const QStringList before = snapshot();
        const int errorsBefore = s->dialogs.errorBoxes().size();

        s->open(QString(), [&](IssueEditor &form) {
            ui(form).titleBox->setText(title ? text : QStringLiteral("Plain title"));
            ui(form).commentBox->setPlainText(title ? QStringLiteral("plain comment") : text);
            chooseTheRest(form);
            ui(form).saveButton->click();
            if (!refusal.isEmpty()) // what was typed is still there to mend
                QCOMPARE(title ? ui(form).titleBox->text() : multiLineShown(ui(form).commentBox), expected);
        });

        if (!refusal.isEmpty()) {
            QVERIFY2(s->stillOpen, field);
            // Refused input is told plainly, not as a program failure.
            QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
            QVERIFY2(s->dialogs.plainMessages().last().text.contains(refusal), field);
            QCOMPARE(texts(s->dialogs.boxes).count(QStringLiteral("Record Successfully Saved")), 0);
            QCOMPARE(snapshot(), before);
            QCOMPARE(integrity(), QStringLiteral("ok"));
            continue;
        }

        QVERIFY2(!s->stillOpen, field);
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        const qint64 id = newest(QStringLiteral("Issues"));
        QVERIFY2(storedField(QStringLiteral("Issues"), id, QLatin1String(field)) == Value(expected), field);
        QCOMPARE(snapshot({{"Issues", Value(id)}}), before);

        // Loaded into the editor, it shows as typed; saved unchanged, it
        // stays exactly as it was.
        s->open(QString::number(id), [&](IssueEditor &form) {
            QVERIFY2((title ? ui(form).titleBox->text() : multiLineShown(ui(form).commentBox)) == expected, field);
            ui(form).saveButton->click();
        });
        QVERIFY2(!s->stillOpen, field);
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        QVERIFY2(storedField(QStringLiteral("Issues"), id, QLatin1String(field)) == Value(expected), field);
        QCOMPARE(snapshot({{"Issues", Value(id)}}), before);
        QCOMPARE(integrity(), QStringLiteral("ok"));
    }
}

// A value added with "+" and the input box, offered by its picker, chosen
// for an issue, selected again when the issue is loaded, and deleted with
// "-" together with that issue and nothing else.
void TestHostileInput::valueLists()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);

    struct List {
        const char *button;
        const char *deleteButton;
        const char *table;
        const char *column;
        const char *picker;
    };
    const List lists[] = {{"PushButton7", "PushButton8", "Status", "Status", "Combo3"},
                          {"PushButton11", "PushButton12", "Categories", "Category", "Combo4"},
                          {"PushButton13", "PushButton14", "Priorities", "Priority", "Combo5"}};
    for (const List &list : lists) {
        const QStringList before = snapshot();
        const int errorsBefore = s->dialogs.errorBoxes().size();
        QStringList offered;
        s->dialogs.inputs = QStringList{text};
        s->open(QString(), [&](IssueEditor &form) {
            form.findChild<QPushButton *>(QLatin1String(list.button))->click();
            offered = items(control<QComboBox>(form, list.picker));
            if (refusal.isEmpty()) {
                ui(form).titleBox->setText(QStringLiteral("Uses the new value"));
                choose(control<QComboBox>(form, list.picker), text);
                chooseTheRest(form);
                ui(form).saveButton->click();
            }
        });
        QVERIFY(s->dialogs.inputs.isEmpty());

        if (!refusal.isEmpty()) {
            QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
            QVERIFY2(s->dialogs.plainMessages().last().text.contains(refusal), list.table);
            QVERIFY2(!offered.contains(text), list.table);
            QCOMPARE(snapshot(), before);
            QCOMPARE(integrity(), QStringLiteral("ok"));
            continue;
        }

        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        QCOMPARE(offered.count(text), 1);
        QCOMPARE(column(QStringLiteral("select * from ") + QLatin1String(list.table)).count(text), 1);
        const qint64 id = newest(QStringLiteral("Issues"));
        QVERIFY2(storedField(QStringLiteral("Issues"), id, QLatin1String(list.column)) == Value(text), list.table);
        // Nothing else changed: the list gained this value, Issues this issue.
        QCOMPARE(snapshot({{list.table, Value(text)}, {"Issues", Value(id)}}), before);

        // Deleting the value with "-" takes exactly it and the issue that
        // uses it: the file is as it was before the value was added.
        s->dialogs.answers = {platform::Answer::Yes};
        s->open(QString::number(id), [&](IssueEditor &form) {
            QVERIFY2(control<QComboBox>(form, list.picker)->currentText() == text, list.table);
            form.findChild<QPushButton *>(QLatin1String(list.deleteButton))->click();
            QVERIFY2(!items(control<QComboBox>(form, list.picker)).contains(text), list.table);
        });
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        QCOMPARE(snapshot(), before);
        QCOMPARE(integrity(), QStringLiteral("ok"));
    }
}

// Each of the sixteen boxes in turn holds the text, the others plain texts
// of their own, so a text written to the wrong column shows too. A new
// contact is saved, loaded again and saved unchanged; its name, when the
// text is part of it, is offered by the issue editor's contact pickers and
// selected again when an issue assigned to it is loaded.
void TestHostileInput::contactBoxes()
{
    QFETCH(QString, text);
    QFETCH(QString, refusal);

    for (int box = 1; box <= 16; ++box) {
        const QString expected = box == 16 ? asTypedIntoMultiLineBox(text) : text;
        auto entry = [&](int other) { return other == box ? text : QStringLiteral("Box %1").arg(other); };
        auto entryStored = [&](int other) { return other == box ? expected : QStringLiteral("Box %1").arg(other); };
        const QStringList before = snapshot();
        const int errorsBefore = s->dialogs.errorBoxes().size();
        const QByteArray where = "box Text" + QByteArray::number(box);

        bool stillOpen = inContactEditor(s->dialogs, QString(), [&](QDialog &form) {
            for (int other = 1; other <= 16; ++other)
                setContactBox(form, other, entry(other));
            form.findChild<QPushButton *>(QStringLiteral("PushButton2"))->click();
            if (!refusal.isEmpty()) // what was typed is still there to mend
                QCOMPARE(contactBoxShown(form, box), expected);
        });

        if (!refusal.isEmpty()) {
            QVERIFY2(stillOpen, where);
            QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
            QVERIFY2(s->dialogs.plainMessages().last().text.contains(refusal), where);
            QCOMPARE(texts(s->dialogs.boxes).count(QStringLiteral("Record Successfully Saved")), 0);
            QCOMPARE(snapshot(), before);
            QCOMPARE(integrity(), QStringLiteral("ok"));
            continue;
        }

        QVERIFY2(!stillOpen, where);
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        const qint64 id = newest(QStringLiteral("Contacts"));
        for (int other = 1; other <= 16; ++other)
            QVERIFY2(storedContact(id, other) == Value(entryStored(other)),
                     where + " column " + contactColumns[other - 1]);
        QCOMPARE(snapshot({{"Contacts", Value(id)}}), before);

        stillOpen = inContactEditor(s->dialogs, QString::number(id), [&](QDialog &form) {
            for (int other = 1; other <= 16; ++other)
                QVERIFY2(contactBoxShown(form, other) == entryStored(other),
                         where + " shown in Text" + QByteArray::number(other));
            form.findChild<QPushButton *>(QStringLiteral("PushButton2"))->click();
        });
        QVERIFY2(!stillOpen, where);
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
        for (int other = 1; other <= 16; ++other)
            QVERIFY2(storedContact(id, other) == Value(entryStored(other)),
                     where + " saved again, column " + contactColumns[other - 1]);
        QCOMPARE(snapshot({{"Contacts", Value(id)}}), before);
        QCOMPARE(integrity(), QStringLiteral("ok"));

        if (box > 2)
            continue;
        const QString name = entryStored(1) + QLatin1Char(' ') + entryStored(2);
        s->open(QString(), [&](IssueEditor &form) {
            QCOMPARE(items(ui(form).assignedToPicker).count(name), 1);
            choose(ui(form).assignedToPicker, name);
            ui(form).titleBox->setText(QStringLiteral("Assigned to the new contact"));
            chooseTheRest(form);
            ui(form).saveButton->click();
        });
        const qint64 issue = newest(QStringLiteral("Issues"));
        QCOMPARE(storedField(QStringLiteral("Issues"), issue, QStringLiteral("Assigned To")).toInteger(), id);
        s->open(QString::number(issue), [&](IssueEditor &form) {
            QVERIFY2(ui(form).assignedToPicker->currentText() == name, where);
            QCOMPARE(form.contactIds.value(ui(form).assignedToPicker->currentIndex()), id);
        });
        QCOMPARE(s->dialogs.errorBoxes().size(), errorsBefore);
    }
}

void TestHostileInput::realInputBoxTakesTheWholeText_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<bool>("accept");
    QTest::newRow("short") << 12 << true;
    QTest::newRow("beyond a line box's usual 32767") << 40000 << true;
    QTest::newRow("1 MB") << 1024 * 1024 << true;
    QTest::newRow("cancelled") << 40000 << false;
}

// The input box the value lists ask with, the real one, answered as a user
// would: what is pasted into it comes back whole.
void TestHostileInput::realInputBoxTakesTheWholeText()
{
    QFETCH(int, length);
    QFETCH(bool, accept);
    s.reset(); // the real dialogs, not the scripted ones
    QString pasted;
    for (int i = 0; pasted.size() < length; ++i)
        pasted += QString::number(i % 10);
    pasted.truncate(length);
    QString seenTitle;
    QTimer::singleShot(0, [&] {
        auto *box = qobject_cast<QInputDialog *>(QApplication::activeModalWidget());
        QVERIFY(box);
        seenTitle = box->windowTitle();
        auto *line = box->findChild<QLineEdit *>();
        QVERIFY(line);
        line->selectAll();
        line->insert(pasted);
        accept ? box->accept() : box->reject();
    });
    const QString answer =
        platform::dialogs().input(QStringLiteral("Enter new Status: "), QStringLiteral("Input Status"), QString());
    QCOMPARE(seenTitle, QStringLiteral("Input Status"));
    QCOMPARE(answer.size(), accept ? length : 0);
    QVERIFY(answer == (accept ? pasted : QString()));
}

QTEST_MAIN(TestHostileInput)
#include "tst_hostileinput.moc"
