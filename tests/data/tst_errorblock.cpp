// The error box: its exact text, its numbering, and carrying on after a failure.

#include "data/Error.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/RecordSave.h"
#include "support/ScriptedDialogs.h"

#include <QDialog>
#include <QTest>

class TestErrorBlock : public QObject {
    Q_OBJECT
private slots:
    void messageTextIsExact();
    void firstStepFailureReports100();
    void twoFailuresGiveTwoBoxesInOrder();
    void emptyDescriptionStillStartsWithLineBreak();
    void failureInsideCalledRoutineReportsCallersStep();
    void lineBreaksShowAsLineBreaks();
    void oneBoxPerFailurePerCommand();
    void saveWhoseStatementFailsWritesNothing_data();
    void saveWhoseStatementFailsWritesNothing();
};

void TestErrorBlock::saveWhoseStatementFailsWritesNothing_data()
{
    QTest::addColumn<QString>("id");
    QTest::addColumn<int>("failedStep");
    QTest::newRow("new record") << QString() << 120;
    QTest::newRow("existing record") << QStringLiteral("7") << 114;
}

// An editor's Save whose statement cannot be built must not write, claim a
// success or close the window.
void TestErrorBlock::saveWhoseStatementFailsWritesNothing()
{
    QFETCH(QString, id);
    QFETCH(int, failedStep);
    ScriptedDialogs dialogs;
    QDialog window;
    window.show();
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form3.PushButton2_Click "));
    platform::RecordSave record;
    record.id = id;
    record.updateStatement = record.insertStatement = []() -> QString { throw Error(QStringLiteral("no statement")); };
    QStringList written;
    record.write = [&](const QString &sql) -> std::optional<int> {
        written << sql;
        return 1;
    };
    QVERIFY(!platform::saveAndConfirm(step, 112, window, record));
    QCOMPARE(written, QStringList());
    QCOMPARE(dialogs.boxes.size(), 1);
    QVERIFY(dialogs.boxes[0].text.startsWith(
        QStringLiteral("no statement\r\nin Pellucid2021/08/31.Form3.PushButton2_Click at line %1").arg(failedStep)));
    QVERIFY(window.isVisible());
}

// The same failure in many steps of one command, and in the commands it
// calls, shows once; a refusal is a plain message; a modal window's commands
// are commands of their own and show it again.
void TestErrorBlock::oneBoxPerFailurePerCommand()
{
    ScriptedDialogs dialogs;
    const auto closed = [] { throw Error(QStringLiteral("closed")); };
    {
        ErrorBlock command(QStringLiteral("in Pellucid2021/08/31.Form1.PushButton4_Click "));
        for (int number = 100; number < 148; number += 2)
            command(number, closed);
        ErrorBlock callee(QStringLiteral("in Pellucid2021/08/31.Form1.ListData "));
        callee(104, closed);
        command(150, [] { throw Refusal(QStringLiteral("busy")); });
        command(152, [] { throw Refusal(QStringLiteral("busy")); });
        const ErrorBlock::NewCommands modal;
        ErrorBlock inEditor(QStringLiteral("in Pellucid2021/08/31.Form2.PushButton2_Click "));
        inEditor(100, closed);
        QCOMPARE(command.failures(), 26);
    }
    QCOMPARE(dialogs.boxes.size(), 3);
    QVERIFY(dialogs.boxes[0].text.contains(QLatin1String("PushButton4_Click at line 100\r\r")));
    QCOMPARE(dialogs.boxes[1].text, QStringLiteral("busy"));
    QCOMPARE(dialogs.boxes[1].icon, platform::Icon::None);
    QVERIFY(dialogs.boxes[2].text.contains(QLatin1String("Form2.PushButton2_Click at line 100")));
}

void TestErrorBlock::messageTextIsExact()
{
    QCOMPARE(ErrorBlock::message(QStringLiteral("Invalid use of Null"),
                                 QStringLiteral("in Pellucid2021/08/31.Form1.ListData "), 112),
             QStringLiteral("Invalid use of Null\r\nin Pellucid2021/08/31.Form1.ListData at line 112\r\rPlease email "
                            "screenshot of this message to support@tamberlyn.example"));
}

void TestErrorBlock::firstStepFailureReports100()
{
    ScriptedDialogs dialogs;
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.PushButton6_Click "));
    QVERIFY(!step(100, [] { throw Error(QStringLiteral("boom")); }));
    QCOMPARE(dialogs.boxes.size(), 1);
    const ScriptedDialogs::Box &box = dialogs.boxes.first();
    QCOMPARE(box.title, QStringLiteral("Application Error"));
    QCOMPARE(box.icon, platform::Icon::Warning);
    QCOMPARE(box.buttons, platform::Buttons::Ok);
    QVERIFY(
        box.text.startsWith(QLatin1String("boom\r\nin Pellucid2021/08/31.Form1.PushButton6_Click at line 100\r\r")));
}

void TestErrorBlock::twoFailuresGiveTwoBoxesInOrder()
{
    ScriptedDialogs dialogs;
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form2.LoadData "));
    QStringList ran;
    step(100, [&] { ran << "100"; });
    step(102, [&] { throw Error(QStringLiteral("first")); });
    step(104, [&] { ran << "104"; });
    step(106, [&] { throw std::runtime_error("second"); });
    step(108, [&] { ran << "108"; });
    QCOMPARE(ran, QStringList({"100", "104", "108"}));
    QCOMPARE(step.failures(), 2);
    QCOMPARE(dialogs.boxes.size(), 2);
    QVERIFY(dialogs.boxes[0].text.startsWith(QLatin1String("first\r\n")));
    QVERIFY(dialogs.boxes[0].text.contains(QLatin1String("at line 102\r\r")));
    QVERIFY(dialogs.boxes[1].text.startsWith(QLatin1String("second\r\n")));
    QVERIFY(dialogs.boxes[1].text.contains(QLatin1String("at line 106\r\r")));
}

void TestErrorBlock::emptyDescriptionStillStartsWithLineBreak()
{
    ScriptedDialogs dialogs;
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form4.PushButton2_Click "));
    step(100, [] { throw Error(QString()); });
    QVERIFY(dialogs.boxes.first().text.startsWith(
        QLatin1String("\r\nin Pellucid2021/08/31.Form4.PushButton2_Click at line 100")));
}

void TestErrorBlock::failureInsideCalledRoutineReportsCallersStep()
{
    ScriptedDialogs dialogs;
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.Form_Load "));
    bool restOfRoutineRan = false;
    auto routine = [&] {
        throw Error(QStringLiteral("inner"));
        restOfRoutineRan = true;
    };
    step(112, routine);
    QVERIFY(!restOfRoutineRan);
    QVERIFY(dialogs.boxes.first().text.contains(QLatin1String("Form_Load at line 112")));
}

void TestErrorBlock::lineBreaksShowAsLineBreaks()
{
    QCOMPARE(platform::displayText(QStringLiteral("a\r\nb\r\rc\nd")), QStringLiteral("a\nb\n\nc\nd"));
}

QTEST_MAIN(TestErrorBlock)
#include "tst_errorblock.moc"
