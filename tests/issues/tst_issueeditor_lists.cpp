// The issue editor's list buttons: what adding and deleting values and
// contacts writes and deletes, and what the pickers offer and have chosen
// afterwards.

#include "EditorSession.h"

#include "contacts/ContactEditor.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QPushButton>

#include <algorithm>
#include <memory>

namespace {

void press(IssueEditor &form, const QString &button)
{
    form.findChild<QPushButton *>(button)->click();
}

QStringList issueTitles()
{
    return column(QStringLiteral("select Title from Issues order by ID"));
}

const QStringList allIssues{"A", "B", "C", "D"};

// A contact editor script: notes the ID it was opened with, fills the names
// and saves.
std::function<void(QDialog &)> saveContact(const QString &first, const QString &last, QString *idSeen)
{
    return [=](QDialog &window) {
        auto &contact = static_cast<ContactEditor &>(window);
        *idSeen = contact.contactId;
        contact.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(first);
        contact.findChild<QLineEdit *>(QStringLiteral("Text2"))->setText(last);
        contact.save();
    };
}

} // namespace

class TestIssueEditorLists : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorSession> s;

private slots:
    void init() { s = std::make_unique<EditorSession>(); }
    void cleanup() { s.reset(); }

    void addValue_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("what"); // picker, table, prompt and title
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("refusal"); // the message's first line
        QTest::addColumn<QStringList>("offered");
        const QString status = "Combo3|Status|Enter new Status: |Input Status";
        const QString category = "Combo4|Categories|Enter new Category: |Input Category";
        const QString priority = "Combo5|Priorities|Enter new Priority: |Input Priority";
        QTest::newRow("status with apostrophe") << "PushButton7" << status << "Baker's" << QString()
                                                << QStringList({"Baker's", "Closed", "Open", "waiting", "Won't fix"});
        QTest::newRow("category of blanks")
            << "PushButton11" << category << "  " << QString() << QStringList({"  ", "Hardware", "Software"});
        QTest::newRow("priority, non-Latin and emoji")
            << "PushButton13" << priority << QString::fromUtf8("Срочно 🔥") << QString()
            << QStringList({"High", "Low", QString::fromUtf8("Срочно 🔥")});
        QTest::newRow("status there in other letters")
            << "PushButton7" << status << "OPEN"
            << "\"OPEN\" is already in the status list. Choose it from the list instead."
            << QStringList({"Closed", "Open", "waiting", "Won't fix"});
        QTest::newRow("category there")
            << "PushButton11" << category << "hardware"
            << "\"hardware\" is already in the category list. Choose it from the list instead."
            << QStringList({"Hardware", "Software"});
        QTest::newRow("priority there") << "PushButton13" << priority << "Low"
                                        << "\"Low\" is already in the priority list. Choose it from the list instead."
                                        << QStringList({"High", "Low"});
        QTest::newRow("cancelled or empty") << "PushButton7" << status << QString() << QString()
                                            << QStringList({"Closed", "Open", "waiting", "Won't fix"});
    }

    void addValue()
    {
        QFETCH(QString, button);
        QFETCH(QString, what);
        QFETCH(QString, input);
        QFETCH(QString, refusal);
        QFETCH(QStringList, offered);
        const QStringList parts = what.split('|');
        s->dialogs.inputs << input;
        s->open(QString(), [&](IssueEditor &form) {
            QComboBox *picker = form.findChild<QComboBox *>(parts[0]);
            picker->setCurrentIndex(1);
            const QString chosen = picker->currentText();
            press(form, button);
            QCOMPARE(items(picker), offered);
            // The value added, or the one already listed in other letters, is chosen.
            const auto listed = std::find_if(offered.cbegin(), offered.cend(), [&](const QString &item) {
                return item.compare(input, Qt::CaseInsensitive) == 0;
            });
            QCOMPARE(picker->currentText(), input.isEmpty() ? chosen : *listed);
        });
        QCOMPARE(s->dialogs.inputBoxes.size(), 1);
        QCOMPARE(s->dialogs.inputBoxes[0].prompt, parts[2]);
        QCOMPARE(s->dialogs.inputBoxes[0].title, parts[3]);
        QCOMPARE(column("select * from " + parts[1]).size(), offered.size());
        QCOMPARE(texts(s->dialogs.boxes).join(QString()).section(QStringLiteral("\r\n"), 0, 0), refusal);
        QVERIFY(s->dialogs.errorBoxes().isEmpty()); // a refusal is a plain message
    }

    void deleteEntry_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("warning");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<QStringList>("remaining");
        auto warning = [](const char *what, const char *linked) {
            return QStringLiteral("Warning: Deleting %1 will also delete issue data that is linked to this %2.")
                .arg(QLatin1String(what), QLatin1String(linked));
        };
        const QString status = warning("status", "status"), category = warning("category", "category");
        const QString priority = warning("priority", "priority"), opened = warning("opened by", "contact");
        // The question's first line stays; the second counts what goes with the item.
        const auto counted = [](const QString &first, const char *second) {
            return first + QStringLiteral("\r\n") + QString::fromUtf8(second);
        };
        const QString open = counted(status, "“Open” is used by 2 issues, none of them closed.");
        const QString hardware = counted(category, "“Hardware” is used by 2 issues, 1 of them closed.");
        const QString bob = counted(opened, "“Bob Brown” is named in 1 issue.");
        QTest::newRow("status") << "PushButton8"
                                << "Open" << open << true << QStringList({"B", "D"});
        QTest::newRow("closed status") << "PushButton8"
                                       << "Closed" << counted(status, "“Closed” is used by 1 issue, which is closed.")
                                       << true << QStringList({"A", "C", "D"});
        QTest::newRow("status with apostrophe") << "PushButton8"
                                                << "Won't fix" << counted(status, "“Won't fix” is used by 1 issue.")
                                                << true << QStringList({"A", "B", "C"});
        QTest::newRow("unused status") << "PushButton8"
                                       << "waiting" << counted(status, "“waiting” is used by no issue.") << true
                                       << allIssues;
        QTest::newRow("category") << "PushButton12"
                                  << "Hardware" << hardware << true << QStringList({"C", "D"});
        QTest::newRow("priority") << "PushButton14"
                                  << "High" << counted(priority, "“High” is used by 2 issues, none of them closed.")
                                  << true << QStringList({"B", "D"});
        // Ann is assigned A and opened the closed B; Bob opened C only.
        QTest::newRow("contact beside Assigned To")
            << "PushButton6"
            << "Ann Archer"
            << counted(warning("assigned to", "contact"), "“Ann Archer” is named in 2 issues, 1 of them closed.")
            << true << QStringList({"C", "D"});
        QTest::newRow("contact beside Opened By")
            << "PushButton4"
            << "Ann Archer" << counted(opened, "“Ann Archer” is named in 2 issues, 1 of them closed.") << true
            << QStringList({"C", "D"});
        QTest::newRow("contact who opened one") << "PushButton4"
                                                << "Bob Brown" << bob << true << QStringList({"A", "B", "D"});
        QTest::newRow("status, No") << "PushButton8"
                                    << "Open" << open << false << allIssues;
        QTest::newRow("category, No") << "PushButton12"
                                      << "Hardware" << hardware << false << allIssues;
        QTest::newRow("contact, No") << "PushButton4"
                                     << "Bob Brown" << bob << false << allIssues;
    }

    // Deletes the entry and exactly the issues that refer to it, open or
    // closed; No deletes nothing and keeps every choice.
    void deleteEntry()
    {
        QFETCH(QString, button);
        QFETCH(QString, value);
        QFETCH(QString, warning);
        QFETCH(bool, yes);
        QFETCH(QStringList, remaining);
        s->dialogs.answers << (yes ? platform::Answer::Yes : platform::Answer::No);
        s->open(QString(), [&](IssueEditor &form) {
            choose(ui(form).priorityPicker, QStringLiteral("Low"));
            for (QComboBox *picker : form.findChildren<QComboBox *>())
                if (picker->findText(value) >= 0)
                    picker->setCurrentIndex(picker->findText(value));
            press(form, button);
            for (QComboBox *picker : form.findChildren<QComboBox *>()) {
                const bool listed = items(picker).contains(value);
                QVERIFY(yes ? !listed : (!listed || picker->currentText() == value));
            }
            if (value != QLatin1String("High"))
                QCOMPARE(ui(form).priorityPicker->currentText(),
                         QStringLiteral("Low")); // other pickers keep their choice
        });
        QCOMPARE(texts(s->dialogs.boxes), QStringList{warning + "\r\nDo you wish to continue?"});
        QCOMPARE(s->dialogs.boxes[0].buttons, platform::Buttons::YesNoDefaultNo);
        QCOMPARE(issueTitles(), remaining);
    }

    void deleteTogetherOrNotAtAll_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("blocked"); // the table whose delete is refused
        QTest::newRow("status refused") << "PushButton8"
                                        << "Open"
                                        << "Status";
        QTest::newRow("status's issues refused") << "PushButton8"
                                                 << "Open"
                                                 << "Issues";
        QTest::newRow("category's issues refused") << "PushButton12"
                                                   << "Software"
                                                   << "Issues";
        QTest::newRow("priority refused") << "PushButton14"
                                          << "Low"
                                          << "Priorities";
        QTest::newRow("contact refused") << "PushButton6"
                                         << "Ann Archer"
                                         << "Contacts";
        QTest::newRow("contact's issues refused") << "PushButton4"
                                                  << "Ann Archer"
                                                  << "Issues";
    }

    // Either statement refused: the message says nothing was deleted, and
    // neither the value nor any issue is gone.
    void deleteTogetherOrNotAtAll()
    {
        QFETCH(QString, button);
        QFETCH(QString, value);
        QFETCH(QString, blocked);
        const QString lists =
            QStringLiteral("select (select Count(*) from Contacts) || (select Count(*) from Status) || "
                           "(select Count(*) from Categories) || (select Count(*) from Priorities)");
        const QStringList before = column(lists);
        raw("CREATE TRIGGER Hold BEFORE DELETE ON " + blocked + " BEGIN SELECT RAISE(ABORT, 'held by a test'); END");
        s->open(QString(), [&](IssueEditor &form) {
            for (QComboBox *picker : form.findChildren<QComboBox *>())
                picker->setCurrentIndex(picker->findText(value));
            press(form, button);
        });
        // The database's refusal, told plainly.
        QVERIFY(s->dialogs.errorBoxes().isEmpty());
        const QList<ScriptedDialogs::Box> refusals = s->dialogs.plainMessages();
        QCOMPARE(refusals.size(), 1);
        QCOMPARE(refusals[0].text, QStringLiteral("held by a test\r\nNothing was deleted."));
        QCOMPARE(column(lists), before);
        QCOMPARE(issueTitles(), allIssues);
        sharedConnection().Execute(QStringLiteral("begin")); // no transaction was left open
        sharedConnection().Execute(QStringLiteral("rollback"));
    }

    void nothingChosenDoesNothing()
    {
        s->open(QString(), [&](IssueEditor &form) {
            for (const char *button : {"PushButton4", "PushButton6", "PushButton8", "PushButton9", "PushButton10",
                                       "PushButton12", "PushButton14"})
                press(form, QLatin1String(button));
        });
        QCOMPARE(s->dialogs.boxes.size() + s->dialogs.modalTitles.size(), 1); // the editor itself
        QCOMPARE(issueTitles(), allIssues);
    }

    void contacts_data()
    {
        QTest::addColumn<QString>("action"); // a button, or a picker to double-click
        QTest::addColumn<QString>("picker");
        QTest::addColumn<bool>("save");
        QTest::addColumn<QString>("idSeen");
        QTest::addColumn<QStringList>("names");
        const QStringList plusOne{"Ann Archer", "Baker's Supply", "Bob Brown", "Cy Cole", "Di Dunn", "Ed Eel"};
        const QStringList unchanged{"Ann Archer", "Bob Brown", "Cy Cole", "Di Dunn", "Ed Eel"};
        const QStringList renamed{"Ann Archer", "Baker's Supply", "Cy Cole", "Di Dunn", "Ed Eel"};
        QTest::newRow("+ Assigned To, saved") << "PushButton5"
                                              << "Combo1" << true << "" << plusOne;
        QTest::newRow("+ Opened By, saved") << "PushButton3"
                                            << "Combo2" << true << "" << plusOne;
        QTest::newRow("+ Assigned To, cancelled") << "PushButton5"
                                                  << "Combo1" << false << "" << unchanged;
        QTest::newRow("+ Opened By, cancelled") << "PushButton3"
                                                << "Combo2" << false << "" << unchanged;
        QTest::newRow("* Assigned To") << "PushButton9"
                                       << "Combo1" << true << "4" << renamed;
        QTest::newRow("* Opened By") << "PushButton10"
                                     << "Combo2" << true << "4" << renamed;
        QTest::newRow("double click Assigned To") << "Combo1"
                                                  << "Combo1" << true << "4" << renamed;
        QTest::newRow("double click Opened By") << "Combo2"
                                                << "Combo2" << true << "4" << renamed;
        QTest::newRow("second click on the box over the open list") << "Combo2 list"
                                                                    << "Combo2" << true << "4" << renamed;
    }

    // New or edited, saved or cancelled: both pickers are refilled and keep
    // their choices by ID, and a new contact is chosen where "+" was pressed,
    // so Save goes past the contacts.
    void contacts()
    {
        QFETCH(QString, action);
        QFETCH(QString, picker);
        QFETCH(bool, save);
        QFETCH(QString, idSeen);
        QFETCH(QStringList, names);
        QString opened = QStringLiteral("not opened");
        if (save)
            s->dialogs.modalScripts << saveContact(QStringLiteral("Baker's"), QStringLiteral("Supply"), &opened);
        s->open(QString(), [&](IssueEditor &form) {
            ui(form).titleBox->setText(QStringLiteral("Jam"));
            choose(ui(form).assignedToPicker, QStringLiteral("Cy Cole"));
            choose(ui(form).openedByPicker, QStringLiteral("Ed Eel"));
            choose(form.findChild<QComboBox *>(picker), QStringLiteral("Bob Brown"));
            if (action.endsWith(QLatin1String(" list"))) {
                // The first click opens the list, which takes the second.
                QComboBox *box = form.findChild<QComboBox *>(action.section(' ', 0, 0));
                QTest::mouseClick(box, Qt::LeftButton);
                QWidget *list = box->view()->viewport();
                QTest::mousePress(list, Qt::LeftButton, {}, list->mapFromGlobal(box->mapToGlobal(QPoint(5, 5))));
            } else if (action.startsWith(QLatin1String("Combo"))) {
                QTest::mouseDClick(form.findChild<QComboBox *>(action), Qt::LeftButton);
            } else {
                press(form, action);
            }
            QCOMPARE(items(ui(form).assignedToPicker), names);
            QCOMPARE(items(ui(form).openedByPicker), names);
            QCOMPARE(form.contactIds.size(), names.size());
            const bool acting = picker == QLatin1String("Combo1");
            const QString actedOn = save ? QStringLiteral("Baker's Supply") : QStringLiteral("Bob Brown");
            QCOMPARE(ui(form).assignedToPicker->currentText(), acting ? actedOn : QStringLiteral("Cy Cole"));
            QCOMPARE(ui(form).openedByPicker->currentText(), acting ? QStringLiteral("Ed Eel") : actedOn);
            s->dialogs.boxes.clear();
            form.save();
        });
        QCOMPARE(s->dialogs.modalTitles.size(), 2);
        if (save)
            QCOMPARE(opened, idSeen);
        QCOMPARE(texts(s->dialogs.boxes), QStringList{"You forgot to select Status."});
    }
};

QTEST_MAIN(TestIssueEditorLists)
#include "tst_issueeditor_lists.moc"
