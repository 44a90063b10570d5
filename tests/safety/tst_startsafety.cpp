// What start-up does in the rare paths: a clock set wrong never purges the
// trash early.

#include "app/MainWindowFixture.h"

#include "data/Trash.h"
#include "data/WallClock.h"

#include <QTest>

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

} // namespace

class TestStartSafety : public QObject {
    Q_OBJECT
private slots:
    void init() { freshMachine(); }
    void trashOutlivesAWrongClock_data();
    void trashOutlivesAWrongClock();
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

QTEST_MAIN(TestStartSafety)
#include "tst_startsafety.moc"
