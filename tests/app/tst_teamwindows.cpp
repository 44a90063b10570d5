// The windows on a team's server with a second user beside them: an editor
// never overwrites unseen what the other saved, the list follows the other
// user's changes in place, and a server that goes away is told once.

#include "MainWindowFixture.h"
#include "support/TestServer.h"

#include "app/FilterBar.h"
#include "app/list/IssueListReread.h"
#include "app/list/IssueSearch.h"
#include "contacts/ContactEditor.h"
#include "data/Attachments.h"
#include "data/ConcurrentSave.h"
#include "data/DataFile.h"
#include "data/IssueHistory.h"
#include "data/ServerWaits.h"
#include "data/postgres/PgSession.h"
#include "issues/ContactPicker.h"
#include "issues/IssueEditor.h"
#include "platform/BackgroundSession.h"
#include "platform/ServerWaitProgress.h"
#include "platform/SettingsStore.h"
#include "tests/support/MainWindowControls.h"
#include "tests/support/WindowControls.h"

#include <QAbstractItemView>
#include <QBuffer>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>

#include <utility>

using namespace form1test;

namespace {

// The scripted dialogs, with something another user does just before the
// next box answers: a change made while the user reads a question.
class DialogsBeside : public ScriptedDialogs {
public:
    std::function<void()> beforeNextBox;
    platform::Answer message(const QString &text, const QString &title, platform::Buttons buttons,
                             platform::Icon icon) override
    {
        if (beforeNextBox)
            std::exchange(beforeNextBox, {})();
        return ScriptedDialogs::message(text, title, buttons, icon);
    }
};

// Every cell of the shown rows, row by row.
QStringList shownCells(const MainWindow &form)
{
    QStringList cells;
    for (int row = 0; row < form.listModel()->rowCount(); ++row)
        for (int column = 0; column < form.listModel()->columnCount(); ++column)
            cells.append(form.listModel()->cell(row, column));
    return cells;
}

QString storedText(Connection &connection, qint64 id, const QString &column)
{
    return ConcurrentSave::readStored(connection, ConcurrentSave::Table::Issues, id)->value(column).toTextOrEmpty();
}

} // namespace

class TestTeamWindows : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        // A lock limit short enough to wait out in a test.
        platform::saveSetting(QStringLiteral("Server/LockTimeoutSeconds"), QStringLiteral("1"));
        platform::followServerWaits();
    }

    void limitsFromTheSettings_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("lockMilliseconds");
        QTest::newRow("whole seconds, blanks around") << QStringLiteral(" 7 ") << 7000;
        QTest::newRow("zero keeps the default") << QStringLiteral("0") << 5000;
        QTest::newRow("not a whole number") << QStringLiteral("2.5") << 5000;
        QTest::newRow("empty") << QString() << 5000;
    }

    // A limit that is no whole number of seconds never turns a limit off.
    void limitsFromTheSettings()
    {
        QFETCH(QString, stored);
        QFETCH(int, lockMilliseconds);
        platform::saveSetting(QStringLiteral("Server/LockTimeoutSeconds"), stored);
        platform::followServerWaits();
        const ServerWaits::Limits limits = ServerWaits::limits();
        platform::saveSetting(QStringLiteral("Server/LockTimeoutSeconds"), QStringLiteral("1"));
        platform::followServerWaits();
        QCOMPARE(limits.lockMilliseconds, lockMilliseconds);
        QCOMPARE(limits.statementMilliseconds, 30000);
        QCOMPARE(limits.connectSeconds, 10);
    }

    // The main window on a new server database with three issues, and a
    // second user's connection to the same database.
    void init()
    {
        freshMachine();
        startOn(TestServer::freshDatabase());
    }

    void cleanup()
    {
        m_other.reset();
        m_form.reset();
        m_dialogs.reset();
        releaseSharedConnection();
    }

    void editorsRacingOnOneIssue_data()
    {
        QTest::addColumn<bool>("reload");
        QTest::newRow("keep editing, then save") << false;
        QTest::newRow("reload their version") << true;
    }

    // Another user saves the issue while the editor is open: the editor says
    // so, its Save is refused with their values and writes nothing; Keep
    // Editing keeps what was typed over their version, so the next Save
    // keeps their changes to the other fields; Reload shows their version.
    void editorsRacingOnOneIssue()
    {
        QFETCH(bool, reload);
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        m_dialogs->answers = {reload ? platform::Answer::Yes : platform::Answer::No};
        QString titleAfterConflict;
        m_dialogs->modalScripts << [&](QDialog &window) {
            auto &editor = static_cast<IssueEditor &>(window);
            ui(editor).commentBox->setPlainText(QStringLiteral("mine"));
            addContact(2, QStringLiteral("Bo"), QStringLiteral("Ek"));
            m_other->Execute(
                QStringLiteral("update Issues set Title='theirs', Priority='Low', [Assigned To]=2 where ID=5"));
            QTRY_VERIFY_WITH_TIMEOUT(!ui(editor).changedElsewhereLabel->isHidden(), 5000);
            ui(editor).saveButton->click();
            titleAfterConflict = ui(editor).titleBox->text();
            if (!reload)
                ui(editor).saveButton->click();
        };
        ui(*m_form).editButton->click();

        const QString conflict = m_dialogs->boxes.value(0).text;
        QCOMPARE(m_dialogs->boxes.value(0).buttons, platform::Buttons::ReloadOrKeepEditing);
        for (const char *line :
             {"\nTitle: \u201ctheirs\u201d\r", "\nAssigned To: \u201cBo Ek\u201d\r", "\nPriority: \u201cLow\u201d\r"})
            QVERIFY2(conflict.contains(QString::fromUtf8(line)), qPrintable(conflict));
        QVERIFY(!conflict.contains(QStringLiteral("Comments")));
        QCOMPARE(titleAfterConflict, QStringLiteral("theirs"));
        if (reload) {
            QCOMPARE(m_dialogs->boxes.size(), 1);
            QCOMPARE(storedText(*m_other, 5, QStringLiteral("Comment")), QString());
        } else {
            QCOMPARE(m_dialogs->boxes.value(1).text, QStringLiteral("Record Successfully Updated"));
            QCOMPARE(storedText(*m_other, 5, QStringLiteral("Comment")), QStringLiteral("mine"));
            QCOMPARE(storedText(*m_other, 5, QStringLiteral("Title")), QStringLiteral("theirs"));
            QCOMPARE(storedText(*m_other, 5, QStringLiteral("Priority")), QStringLiteral("Low"));
            QCOMPARE(storedText(*m_other, 5, QStringLiteral("Assigned To")), QStringLiteral("2"));
        }
    }

    // The editor's own Save is never told back to it as another window's
    // change, however long its confirmation stays up.
    void ownSaveIsNotAnotherWindows()
    {
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        bool flagged = true;
        m_dialogs->modalScripts << [&](QDialog &window) {
            auto &editor = static_cast<IssueEditor &>(window);
            ui(editor).commentBox->setPlainText(QStringLiteral("mine again"));
            m_dialogs->beforeNextBox = [&] {
                QTest::qWait(1500); // the news of the change and its reading arrive
                flagged = !ui(editor).changedElsewhereLabel->isHidden();
            };
            ui(editor).saveButton->click();
        };
        ui(*m_form).editButton->click();
        QCOMPARE(m_dialogs->boxes.value(0).text, QStringLiteral("Record Successfully Updated"));
        QVERIFY(!flagged);
    }

    void editorSaysWhoChangedItsIssue_data()
    {
        QTest::addColumn<bool>("colleague");
        QTest::addColumn<QString>("statement");
        QTest::addColumn<QString>("said");
        const QString change = QStringLiteral("update Issues set Title='theirs' where ID=5");
        const QString removal = QStringLiteral("delete from Issues where Category='Bug'");
        QTest::newRow("a colleague saves")
            << true << change << QStringLiteral("colleague@elsewhere changed this issue meanwhile.");
        QTest::newRow("a colleague deletes")
            << true << removal << QStringLiteral("colleague@elsewhere deleted this issue meanwhile.");
        QTest::newRow("my other window saves")
            << false << change << QStringLiteral("You changed this issue in another window.");
        QTest::newRow("my own delete takes it") << false << removal
                                                << QStringLiteral("You deleted this issue meanwhile: in another "
                                                                  "window, or with its contact or list value.");
    }

    // The open editor names who changed or deleted its issue, by the account
    // the server recorded; the user's own change is never put on a colleague.
    void editorSaysWhoChangedItsIssue()
    {
        QFETCH(bool, colleague);
        QFETCH(QString, statement);
        QFETCH(QString, said);
        if (colleague)
            m_other->session()->execute(
                QStringLiteral("SELECT set_config('marrowdesk.user', 'colleague@elsewhere', false)"));
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        QString shown;
        m_dialogs->modalScripts << [&](QDialog &window) {
            auto &editor = static_cast<IssueEditor &>(window);
            (colleague ? *m_other : sharedConnection()).Execute(statement);
            QTRY_VERIFY_WITH_TIMEOUT(!ui(editor).changedElsewhereLabel->isHidden(), 5000);
            shown = ui(editor).changedElsewhereLabel->text();
        };
        ui(*m_form).editButton->click();
        QCOMPARE(shown, said);
    }

    // Deleting an issue someone else changed while the question was open
    // deletes nothing and asks again, saying what they changed.
    void deleteOfAChangedIssueAsksAgain()
    {
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        m_dialogs->beforeNextBox = [&] {
            m_other->Execute(QStringLiteral("update Issues set Title='theirs' where ID=5"));
        };
        m_dialogs->answers = {platform::Answer::Yes, platform::Answer::No};
        ui(*m_form).deleteButton->click();
        QCOMPARE(m_dialogs->boxes.size(), 2);
        QVERIFY2(m_dialogs->boxes[1].text.startsWith(QStringLiteral(
                     "Someone else changed this issue meanwhile, so nothing was deleted yet.\r\nThey "
                     "changed:\r\nTitle: \u201ctheirs\u201d\r\n\r\nAre you sure you want to delete [theirs]?")),
                 qPrintable(m_dialogs->boxes[1].text));
        QCOMPARE(storedText(*m_other, 5, QStringLiteral("Title")), QStringLiteral("theirs"));
    }

    // The same for a contact: in the contact editor, Save against their
    // version is refused with their values under the editor's captions,
    // and Keep Editing then Save writes; in the issue editor, "-" asks
    // again when the contact changed while it asked, and deletes nothing.
    void contactChangedMeanwhile()
    {
        ContactEditor contact;
        contact.contactId = QStringLiteral("1");
        m_dialogs->answers = {platform::Answer::No};
        m_dialogs->modalScripts << [&](QDialog &window) {
            window.findChild<QLineEdit *>(QStringLiteral("Text3"))->setText(QStringLiteral("Manager"));
            m_other->Execute(QStringLiteral("update Contacts set Company='Theirs Ltd' where ID=1"));
            for (int save = 0; save < 2; ++save)
                window.findChild<QPushButton *>(QStringLiteral("PushButton2"))->click();
        };
        platform::dialogs().showModal(contact);
        QVERIFY2(m_dialogs->boxes.value(0).text.contains(
                     QStringLiteral("They changed:\r\nCompany: \u201cTheirs Ltd\u201d\r\n")),
                 qPrintable(m_dialogs->boxes.value(0).text));
        QCOMPARE(m_dialogs->boxes.value(1).text, QStringLiteral("Record Successfully Updated"));
        const auto stored = ConcurrentSave::readStored(*m_other, ConcurrentSave::Table::Contacts, 1);
        QCOMPARE(stored->value(QStringLiteral("Company")).toText(), QStringLiteral("Theirs Ltd"));
        QVERIFY(stored->values.contains(Value(QStringLiteral("Manager"))));

        m_dialogs->boxes.clear();
        IssueEditor issue;
        m_dialogs->beforeNextBox = [&] {
            m_other->Execute(QStringLiteral("update Contacts set City='Oslo' where ID=1"));
        };
        m_dialogs->answers = {platform::Answer::Yes, platform::Answer::No};
        m_dialogs->modalScripts << [&](QDialog &) {
            ui(issue).assignedToPicker->setCurrentIndex(0);
            ui(issue).deleteAssignedToButton->click();
        };
        platform::dialogs().showModal(issue);
        QCOMPARE(m_dialogs->boxes.size(), 2);
        QVERIFY2(m_dialogs->boxes[1].text.contains(QStringLiteral("They changed:\r\nCity: \u201cOslo\u201d\r\n")),
                 qPrintable(m_dialogs->boxes[1].text));
        QVERIFY(ConcurrentSave::readStored(*m_other, ConcurrentSave::Table::Contacts, 1));
    }

    // A change another user saves shows in the list by itself, with the
    // selected issue still selected and the sort kept.
    void saveBehindAHeldLock_data()
    {
        QTest::addColumn<bool>("wait");
        QTest::newRow("cancel") << false;
        QTest::newRow("wait for the lock") << true;
    }

    // Another user holds the issue locked: the Save says so within the lock
    // limit, the event loop turning meanwhile; Cancel writes nothing and
    // keeps the editor open, Wait saves once the other user is done.
    void saveBehindAHeldLock()
    {
        m_other->session()->execute(QStringLiteral("BEGIN"));
        m_other->session()->execute(QStringLiteral("SELECT 1 FROM \"Issues\" WHERE \"ID\" = 5 FOR UPDATE"));
        QFETCH(bool, wait);
        m_dialogs->answers = {wait ? platform::Answer::Yes : platform::Answer::No};
        if (wait)
            m_dialogs->beforeNextBox = [&] {
                QTimer::singleShot(300, [&] { m_other->session()->execute(QStringLiteral("COMMIT")); });
            };
        int ticks = 0;
        QTimer probe;
        connect(&probe, &QTimer::timeout, [&] { ++ticks; });
        probe.start(10);
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        m_dialogs->modalScripts << [&](QDialog &window) {
            auto &editor = static_cast<IssueEditor &>(window);
            ui(editor).commentBox->setPlainText(QStringLiteral("mine"));
            ui(editor).saveButton->click();
        };
        ui(*m_form).editButton->click();
        if (!wait)
            m_other->session()->execute(QStringLiteral("ROLLBACK"));
        QCOMPARE(m_dialogs->boxes.value(0).text,
                 QStringLiteral("Another user is changing this issue right now; try again"));
        QVERIFY2(ticks >= 40, qPrintable(QString::number(ticks)));
        QCOMPARE(m_dialogs->boxes.value(1).text == QLatin1String("Record Successfully Updated"), wait);
        QCOMPARE(storedText(*m_other, 5, QStringLiteral("Comment")) == QLatin1String("mine"), wait);
    }

    void listFollowsTheOtherUser()
    {
        m_form->sortByColumn(1); // by title
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("8")));
        m_other->Execute(QStringLiteral("insert into Issues (ID,Title,[Assigned To],[Opened By],[Opened Date],Status,"
                                        "Category,Priority) values (9,'Alarm',1,1,'8/4/2021','Open','Bug','High')"));
        m_other->Execute(QStringLiteral("update Issues set Title='Zebra' where ID=3"));
        QTRY_COMPARE_WITH_TIMEOUT(shownIds(*m_form), (QStringList{"9", "5", "8", "3"}), 5000);
        QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 0), QStringLiteral("8"));
        QCOMPARE(m_form->listModel()->sortColumn(), 1);
        QVERIFY(m_dialogs->boxes.isEmpty());
    }

    // The detail pane reads on the worker and follows a colleague's change,
    // note and attachment; the note being typed meanwhile stays as typed.
    void paneFollowsAColleague()
    {
        m_form->setDetailPane({true, false});
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("3")));
        auto *noteBox = control<QPlainTextEdit>(*m_form, "noteBox");
        noteBox->setPlainText(QStringLiteral("half a no"));
        auto *pane = control<QTextBrowser>(*m_form, "detailText");
        m_other->Execute(QStringLiteral("update Issues set Title='Zebra' where ID=3"));
        IssueHistory::addNote(*m_other, 3, QStringLiteral("Seen at <www.example.org>"));
        QTRY_VERIFY_WITH_TIMEOUT(pane->toPlainText().contains(QStringLiteral("Seen at <www.example.org>")) &&
                                     pane->toPlainText().contains(QStringLiteral(
                                         "changed Title from \u201cPrinter jams\u201d to \u201cZebra\u201d")),
                                 5000);
        QVERIFY(pane->toHtml().contains(QStringLiteral("href=\"https://www.example.org\"")));
        QCOMPARE(noteBox->toPlainText(), QStringLiteral("half a no"));
        // A file the colleague attaches shows, and goes when they remove it.
        auto *attachments = control<QAbstractItemView>(*m_form, "attachmentList")->model();
        QBuffer log;
        log.setData("boot failed\n");
        log.open(QIODevice::ReadOnly);
        const qint64 added = Attachments::add(*m_other, 3, log, QStringLiteral("boot.log"));
        QTRY_COMPARE_WITH_TIMEOUT(attachments->rowCount(), 1, 5000);
        QVERIFY(attachments->index(0, 0).data().toString().startsWith(QStringLiteral("boot.log\n")));
        Attachments::remove(*m_other, added);
        QTRY_COMPARE_WITH_TIMEOUT(attachments->rowCount(), 0, 5000);
        QVERIFY(m_dialogs->boxes.isEmpty());
    }

    void rereadOffTheWindowsThread_data()
    {
        QTest::addColumn<bool>("withClosed");
        QTest::addColumn<int>("sortColumn");
        QTest::addColumn<QString>("find");
        QTest::newRow("open issues, by ID") << false << 0 << QString();
        QTest::newRow("every issue, by title, found") << true << 1 << QStringLiteral("la");
    }

    // A colleague's change read on the worker shows what the window's own
    // read shows: the same rows in the same order, filtered alike, with the
    // selection kept.
    void rereadOffTheWindowsThread()
    {
        QFETCH(bool, withClosed);
        QFETCH(int, sortColumn);
        QFETCH(QString, find);
        m_form->showFilterBar();
        m_form->filterBar()->setShowsClosed(withClosed);
        ui(*m_form).findBox->setText(find);
        m_form->sortByColumn(sortColumn);
        m_form->refillList();
        m_form->selectRow(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")));
        m_other->Execute(QStringLiteral("insert into Status values ('Closed')"));
        m_other->Execute(QStringLiteral("insert into Issues (ID,Title,[Assigned To],[Opened By],[Opened Date],Status,"
                                        "Category,Priority) values (9,'Alarm',1,1,'8/4/2021','Closed','Bug','High')"));
        m_other->Execute(QStringLiteral("update Issues set Title='Zebra lane' where ID=3"));
        QTRY_VERIFY_WITH_TIMEOUT(!m_form->listReread()->isRunning() &&
                                     m_form->listModel()->totalRowCount() == (withClosed ? 4 : 3) &&
                                     shownCells(*m_form).contains(QStringLiteral("Zebra lane")),
                                 5000);
        const QStringList reread = shownCells(*m_form);
        QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 0), QStringLiteral("5"));
        m_form->refillList();
        m_form->listSearch()->waitUntilApplied();
        QCOMPARE(reread, shownCells(*m_form));
        QVERIFY(m_form->listIsCurrent());
    }

    void rereadDroppedOrFailed_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("a newer read") << QStringLiteral("newer");
        QTest::newRow("a refill on the window's thread") << QStringLiteral("refill");
        QTest::newRow("the database out of reach") << QStringLiteral("failed");
    }

    // A read a newer one superseded never shows its rows; one that fails
    // leaves the rows shown as they are.
    void rereadDroppedOrFailed()
    {
        QFETCH(QString, how);
        const QStringList before = shownCells(*m_form);
        platform::BackgroundSession unreachable(QStringLiteral("data source=") + QDir::tempPath() +
                                                QStringLiteral("/no-such-folder/dbData.mdb"));
        platform::BackgroundSession &reads = how == QLatin1String("failed") ? unreachable : *m_form->backgroundReads();
        IssueListReread reread(m_form->listModel(), m_form->listSearch(), &reads);
        QSignalSpy finished(&reread, &IssueListReread::finished);
        reread.start(true); // with the closed issue, were it shown
        if (how == QLatin1String("newer"))
            reread.start(false);
        else if (how == QLatin1String("refill"))
            reread.supersede();
        reads.waitUntilDelivered();
        QCOMPARE(finished.size(), how == QLatin1String("refill") ? 0 : 1);
        if (!finished.isEmpty())
            QCOMPARE(finished[0][0].value<IssueListLoading::Refilled>().read, how == QLatin1String("newer"));
        QCOMPARE(shownCells(*m_form), before);
    }

    void restartUnderAnIdleWindow_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("fast restart") << QStringLiteral("fast");
        QTest::newRow("immediate restart") << QStringLiteral("immediate");
        QTest::newRow("outage, with F5 meanwhile") << QStringLiteral("outage");
    }

    // The server restarts under an idle window: one line says the connection
    // is lost and no box shows; the rows stay, marked not current, even when
    // a refresh meanwhile fails to read them; when the server is back the
    // line goes and the list shows what was saved since, never the hint of
    // an empty database.
    void restartUnderAnIdleWindow()
    {
        QFETCH(QString, how);
        TestServer::PrivateCluster cluster;
        QVERIFY2(!cluster.target().isEmpty(), qPrintable(cluster.error()));
        const QString target = cluster.target();
        cleanup();
        startOn(target);
        QVERIFY(m_form->windowTitle().contains(sharedConnection().displayName()));
        QVERIFY(m_form->connectionBanner()->isHidden());
        const QStringList before{"3", "5", "8"};

        if (how == QLatin1String("outage")) {
            QVERIFY2(cluster.halt(), qPrintable(cluster.error()));
            QTRY_VERIFY_WITH_TIMEOUT(!m_form->connectionBanner()->isHidden(), 10000);
            m_form->refreshList();
            QCOMPARE(shownIds(*m_form), before);
            QVERIFY(!m_form->listIsCurrent());
            QVERIFY2(cluster.resume(), qPrintable(cluster.error()));
        } else {
            QVERIFY2(cluster.restart(how), qPrintable(cluster.error()));
        }
        // Saved by another user, whose idle session the restart ended too.
        m_other->Execute(QStringLiteral("update Issues set Title='After' where ID=5"));
        QTRY_VERIFY_WITH_TIMEOUT(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")) >= 0 &&
                                     m_form->listModel()->cell(m_form->listModel()->rowOfFirstCell(QStringLiteral("5")),
                                                               1) == QLatin1String("After"),
                                 15000);
        QTRY_VERIFY_WITH_TIMEOUT(m_form->connectionBanner()->isHidden(), 5000);
        QVERIFY(m_form->listIsCurrent());
        QCOMPARE(shownIds(*m_form), before);
        QVERIFY(m_form->emptyListHint().isEmpty());
        QVERIFY2(m_dialogs->boxes.isEmpty(), qPrintable(m_dialogs->boxes.value(0).text));
        m_other.reset(); // on the cluster the guard is about to stop
    }

    void startWhenTheServerCannotBeReached_data()
    {
        QTest::addColumn<bool>("serverDown");
        QTest::addColumn<QString>("told");
        QTest::newRow("server down, then started") << true << QStringLiteral("The server does not answer.");
        QTest::newRow("no such database, then the right one")
            << false << QStringLiteral("The server has no database nosuch.");
    }

    // A server that cannot be reached at start-up is a plain message saying
    // what to check, with Retry and another database, never a program
    // fault; once the server answers, the window works.
    void startWhenTheServerCannotBeReached()
    {
        QFETCH(bool, serverDown);
        QFETCH(QString, told);
        TestServer::PrivateCluster cluster;
        QVERIFY2(!cluster.target().isEmpty(), qPrintable(cluster.error()));
        cleanup();
        if (serverDown) {
            QVERIFY2(cluster.halt(), qPrintable(cluster.error()));
            DataFile::useDatabase(cluster.target());
        } else {
            DataFile::useDatabase(
                QString(cluster.target()).replace(QLatin1String("dbname=postgres"), QLatin1String("dbname=nosuch")));
        }
        m_dialogs = std::make_unique<DialogsBeside>();
        // Quit, should the first answer not open it.
        m_dialogs->answers = {serverDown ? platform::Answer::Yes : platform::Answer::No, platform::Answer::Ok};
        m_dialogs->inputs = {cluster.target()};
        if (serverDown)
            m_dialogs->beforeNextBox = [&] { QVERIFY(cluster.resume()); };
        m_form = started();
        QCOMPARE(m_dialogs->boxes.size(), 1);
        QVERIFY2(m_dialogs->boxes[0].text.contains(told), qPrintable(m_dialogs->boxes[0].text));
        QCOMPARE(m_dialogs->boxes[0].buttons, platform::Buttons::RetryOrChooseDatabase);
        QVERIFY(m_dialogs->errorBoxes().isEmpty());
        execute(QStringLiteral("insert into Issues (ID,Title) values (4,'Works')"));
        m_form->refreshList();
        QCOMPARE(shownIds(*m_form), QStringList{"4"});
        // The window follows the server it reached late.
        execute(QStringLiteral("insert into Issues (ID,Title) values (6,'Heard')"));
        QTRY_COMPARE_WITH_TIMEOUT(shownIds(*m_form), (QStringList{"4", "6"}), 5000);
        m_form.reset(); // on the cluster the guard is about to stop
        releaseSharedConnection();
    }

private:
    void startOn(const QString &target)
    {
        DataFile::useDatabase(target);
        m_dialogs = std::make_unique<DialogsBeside>();
        m_form = started();
        addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
        for (const char *statement :
             {"insert into Status values ('Open')", "insert into Categories values ('Bug')",
              "insert into Priorities values ('High')", "insert into Priorities values ('Low')"})
            execute(QLatin1String(statement));
        addIssue(3, QStringLiteral("'Printer jams'"), QStringLiteral("'8/1/2021'"), QStringLiteral("'Open'"));
        addIssue(5, QStringLiteral("'Laptop'"), QStringLiteral("'8/2/2021'"), QStringLiteral("'Open'"));
        addIssue(8, QStringLiteral("'VPN drops'"), QStringLiteral("'8/3/2021'"), QStringLiteral("'Open'"));
        m_other = std::make_unique<Connection>();
        m_other->Open(target);
        m_form->refillList();
        QTest::qWait(400); // the notifications of the set-up come and go
        m_dialogs->boxes.clear();
    }

    std::unique_ptr<DialogsBeside> m_dialogs;
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<Connection> m_other;
};

QTEST_MAIN(TestTeamWindows)
#include "tst_teamwindows.moc"
