// What start-up does in the rare paths: a clock set wrong never purges the
// trash early, a damaged database or backup is found and only sound copies
// are offered, and a lock left broken never locks the user out.

#include "app/MainWindowFixture.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Trash.h"
#include "data/WallClock.h"
#include "data/sqlite/SqliteFile.h"
#include "platform/SingleInstance.h"

#include <QProcess>
#include <QTest>

#include <sqlite3.h>

using namespace form1test;

namespace {

// The machine's clock, set to a number of days from the real now.
struct ClockSetting {
    const qint64 base = WallClock::nowMicros();
    ~ClockSetting() { WallClock::setForTests({}); }
    void set(int days)
    {
        const qint64 at = base + days * TrashClock::dayMicros;
        WallClock::setForTests([at] { return at; });
    }
};

void addIssues(const QString &path, int count)
{
    sqlite3 *db = SqliteFile::openRaw(path, false);
    for (int i = 0; i < count; ++i)
        sqlite3_exec(db, "insert into Issues (Title, Comment) values ('Issue', hex(randomblob(2000)))", nullptr,
                     nullptr, nullptr);
    sqlite3_close(db);
}

void cutInHalf(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    QVERIFY(file.resize(file.size() / 2 / 4096 * 4096));
}

// Overwrites pages in the middle: the file still opens, its check fails.
void damage(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(file.size() / 2 / 4096 * 4096);
    file.write(QByteArray(qsizetype(3) * 4096, '\x55'));
}

} // namespace

class TestStartSafety : public QObject {
    Q_OBJECT
private slots:
    void init() { freshMachine(); }
    void trashOutlivesAWrongClock_data();
    void trashOutlivesAWrongClock();
    void damagedStartOffersTheNewestSoundBackup_data();
    void damagedStartOffersTheNewestSoundBackup();
    void brokenLockNeverLocksTheUserOut_data();
    void brokenLockNeverLocksTheUserOut();
};

// Each event sets the machine's clock (days from now) and then starts the
// program ("s"), starts it on each day of a range ("s1-31"), or deletes the
// issue ("d"). The deleted issue is then still in the trash, or purged.
void TestStartSafety::trashOutlivesAWrongClock_data()
{
    QTest::addColumn<QString>("events");
    QTest::addColumn<bool>("kept");
    QTest::newRow("one start 40 days ahead") << "s0 d0 s40 s1" << true;
    QTest::newRow("starts 40 days ahead and on") << "s0 d0 s40 s41 s42" << true;
    QTest::newRow("one start 40 days behind") << "s0 d0 s-40 s1" << true;
    QTest::newRow("one start 400 days ahead") << "s0 d0 s400 s1 s2" << true;
    QTest::newRow("delete 400 days behind, in a session") << "s0 d-400 s1 s2" << true;
    QTest::newRow("delete 400 days behind, at a start") << "s0 s-400 d-400 s1 s2" << true;
    QTest::newRow("delete 40 days behind, at a start") << "s0 s-40 d-40 s0 s1" << true;
    QTest::newRow("a month of daily starts") << "s0 d0 s1-31" << false;
    QTest::newRow("a month of daily starts, 40 days ahead") << "s0 d0 s40 s41-71" << false;
}

void TestStartSafety::trashOutlivesAWrongClock()
{
    QFETCH(QString, events);
    QFETCH(bool, kept);
    ClockSetting clock;
    std::unique_ptr<MainWindow> form;
    ScriptedDialogs dialogs;
    const auto start = [&](int day) {
        clock.set(day);
        form.reset();
        releaseSharedConnection();
        form = started();
    };
    for (const QString &event : events.split(QLatin1Char(' '))) {
        const QStringList days = event.mid(1).split(QRegularExpression(QStringLiteral("(?<=\\d)-")));
        if (event.startsWith(QLatin1Char('d'))) {
            if (Trash::groups(sharedConnection()).isEmpty())
                execute(QStringLiteral("insert into Issues (Title) values ('Printer jams')"));
            clock.set(days.first().toInt());
            execute(QStringLiteral("delete from Issues"));
        } else {
            for (int day = days.first().toInt(); day <= days.last().toInt(); ++day)
                start(day);
        }
    }
    QCOMPARE(Trash::groups(sharedConnection()).size(), kept ? 1 : 0);
    form.reset();
}

// Backups 1, 2 and 3 (named by the day the clock gave, made in that order,
// holding 1, 5 and 40 issues), then the database is left damaged. The offer
// names the newest sound backup in a short text, lists every sound one
// behind "Show Details", and Yes brings back the one it named.
void TestStartSafety::damagedStartOffersTheNewestSoundBackup_data()
{
    QTest::addColumn<QList<int>>("clockDays"); // per backup
    QTest::addColumn<int>("cutBackup");        // 1 to 3, or 0
    QTest::addColumn<QString>("database");     // "damaged" or "cut"
    QTest::addColumn<int>("offered");          // the backup offered
    // A damaged database is found by the day's check, so the last backup
    // is from an earlier day; one cut short is found on any start.
    QTest::newRow("made under a clock 30 days ahead") << QList<int>{30, 31, -1} << 0 << "damaged" << 3;
    QTest::newRow("newest backup cut short") << QList<int>{-3, -2, -1} << 3 << "damaged" << 2;
    QTest::newRow("database cut short after today's copy") << QList<int>{-2, -1, 0} << 0 << "cut" << 3;
    QTest::newRow("both cut short") << QList<int>{-2, -1, 0} << 3 << "cut" << 2;
}

void TestStartSafety::damagedStartOffersTheNewestSoundBackup()
{
    QFETCH(QList<int>, clockDays);
    QFETCH(int, cutBackup);
    QFETCH(QString, database);
    QFETCH(int, offered);
    const QList<int> issues{1, 5, 40};
    QDir().mkpath(DataFile::dataFolder());
    const QString path = DataFile::databasePath();
    QFile::copy(TestDatabase::templatePath(), path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QStringList backups;
    int held = 0;
    for (int b = 0; b < 3; ++b) {
        addIssues(path, issues[b] - held);
        held = issues[b];
        backups << Backup::makeDailyCopy(path, QDateTime::currentDateTime().addDays(clockDays[b]));
    }
    if (cutBackup)
        cutInHalf(backups[cutBackup - 1]);
    if (database == QLatin1String("cut"))
        cutInHalf(path);
    else
        damage(path);

    ScriptedDialogs dialogs; // answers Yes
    auto form = started();
    QVERIFY(!dialogs.boxes.isEmpty());
    const ScriptedDialogs::Box offer = dialogs.boxes.first();
    QCOMPARE(offer.buttons, platform::Buttons::YesNo);
    QVERIFY2(offer.text.count(QLatin1Char('\n')) <= 2 && offer.text.size() < 400, qPrintable(offer.text));
    QVERIFY2(offer.text.contains(QStringLiteral("holds %1 issues").arg(issues[offered - 1])), qPrintable(offer.text));
    for (int b = 0; b < 3; ++b)
        QCOMPARE(offer.details.contains(backups[b]), b + 1 != cutBackup);
    // Newest made first: the one offered heads the list.
    QVERIFY(offer.details.indexOf(backups[offered - 1]) < offer.details.indexOf(backups[0]));
    QVERIFY(offer.details.contains(QLatin1String("marrowdesk --restore")));
    QCOMPARE(form->listModel()->rowCount(), issues[offered - 1]);
    form->close();
}

// What lies where the lock should be; whether the start goes on.
void TestStartSafety::brokenLockNeverLocksTheUserOut_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<bool>("claimed");
    QTest::addColumn<bool>("answered");
    QTest::newRow("empty, after a power cut") << "" << true << false;
    QTest::newRow("garbled") << "\x01\x02garbage" << true << false;
    QTest::newRow("a folder") << "folder" << true << false;
    QTest::newRow("a folder with a file in it") << "folder/note.txt" << true << false;
    QTest::newRow("a running program that does not answer") << "another program" << false << false;
    QTest::newRow("a running program that answers") << "first" << false << true;
}

void TestStartSafety::brokenLockNeverLocksTheUserOut()
{
    QFETCH(QString, lock);
    QFETCH(bool, claimed);
    QFETCH(bool, answered);
    QDir().mkpath(DataFile::dataFolder());
    const QString lockPath = SingleInstance::lockPath(DataFile::dataFolder());
    std::unique_ptr<SingleInstance> first;
    QProcess sleeper;
    if (lock == QLatin1String("first")) {
        first = std::make_unique<SingleInstance>(DataFile::dataFolder());
        QVERIFY(first->claim());
    } else if (lock.startsWith(QLatin1String("folder"))) {
        QDir().mkpath(lockPath);
        if (lock.contains(QLatin1Char('/')))
            QVERIFY(QFile(lockPath + QStringLiteral("/note.txt")).open(QIODevice::WriteOnly));
    } else {
        QFile file(lockPath);
        QVERIFY(file.open(QIODevice::WriteOnly));
        if (lock == QLatin1String("another program")) {
            sleeper.start(QStringLiteral("sleep"), {QStringLiteral("30")});
            QVERIFY(sleeper.waitForStarted());
            file.write(
                QStringLiteral("%1\nsleep\n%2\n").arg(sleeper.processId()).arg(QSysInfo::machineHostName()).toUtf8());
        } else {
            file.write(lock.toLatin1());
        }
    }

    SingleInstance second(DataFile::dataFolder());
    QCOMPARE(second.claim(), claimed);
    QCOMPARE(second.holds(), claimed);
    QCOMPARE(second.firstAnswered(), answered);
    // Nothing that was in the way is lost.
    if (lock == QLatin1String("folder/note.txt"))
        QVERIFY(QFileInfo::exists(lockPath + QStringLiteral(".stale-1/note.txt")));
    sleeper.kill();
    sleeper.waitForFinished();
}

QTEST_MAIN(TestStartSafety)
#include "tst_startsafety.moc"
