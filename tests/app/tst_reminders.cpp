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
#include "data/Connection.h"
#include "data/DueReminders.h"
#include "data/Transaction.h"
#include "platform/DesktopNotifications.h"
#include "platform/ReminderService.h"
#include "platform/ReminderSettings.h"
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

QTEST_MAIN(TestReminders)
#include "tst_reminders.moc"
