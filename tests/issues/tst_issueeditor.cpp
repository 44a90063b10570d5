// The issue editor driven through the dialogs seam: what it loads, the
// statements Save sends, the checks before saving, what a failing or
// pointless save reports, and text that must come back exactly as typed.

#include "EditorSession.h"

#include "platform/ApplicationTitle.h"
#include "tests/support/HoverProbe.h"

#include "issues/DateField.h"
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <memory>

namespace {

Value stored(qint64 id, const char *name)
{
    Recordset rs;
    rs.Open(QStringLiteral("select * from Issues where ID=%1").arg(id), sharedConnection());
    return rs.Eof() ? Value() : rs.Fields(QLatin1String(name));
}

QString commentShown(const IssueEditor &form)
{
    return ui(form).commentBox->document()->toRawText().replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
}

} // namespace

class TestIssueEditor : public QObject {
    Q_OBJECT
    std::unique_ptr<EditorSession> s;

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { s = std::make_unique<EditorSession>(); }
    void cleanup()
    {
        s.reset();
        hover::placeCursorFile(false);
    }

    void addModeStartsEmpty()
    {
        s->open(QString(), [&](IssueEditor &form) {
            for (QComboBox *picker : form.findChildren<QComboBox *>())
                QCOMPARE(picker->currentIndex(), -1);
            QCOMPARE(ui(form).openedDateField->date(), QDate::currentDate());
            QCOMPARE(ui(form).dueDateField->date(), QDate::currentDate());
            const QStringList names{"Ann Archer", "Bob Brown", "Cy Cole", "Di Dunn", "Ed Eel"};
            QCOMPARE(items(ui(form).assignedToPicker), names);
            QCOMPARE(items(ui(form).openedByPicker), names);
            QCOMPARE(form.contactIds, QList<qint64>({2, 4, 1, 5, 3}));
            QCOMPARE(items(ui(form).statusPicker), QStringList({"Closed", "Open", "waiting", "Won't fix"}));
        });
        QCOMPARE(s->dialogs.boxes.size(), 0);
    }

    // An ID reaches a statement only as a number: other text (a damaged
    // list cell) loads no issue and writes nothing, and the box says why.
    void idThatIsNotANumberLoadsAndWritesNothing()
    {
        s->open(QStringLiteral("1 or 1=1"), [&](IssueEditor &form) {
            QCOMPARE(ui(form).titleBox->text(), QString());
            fillAll(form);
            ui(form).saveButton->click();
        });
        QVERIFY(!s->dialogs.boxes.isEmpty());
        QVERIFY(s->dialogs.boxes.constFirst().text.startsWith(
            QLatin1String("The issue's ID \"1 or 1=1\" is not a number.")));
        QCOMPARE(column(QStringLiteral("select Title from Issues order by ID")), QStringList({"A", "B", "C", "D"}));
    }

    void statements_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("comment");
        QTest::addColumn<QString>("expected");
        const QString insert = QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],"
                                              "Status,Category,Priority,Comment,[Due Date]) values ('Paper jam',3,5,");
        QTest::newRow("insert, month first")
            << QLocale(QLocale::English, QLocale::UnitedStates) << QString() << QString()
            << insert + "'8/31/2021','Open','Hardware','High','','8/31/2021')";
        QTest::newRow("insert, day first")
            << QLocale(QLocale::English, QLocale::UnitedKingdom) << QString() << "it's \"jammed\""
            << insert + "'31/08/2021','Open','Hardware','High','it''s \"jammed\"','31/08/2021')";
        QTest::newRow("update")
            << QLocale(QLocale::German, QLocale::Germany) << "12"
            << "a'b\nc"
            << "update Issues set Title='Paper jam',[Assigned To]=3,[Opened By]=5,[Opened Date]='31.08.2021',"
               "Status='Open',Category='Hardware',Priority='High',Comment='a''b\nc',[Due Date]='31.08.2021' "
               "where ID=12";
    }

    void statements()
    {
        QFETCH(QLocale, locale);
        QFETCH(QString, id);
        QFETCH(QString, comment);
        QFETCH(QString, expected);
        QLocale::setDefault(locale);
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            ui(form).titleBox->setText(QStringLiteral("Paper jam"));
            choose(ui(form).assignedToPicker, QStringLiteral("Ed Eel")); // 3
            choose(ui(form).openedByPicker, QStringLiteral("Di Dunn"));  // 5
            ui(form).openedDateField->setDate(QDate(2021, 8, 31));
            ui(form).dueDateField->setDate(QDate(2021, 8, 31));
            ui(form).commentBox->setPlainText(comment);
            form.issueId = id;
            QCOMPARE(id.isEmpty() ? form.insertStatement() : form.updateStatement(), expected);
        });
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    // Cancel, Escape and the close button ask before typing is lost, No
    // (keep editing) the default; an untouched editor closes at once.
    void saveOrCancel_data()
    {
        QTest::addColumn<QString>("how"); // a button, "Escape", or empty: the close button
        QTest::addColumn<bool>("typed");
        QTest::addColumn<bool>("discard");
        QTest::addColumn<QStringList>("boxes");
        const QString discard = QStringLiteral("This issue has changes that are not saved.\r\nDiscard them and close "
                                               "the window?");
        QTest::newRow("Save") << "PushButton2" << true << true << QStringList{"Record Successfully Saved"};
        QTest::newRow("Cancel, untouched") << "PushButton1" << false << true << QStringList();
        QTest::newRow("Cancel, discarded") << "PushButton1" << true << true << QStringList{discard};
        QTest::newRow("close button, discarded") << QString() << true << true << QStringList{discard};
        QTest::newRow("Escape, kept") << "Escape" << true << false << QStringList{discard};
    }

    void saveOrCancel()
    {
        QFETCH(QString, how);
        QFETCH(bool, typed);
        QFETCH(bool, discard);
        QFETCH(QStringList, boxes);
        s->dialogs.answers << (discard ? platform::Answer::Yes : platform::Answer::No);
        s->open(QString(), [&](IssueEditor &form) {
            if (typed) {
                fillAll(form);
                ui(form).dueDateField->setDate(QDate(2021, 8, 1)); // due before opened: accepted
            }
            if (how == QLatin1String("Escape"))
                QTest::keyClick(&form, Qt::Key_Escape);
            else
                how.isEmpty() ? void(form.close()) : form.findChild<QPushButton *>(how)->click();
            if (!discard)
                QCOMPARE(ui(form).titleBox->text(), QStringLiteral("Printer")); // what was typed is still there
        });
        QCOMPARE(s->stillOpen, !discard);
        QCOMPARE(texts(s->dialogs.boxes), boxes);
        for (const ScriptedDialogs::Box &box : s->dialogs.boxes)
            QVERIFY(box.title == platform::applicationTitle() && box.icon == platform::Icon::None);
        if (how == QLatin1String("PushButton2"))
            QCOMPARE(s->dialogs.boxes.value(0).buttons, platform::Buttons::Ok);
        else if (!boxes.isEmpty())
            QCOMPARE(s->dialogs.boxes.value(0).buttons, platform::Buttons::YesNoDefaultNo);
        const qint64 id = newestIssue();
        QCOMPARE(id, how == QLatin1String("PushButton2") ? 5 : 4);
        if (id == 5) {
            QCOMPARE(stored(id, "Assigned To").toInteger(), 2);
            QCOMPARE(stored(id, "Opened By").toInteger(), 4);
            QCOMPARE(stored(id, "Due Date").toDate(), QDate(2021, 8, 1));
            QCOMPARE(stored(id, "Comment"), Value(QString())); // empty text, not missing
        }
    }

    void checksInOrder_data()
    {
        QTest::addColumn<int>("missing");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("title of blanks") << 0 << "You forgot to input Title."
                                         << "Text1";
        QTest::newRow("assigned to") << 1 << "You forgot to select Assigned To."
                                     << "Combo1";
        QTest::newRow("opened by") << 2 << "You forgot to select Opened By."
                                   << "Combo2";
        QTest::newRow("status") << 3 << "You forgot to select Status."
                                << "Combo3";
        QTest::newRow("category") << 4 << "You forgot to select Category."
                                  << "Combo4";
        QTest::newRow("priority") << 5 << "You forgot to select Priority."
                                  << "Combo5";
        QTest::newRow("opened date emptied") << 6 << "You forgot to input Opened Date."
                                             << "dateText";
    }

    // One field is missing and every later one is filled, so only the order
    // of the checks passes.
    void checksInOrder()
    {
        QFETCH(int, missing);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            QComboBox *pickers[] = {ui(form).assignedToPicker, ui(form).openedByPicker, ui(form).statusPicker,
                                    ui(form).categoryPicker, ui(form).priorityPicker};
            if (missing == 0)
                ui(form).titleBox->setText(QStringLiteral("   "));
            else if (missing == 6)
                ui(form).openedDateField->setText(QStringLiteral(" "));
            else
                pickers[missing - 1]->setCurrentIndex(-1);
            ui(form).editAssignedToButton->setFocus();
            form.save();
            QWidget *focused = QApplication::focusWidget();
            QCOMPARE(focused ? focused->objectName() : QString(), focus);
        });
        QCOMPARE(texts(s->dialogs.boxes), QStringList{message});
        QVERIFY(s->stillOpen);
        QCOMPARE(newestIssue(), 4);
    }

    // An issue stored without an opened date (by an older version) opens
    // without a box; Save asks for the date before writing anything.
    void storedWithoutOpenedDateOpensQuietly()
    {
        raw(QStringLiteral("update Issues set [Opened Date] = NULL where ID = 1"));
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            QCOMPARE(texts(s->dialogs.boxes), QStringList());
            QCOMPARE(ui(form).openedDateField->text(), QString());
            form.save();
            ui(form).openedDateField->setDate(QDate(2021, 8, 30));
            form.save();
        });
        QCOMPARE(texts(s->dialogs.boxes),
                 QStringList({"You forgot to input Opened Date.", "Record Successfully Updated"}));
        QCOMPARE(column(QStringLiteral("select [Opened Date] from Issues where ID = 1")), QStringList{"8/30/2021"});
    }

    void editLoadsAndRewritesEveryField()
    {
        raw(QStringLiteral("update Issues set Status = 'OPEN', Comment = 'first' || char(10) || 'second' "
                           "where ID = 1"));
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            QCOMPARE(ui(form).idBox->text(), QStringLiteral("1"));
            QCOMPARE(ui(form).titleBox->text(), QStringLiteral("A"));
            const QStringList shown{ui(form).assignedToPicker->currentText(), ui(form).openedByPicker->currentText(),
                                    ui(form).statusPicker->currentText(), ui(form).categoryPicker->currentText(),
                                    ui(form).priorityPicker->currentText()};
            QCOMPARE(shown, QStringList({"Ann Archer", "Cy Cole", "Open", "Hardware", "High"}));
            QCOMPARE(ui(form).openedDateField->date(), QDate(2021, 8, 31));
            QCOMPARE(ui(form).dueDateField->date(), QDate(2021, 9, 15));
            QCOMPARE(commentShown(form), QStringLiteral("first\nsecond"));
            ui(form).titleBox->setText(QStringLiteral("A2"));
            choose(ui(form).assignedToPicker, QStringLiteral("Di Dunn"));
            choose(ui(form).openedByPicker, QStringLiteral("Ed Eel"));
            choose(ui(form).statusPicker, QStringLiteral("waiting"));
            choose(ui(form).categoryPicker, QStringLiteral("Software"));
            choose(ui(form).priorityPicker, QStringLiteral("Low"));
            ui(form).openedDateField->setDate(QDate(2022, 1, 2));
            ui(form).dueDateField->setDate(QDate(2022, 2, 3));
            ui(form).commentBox->setPlainText(QStringLiteral("done"));
            form.save();
        });
        QCOMPARE(texts(s->dialogs.boxes), QStringList{"Record Successfully Updated"});
        QVERIFY(!s->stillOpen);
        QCOMPARE(column(QStringLiteral("select Title || [Assigned To] || [Opened By] || Status || Category || Priority "
                                       "|| [Opened Date] || [Due Date] || Comment from Issues where ID = 1")),
                 QStringList{"A253waitingSoftwareLow2022-01-022022-02-03done"});
    }

    void failedSaveKeepsEverything_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<QString>("refusal");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("reason");
        QTest::newRow("insert refused") << QString() << "INSERT"
                                        << "Printer"
                                        << "held by a test";
        QTest::newRow("update refused") << "1"
                                        << "UPDATE"
                                        << "Printer"
                                        << "held by a test";
        QTest::newRow("NUL in the title") << QString() << QString() << QStringLiteral("a") + QChar(0) + "b"
                                          << "NUL";
    }

    // The refusal told plainly, no success message; the window stays open with
    // everything typed, and nothing is written.
    void failedSaveKeepsEverything()
    {
        QFETCH(QString, id);
        QFETCH(QString, refusal);
        QFETCH(QString, title);
        QFETCH(QString, reason);
        if (!refusal.isEmpty())
            raw("CREATE TRIGGER Hold BEFORE " + refusal +
                " ON Issues BEGIN SELECT RAISE(ABORT, 'held by a test'); END");
        s->open(id, [&](IssueEditor &form) {
            fillAll(form);
            ui(form).titleBox->setText(title);
            ui(form).commentBox->setPlainText(QStringLiteral("typed with care"));
            form.save();
            QCOMPARE(ui(form).titleBox->text(), title);
            QCOMPARE(commentShown(form), QStringLiteral("typed with care"));
        });
        QCOMPARE(s->dialogs.plainMessages().size(), 1);
        QCOMPARE(s->dialogs.boxes.size(), 1);
        QVERIFY(s->dialogs.boxes[0].text.section(QStringLiteral("\r\n"), 0, 0).contains(reason));
        QVERIFY(s->stillOpen);
        QCOMPARE(column(QStringLiteral("select Title from Issues")), QStringList({"A", "B", "C", "D"}));
    }

    // "-" beside Status deletes the edited issue with its status; Save then
    // finds no row and says so instead of claiming success.
    void saveOfDeletedIssueSaysSo()
    {
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            form.deleteStatus(); // "Open", answered Yes
            choose(ui(form).statusPicker, QStringLiteral("waiting"));
            form.save();
        });
        QCOMPARE(texts(s->dialogs.boxes).value(1),
                 QStringLiteral("This issue no longer exists: it was deleted while you were editing it. Copy what you "
                                "need, then press Cancel."));
        QCOMPARE(s->dialogs.boxes.size(), 2);
        QVERIFY(s->stillOpen);
        QCOMPARE(column(QStringLiteral("select Title from Issues")), QStringList({"B", "D"}));
    }

    void textComesBackExactly_data()
    {
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("comment");
        QTest::newRow("apostrophes") << "Baker's ''jam''"
                                     << "it's 'quoted'";
        QTest::newRow("double quotes, backslashes") << "\"Chief\" C:\\Temp\\ \\'"
                                                    << "say \"hi\" \\n \\";
        QTest::newRow("sql fragment") << "'); delete from Issues; --"
                                      << "[Title]+' '+[Comment] /* */ %_ ;";
        QTest::newRow("blanks kept") << "  padded  "
                                     << "  ";
        QTest::newRow("non-Latin, emoji") << QString::fromUtf8("Москва 東京 القاهرة 🙂👍🏽")
                                          << QString::fromUtf8("עברית 👨‍👩‍👧 \u00a0\t");
        QTest::newRow("line breaks") << "one\ntwo"
                                     << "first\nsecond\n\n  fourth\n";
        QString big;
        while (big.size() < 1024 * qsizetype(1024))
            big += QString::fromUtf8("line %1 'é' \"ü\" \\ 🙂\n").arg(big.size());
        QTest::newRow("1 MB comment") << "big" << big;
    }

    // Saved, loaded back, saved again unchanged: identical in the file and
    // on the screen every time.
    void textComesBackExactly()
    {
        QFETCH(QString, title);
        QFETCH(QString, comment);
        s->open(QString(), [&](IssueEditor &form) {
            fillAll(form);
            ui(form).titleBox->setText(title);
            ui(form).commentBox->setPlainText(comment);
            form.save();
        });
        const qint64 id = newestIssue();
        for (int round = 0; round < 2; ++round) {
            QCOMPARE(stored(id, "Title").toText(), title);
            QCOMPARE(stored(id, "Comment").toText(), comment);
            s->open(QString::number(id), [&](IssueEditor &form) {
                QCOMPARE(ui(form).titleBox->text(), title);
                QCOMPARE(commentShown(form), comment);
                form.save();
            });
        }
        QCOMPARE(texts(s->dialogs.boxes), QStringList({"Record Successfully Saved", "Record Successfully Updated",
                                                       "Record Successfully Updated"}));
    }

    // Line breaks the comment box cannot hold as such (CR LF, a lone CR) are
    // kept while the comment is not touched.
    void untouchedCommentWrittenBackAsLoaded()
    {
        raw(QStringLiteral("update Issues set Comment = 'a' || char(13,10) || 'b' || char(13) || 'c' where ID = 1"));
        s->open(QStringLiteral("1"), [&](IssueEditor &form) { form.save(); });
        QCOMPARE(stored(1, "Comment").toText(), QStringLiteral("a\r\nb\rc"));
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            ui(form).commentBox->moveCursor(QTextCursor::End);
            ui(form).commentBox->insertPlainText(QStringLiteral("!"));
            form.save();
        });
        QCOMPARE(stored(1, "Comment").toText(), QStringLiteral("a\nb\nc!"));
    }

    // A status no longer in its list is reported; that picker stays without
    // a choice and the other fields still load.
    void valueNotInPickerIsReported()
    {
        raw(QStringLiteral("update Issues set Status = 'Gone', Comment = 'kept' where ID = 1"));
        s->open(QStringLiteral("1"), [&](IssueEditor &form) {
            QCOMPARE(ui(form).statusPicker->currentIndex(), -1);
            QCOMPARE(ui(form).categoryPicker->currentText(), QStringLiteral("Hardware"));
            QCOMPARE(ui(form).dueDateField->date(), QDate(2021, 9, 15));
            QCOMPARE(commentShown(form), QStringLiteral("kept"));
        });
        QCOMPARE(s->dialogs.errorBoxes().size(), 1);
        QCOMPARE(place(s->dialogs.boxes[0]), QStringLiteral("in Pellucid2021/08/31.Form2.LoadData at line 114"));
        QVERIFY(s->dialogs.boxes[0].text.startsWith(QLatin1String("\"Gone\"")));
    }

    // A contact without a last name cannot be listed: it is reported and left
    // out of both pickers and the ID list alike, so the names after it keep
    // their own IDs.
    void contactWithoutFullNameIsLeftOut()
    {
        sharedConnection().Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Aaron')"));
        s->open(QString(), [&](IssueEditor &form) {
            QCOMPARE(form.contactIds, QList<qint64>({2, 4, 1, 5, 3}));
            QCOMPARE(items(ui(form).openedByPicker).size(), 5);
            fillAll(form);
            form.save();
        });
        const QString at = QStringLiteral("in Pellucid2021/08/31.Form2.LoadContacts at line ");
        QCOMPARE(place(s->dialogs.boxes.value(0)), at + "114");
        QCOMPARE(s->dialogs.errorBoxes().size(), 1);                   // the same failure at 116 is not shown again
        QCOMPARE(stored(newestIssue(), "Assigned To").toInteger(), 2); // Ann Archer
    }

    // The hand over each of the fourteen buttons, the arrow over the bare
    // window; other controls keep whichever pointer was last set.
    void handPointer_data()
    {
        QList<QByteArray> buttons;
        for (int number = 1; number <= 14; ++number)
            buttons << QByteArray("PushButton") + QByteArray::number(number);
        QList<hover::Row> rows;
        for (const QByteArray &button : buttons)
            rows.append({button.constData(), "", {hover::surface, QLatin1String(button)}, 99});
        rows.append({"button, then the window", "", {"PushButton9", hover::surface}, 0});
        rows.append({"button, then a picker keeps the hand", "", {"PushButton7", "Combo3"}, 99});
        rows.append({"button, then the comment keeps the hand", "", {"PushButton2", "Text3"}, 99});
        rows.append({"busy window over a button", "window", {"PushButton2"}, 11});
        rows.append({"busy program over button and window", "application", {"PushButton14", hover::surface}, 11});
        hover::addRows(rows);
    }

    void handPointer()
    {
        QFETCH(bool, withFile);
        hover::placeCursorFile(withFile);
        s->open(QString(), [](IssueEditor &form) { hover::checkRow(form); });
        QCOMPARE(texts(s->dialogs.errorBoxes()), QStringList());
    }
};

QTEST_MAIN(TestIssueEditor)
#include "tst_issueeditor.moc"
