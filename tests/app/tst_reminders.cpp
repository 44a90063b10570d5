// Reminders as the desktop receives them: a notification service of the
// test's own on a private session bus records every notice. Bodies are
// escaped only for a service that reads markup, a clicked notice names its
// issue, a missing service is told once, and `marrowdesk --remind` groups
// thousands of due issues into one notice and tells nothing twice a day; the
// window's own round selects the issue a notice was clicked for, or shows
// the reminders itself when the service is gone.

#include "MainWindowFixture.h"
#include "app/MorningReminder.h"
#include "app/RemindersDialog.h"
#include "app/WatchNotices.h"
#include "data/Connection.h"
#include "data/DueReminders.h"
#include "data/SessionBeside.h"
#include "data/Transaction.h"
#include "platform/BackgroundSession.h"
#include "platform/DesktopNotifications.h"
#include "platform/ReminderService.h"
#include "platform/ReminderSettings.h"
#include "platform/SettingsStore.h"
#include "support/TestDatabase.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimeEdit>

namespace {

struct Received {
    QString summary;
    QString body;
    QStringList actions;
};

// The service's side of org.freedesktop.Notifications, as far as the
// program uses it.
class NotificationService : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QList<Received> received;
    QStringList capabilities{QStringLiteral("actions"), QStringLiteral("body")};

public slots:
    QStringList GetCapabilities() { return capabilities; }
    uint Notify(const QString &, uint, const QString &, const QString &summary, const QString &body,
                const QStringList &actions, const QVariantMap &, int)
    {
        received.append({summary, body, actions});
        return static_cast<uint>(received.size());
    }
};

// A private session bus, ended with the test.
class PrivateBus {
public:
    PrivateBus()
    {
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--session"), QStringLiteral("--nofork"), QStringLiteral("--print-address")});
        if (!m_daemon.waitForReadyRead(10000))
            qFatal("dbus-daemon did not start: %s", qPrintable(m_daemon.errorString()));
        address = QString::fromUtf8(m_daemon.readLine()).trimmed();
    }
    ~PrivateBus()
    {
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }
    QDBusConnection connect(const QString &name) const { return QDBusConnection::connectToBus(address, name); }
    QString address;

private:
    QProcess m_daemon;
};

struct ServiceOnBus {
    explicit ServiceOnBus(const PrivateBus &bus) : connection(bus.connect(QStringLiteral("service")))
    {
        connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &service,
                                  QDBusConnection::ExportAllSlots);
        if (!connection.registerService(QStringLiteral("org.freedesktop.Notifications")))
            qFatal("the test service could not take its name");
    }
    ~ServiceOnBus() { QDBusConnection::disconnectFromBus(QStringLiteral("service")); }
    NotificationService service;
    QDBusConnection connection;
};

struct Run {
    int exitCode;
    QString out;
};

// Runs `marrowdesk --remind`, answering its calls meanwhile.
Run remind(const PrivateBus &bus, const QString &database)
{
    QProcess program;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), bus.address);
    program.setProcessEnvironment(environment);
    program.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk"),
                  {QStringLiteral("--remind"), QStringLiteral("--database"), database});
    if (!QTest::qWaitFor([&] { return program.state() == QProcess::NotRunning; }, 60000))
        qFatal("marrowdesk --remind did not end");
    return {program.exitCode(), QString::fromUtf8(program.readAllStandardOutput() + program.readAllStandardError())};
}

// The last change's history entries made a colleague's, as if they had
// saved it.
void asColleague(Connection &connection, const QString &statement)
{
    connection.Execute(statement);
    connection.Execute(QStringLiteral("update History set ChangedBy = 'ada' where ChangeID = "
                                      "(select max(ChangeID) from History)"));
}

} // namespace

class TestReminders : public QObject {
    Q_OBJECT
private slots:
    void bodiesAreEscapedForMarkupServicesOnly_data();
    void bodiesAreEscapedForMarkupServicesOnly();
    void defaultActionNamesTheIssue();
    void missingServiceIsToldOnce();
    void remindTellsEachDueIssueOnceADay();
    void clockSetBackRepeatsNothing();
    void windowSelectsTheClickedIssueOrShowsRemindersItself();
    void dialogTurnsTheTimerOnOrOffersAutostart();
    void colleaguesChangesToMyIssuesAreOneNoticeEach();
    void unseenChangesShowInBoldUntilShown();
};

void TestReminders::bodiesAreEscapedForMarkupServicesOnly_data()
{
    QTest::addColumn<bool>("markup");
    QTest::addColumn<QString>("expected");
    QTest::newRow("markup") << true << "#7 &lt;b&gt;Fix&lt;/b&gt; &amp; ship";
    QTest::newRow("plain") << false << "#7 <b>Fix</b> & ship";
}

void TestReminders::bodiesAreEscapedForMarkupServicesOnly()
{
    QFETCH(bool, markup);
    QFETCH(QString, expected);
    PrivateBus bus;
    ServiceOnBus server(bus);
    if (markup)
        server.service.capabilities.append(QStringLiteral("body-markup"));
    platform::DesktopNotifications notifications(bus.connect(QStringLiteral("client")));
    QSignalSpy answered(&notifications, &platform::DesktopNotifications::allAnswered);
    notifications.notify(QStringLiteral("1 issue is due today"), QStringLiteral("#7 <b>Fix</b> & ship"), 7);
    QTRY_VERIFY(notifications.settled() && !answered.isEmpty());
    QCOMPARE(server.service.received.size(), 1);
    QCOMPARE(server.service.received[0].summary, QStringLiteral("1 issue is due today"));
    QCOMPARE(server.service.received[0].body, expected);
    QCOMPARE(server.service.received[0].actions, (QStringList{QStringLiteral("default"), QStringLiteral("Open")}));
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

void TestReminders::defaultActionNamesTheIssue()
{
    PrivateBus bus;
    ServiceOnBus server(bus);
    platform::DesktopNotifications notifications(bus.connect(QStringLiteral("client")));
    QSignalSpy chosen(&notifications, &platform::DesktopNotifications::issueChosen);
    notifications.notify(QStringLiteral("a"), QStringLiteral("b"), 41);
    notifications.notify(QStringLiteral("c"), QStringLiteral("d"), 42);
    QTRY_VERIFY(notifications.settled());
    for (const auto &[id, action] : {std::pair{2u, "other"}, std::pair{9u, "default"}, std::pair{2u, "default"}}) {
        QDBusMessage signal = QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                                         QStringLiteral("org.freedesktop.Notifications"),
                                                         QStringLiteral("ActionInvoked"));
        signal << id << QString::fromLatin1(action);
        server.connection.send(signal);
    }
    // Only the default action of a notice of ours opens its issue.
    QTRY_COMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toLongLong(), 42);
    QTest::qWait(100);
    QCOMPARE(chosen.size(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

void TestReminders::missingServiceIsToldOnce()
{
    PrivateBus bus;
    platform::DesktopNotifications notifications(bus.connect(QStringLiteral("client")));
    QSignalSpy unavailable(&notifications, &platform::DesktopNotifications::unavailable);
    notifications.notify(QStringLiteral("a"), QStringLiteral("b"), 1);
    notifications.notify(QStringLiteral("c"), QStringLiteral("d"), 2);
    QTRY_VERIFY(notifications.settled());
    notifications.notify(QStringLiteral("e"), QStringLiteral("f"), 3);
    QVERIFY(notifications.isUnavailable());
    QCOMPARE(unavailable.size(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

void TestReminders::remindTellsEachDueIssueOnceADay()
{
    TestDatabase database;
    const QDate today = QDate::currentDate();
    {
        Connection connection;
        database.open(connection);
        Transaction all(connection);
        const auto add = [&](const QString &title, QDate due, const char *status) {
            connection.Execute(QStringLiteral("insert into Issues (Title, Status, [Opened Date], [Due Date]) values "
                                              "('%1', '%2', '2020-01-01', '%3')")
                                   .arg(title, QLatin1String(status), due.toString(Qt::ISODate)));
        };
        for (int i = 0; i < 10000; ++i)
            add(QStringLiteral("Due %1").arg(i), today, "Open");
        add(QStringLiteral("Years late"), today.addYears(-3), "Open");
        add(QStringLiteral("Tomorrow"), today.addDays(1), "Open");
        add(QStringLiteral("Done"), today, "Closed");
        all.commit();
    }
    platform::ReminderSettings::save({true, QTime(0, 0)});
    PrivateBus bus;
    ServiceOnBus server(bus);
    const Run first = remind(bus, database.path());
    QCOMPARE(first.exitCode, 0);
    QCOMPARE(server.service.received.size(), 2);
    QCOMPARE(server.service.received[0].summary, QStringLiteral("10000 issues are due today"));
    QVERIFY(server.service.received[0].body.endsWith(QStringLiteral("and 9995 more")));
    QCOMPARE(server.service.received[1].summary, QStringLiteral("1 issue is overdue"));
    QVERIFY(server.service.received[1].body.startsWith(QStringLiteral("#10001 Years late (due ")));

    QCOMPARE(remind(bus, database.path()).exitCode, 0);
    QCOMPARE(server.service.received.size(), 2);
    {
        Connection connection;
        database.open(connection);
        connection.Execute(QStringLiteral("update Issues set [Due Date] = '%1' where Title = 'Tomorrow'")
                               .arg(today.toString(Qt::ISODate)));
    }
    QCOMPARE(remind(bus, database.path()).exitCode, 0);
    QCOMPARE(server.service.received.size(), 3);
    QCOMPARE(server.service.received[2].summary, QStringLiteral("1 issue is due today"));
}

void TestReminders::clockSetBackRepeatsNothing()
{
    const QDate today(2026, 12, 8);
    const QList<DueReminders::DueIssue> due{{1, QStringLiteral("a"), today},
                                            {2, QStringLiteral("b"), today.addDays(-1)}};
    DueReminders::SentLog log;
    QCOMPARE(DueReminders::untold(due, log, today, QStringLiteral("db")).size(), 2);
    // Back over midnight: yesterday's run already told them as of today.
    QCOMPARE(DueReminders::untold(due, log, today.addDays(-1), QStringLiteral("db")).size(), 0);
    QCOMPARE(log.day, today);
    // Another database's issues of the same IDs are its own.
    QCOMPARE(DueReminders::untold(due, log, today, QStringLiteral("other")).size(), 2);
    // The next day tells again; issue 1 is overdue now.
    QCOMPARE(DueReminders::untold(due, log, today.addDays(1), QStringLiteral("db")).size(), 2);
    QCOMPARE(DueReminders::notices(due, today.addDays(1)).size(), 1);
}

void TestReminders::windowSelectsTheClickedIssueOrShowsRemindersItself()
{
    PrivateBus bus;
    ServiceOnBus server(bus);
    // The window's notices go to the session bus: this test's own.
    qputenv("DBUS_SESSION_BUS_ADDRESS", bus.address.toUtf8());
    form1test::freshMachine();
    ScriptedDialogs dialogs;
    const std::unique_ptr<MainWindow> form = form1test::started();
    form1test::addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    const QString today = QLatin1Char('\'') + QDate::currentDate().toString(Qt::ISODate) + QLatin1Char('\'');
    form1test::addIssue(5, QStringLiteral("'Due now'"), QStringLiteral("'2026-01-01'"), QStringLiteral("'Open'"),
                        today);
    form1test::addIssue(6, QStringLiteral("'Later'"), QStringLiteral("'2026-01-01'"), QStringLiteral("'Open'"));
    form->refillList();
    form->selectRow(form->listModel()->rowOfFirstCell(QStringLiteral("6")));
    platform::ReminderSettings::save({true, QTime(0, 0)});

    (new MorningReminder(*form))->check();
    QTRY_COMPARE(server.service.received.size(), 1);
    QCOMPARE(server.service.received[0].summary, QStringLiteral("1 issue is due today"));
    QDBusMessage clicked =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                   QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    clicked << 1u << QStringLiteral("default");
    server.connection.send(clicked);
    QTRY_COMPARE(form->listModel()->cell(form->selectedRow(), 0), QStringLiteral("5"));

    // The service gone: what is due shows in the window, said once.
    server.connection.unregisterService(QStringLiteral("org.freedesktop.Notifications"));
    form1test::addIssue(7, QStringLiteral("'Also due'"), QStringLiteral("'2026-01-01'"), QStringLiteral("'Open'"),
                        today);
    (new MorningReminder(*form))->check();
    QTRY_COMPARE(dialogs.plainMessages().size(), 1);
    QVERIFY(dialogs.plainMessages()[0].text.startsWith(QStringLiteral("No desktop notification service")));
    QVERIFY(dialogs.plainMessages()[0].text.contains(QStringLiteral("#7 Also due")));
    QCOMPARE(server.service.received.size(), 1);
    QCOMPARE(dialogs.errorBoxes().size(), 0);
}

void TestReminders::dialogTurnsTheTimerOnOrOffersAutostart()
{
    // A systemctl that records its arguments and fails, as where there is
    // no systemd user session.
    QTemporaryDir tools;
    QFile fake(tools.filePath(QStringLiteral("systemctl")));
    QVERIFY(fake.open(QIODevice::WriteOnly));
    fake.write(QStringLiteral("#!/bin/sh\necho \"$@\" >> %1/calls\nexit 1\n").arg(tools.path()).toUtf8());
    fake.close();
    fake.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    qputenv("PATH", tools.path().toUtf8() + ':' + qgetenv("PATH"));
    QFile::copy(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-remind.desktop"),
                QCoreApplication::applicationDirPath() + QStringLiteral("/marrowdesk-remind.desktop"));
    form1test::freshMachine();
    ScriptedDialogs dialogs;
    const std::unique_ptr<MainWindow> form = form1test::started();
    const auto leave = [&](bool on) {
        dialogs.modalScripts.append([on](QDialog &window) {
            auto &reminders = static_cast<RemindersDialog &>(window);
            reminders.enabledBox->setChecked(on);
            reminders.morningEdit->setTime(QTime(7, 30));
            window.accept();
        });
        RemindersDialog::run(*form);
    };

    dialogs.answers = {platform::Answer::Yes};
    leave(true);
    QCOMPARE(platform::ReminderSettings::read().enabled, true);
    QCOMPARE(platform::ReminderSettings::read().morning, QTime(7, 30));
    QVERIFY(dialogs.boxes.last().text.startsWith(QStringLiteral("The reminders' timer could not be turned on")));
    QVERIFY(QFile::exists(platform::ReminderService::autostartPath()));

    leave(false);
    QCOMPARE(platform::ReminderSettings::read().enabled, false);
    QVERIFY(!QFile::exists(platform::ReminderService::autostartPath()));
    QFile calls(tools.filePath(QStringLiteral("calls")));
    QVERIFY(calls.open(QIODevice::ReadOnly));
    QCOMPARE(calls.readAll(), QByteArray("--user enable --now marrowdesk-remind.timer\n"
                                         "--user disable --now marrowdesk-remind.timer\n"));
    QCOMPARE(dialogs.errorBoxes().size(), 0);
}

// Issues assigned to me and watched ones changed in one burst are two
// notices, however many; one's own change looks at nothing, and a notice's
// default action names its issue.
void TestReminders::colleaguesChangesToMyIssuesAreOneNoticeEach()
{
    PrivateBus bus;
    ServiceOnBus server(bus);
    form1test::freshMachine();
    platform::saveSetting(QStringLiteral("QueryMeContact"), QStringLiteral("1"));
    TestDatabase database;
    Connection connection;
    database.open(connection);
    connection.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Me')"));
    connection.Execute(QStringLiteral("insert into Contacts ([First Name]) values ('Ada')"));
    for (const char *title : {"Printer jams", "one", "two", "three", "not mine"})
        connection.Execute(QStringLiteral("insert into Issues (Title, [Opened By], [Assigned To]) values ('%1', %2, 2)")
                               .arg(QLatin1String(title))
                               .arg(QLatin1String(title) == QLatin1String("not mine") ? 2 : 1));
    connection.Execute(QStringLiteral("update Issues set [Opened By] = 2 where ID = 1"));

    platform::BackgroundSession reads(SessionBeside::targetOf(connection));
    platform::DesktopNotifications notifications(bus.connect(QStringLiteral("client")));
    QSignalSpy chosen(&notifications, &platform::DesktopNotifications::issueChosen);
    WatchNotices watch(&reads, &notifications, QStringLiteral("me"));
    QSignalSpy looked(&watch, &WatchNotices::looked);
    QTRY_COMPARE(looked.size(), 1);
    asColleague(connection, QStringLiteral("update Issues set [Assigned To] = 1 where ID = 1"));
    for (int issue : {2, 3, 4, 5})
        asColleague(connection, QStringLiteral("update Issues set Priority = 'High' where ID = %1").arg(issue));
    connection.Execute(QStringLiteral("update Issues set Priority = 'Low' where ID = 2"));
    for (int i = 0; i < 3; ++i)
        watch.changed(QStringLiteral("Issues"), QStringLiteral("ada"));
    QTRY_COMPARE(looked.size(), 2);
    QTRY_VERIFY(notifications.settled());
    QCOMPARE(server.service.received.size(), 2);
    QCOMPARE(server.service.received[0].summary, QStringLiteral("ada assigned you \u201cPrinter jams\u201d"));
    QCOMPARE(server.service.received[1].summary, QStringLiteral("3 watched issues changed"));
    QCOMPARE(server.service.received[1].body, QStringLiteral("#2 one\n#3 two\n#4 three"));

    watch.changed(QStringLiteral("Issues"), QStringLiteral("me"));
    QTest::qWait(WatchNotices::gatherMilliseconds * 2);
    QCOMPARE(looked.size(), 2);

    QDBusMessage clicked =
        QDBusMessage::createSignal(QStringLiteral("/org/freedesktop/Notifications"),
                                   QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("ActionInvoked"));
    clicked << 1u << QStringLiteral("default");
    server.connection.send(clicked);
    QTRY_COMPARE(chosen.size(), 1);
    QCOMPARE(chosen[0][0].toLongLong(), 1);
    QDBusConnection::disconnectFromBus(QStringLiteral("client"));
}

// A watched issue a colleague changed is bold in the list until the pane
// shows it, and stays plain after the next refill.
void TestReminders::unseenChangesShowInBoldUntilShown()
{
    form1test::freshMachine();
    ScriptedDialogs dialogs;
    const std::unique_ptr<MainWindow> form = form1test::started();
    platform::saveSetting(QStringLiteral("QueryMeContact"), QStringLiteral("1"));
    form1test::addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    form1test::addIssue(5, QStringLiteral("'Mine'"), QStringLiteral("'2026-01-01'"), QStringLiteral("'Open'"));
    form1test::addIssue(6, QStringLiteral("'Also mine'"), QStringLiteral("'2026-01-01'"), QStringLiteral("'Open'"));
    asColleague(sharedConnection(), QStringLiteral("update Issues set Priority = 'Low' where ID = 5"));
    form->refillList();
    IssueListModel &model = *form->listModel();
    const auto bold = [&](const char *id) {
        return model.data(model.index(model.rowOfFirstCell(QLatin1String(id)), 1), Qt::FontRole).value<QFont>().bold();
    };
    QCOMPARE(QList<bool>({bold("5"), bold("6")}), (QList<bool>{true, false}));
    form->setDetailPane({true, false});
    form->showIssue(5);
    QTRY_VERIFY(!bold("5"));
    form->refillList();
    QVERIFY(!bold("5"));
    QCOMPARE(dialogs.errorBoxes().size(), 0);
}

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
