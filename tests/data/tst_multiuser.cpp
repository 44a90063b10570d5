// Several users on one database: no save overwrites another unseen, on a
// file and on the server; and on the server, many client processes at
// once, news of changes between clients, and a server restart mid-session.

#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include "data/ChangeListener.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/JetSql.h"
#include "data/Recordset.h"
#include "data/ServerWaits.h"
#include "data/Transaction.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgSession.h"

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <libpq-fe.h>

#include <arpa/inet.h>
#include <csignal>
#include <functional>
#include <memory>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <utility>

using namespace ConcurrentSave;

namespace {

QString update(qint64 id, const QString &title)
{
    return QStringLiteral("update Issues set Title='%1' where ID=%2").arg(title).arg(id);
}

qint64 addIssue(Connection &connection, const QString &title)
{
    connection.Execute(QStringLiteral("insert into Issues (Title, Comment) values ('%1', '0')").arg(title));
    return connection.lastInsertedId();
}

// The windows' part of a wait, as the tests play it: the event loop turns,
// and the user stops the wait after stopAfter milliseconds (never when
// negative).
class TurningHook : public ServerWaits::Hook {
public:
    qint64 stopAfter = -1;
    int turns = 0;
    std::function<void(qint64)> during; // what the event loop does meanwhile
    bool waiting(const QString &, qint64 elapsed) override
    {
        ++turns;
        QCoreApplication::processEvents();
        if (during)
            during(elapsed);
        return stopAfter < 0 || elapsed < stopAfter;
    }
    void ended() override {}
};

// Counts the event loop's turns from a 10 ms timer.
struct LoopProbe {
    int ticks = 0;
    QTimer timer;
    LoopProbe()
    {
        QObject::connect(&timer, &QTimer::timeout, [this] { ++ticks; });
        timer.start(10);
    }
};

} // namespace

class TestMultiUser : public QObject {
    Q_OBJECT
private slots:
    // Two editors open one issue; the second to save is told, with the
    // first one's values, and nothing of its own is written; deleting
    // against a stale version is refused too, and a deleted row says so.
    void staleSaveAndDeleteAreRefused()
    {
        TestDatabase file;
        for (const QString &target : {file.connectionString(), TestServer::freshDatabase()}) {
            Connection alice, bob;
            alice.Open(target);
            bob.Open(target);
            const qint64 id = addIssue(alice, QStringLiteral("printer"));
            const qint64 loaded = readStored(bob, Table::Issues, id)->version;
            QCOMPARE(saveIfUnchanged(alice, Table::Issues, id, loaded, {update(id, QStringLiteral("by Alice"))}), 1);
            try {
                saveIfUnchanged(bob, Table::Issues, id, loaded, {update(id, QStringLiteral("by Bob"))});
                QFAIL("a stale save went through");
            } catch (const ChangedMeanwhile &refused) {
                QCOMPARE(refused.current().value(QStringLiteral("Title")).toText(), QStringLiteral("by Alice"));
                QCOMPARE(refused.current().version, loaded + 1);
                QVERIFY(
                    refused.description().startsWith(QStringLiteral("Issue %1 was changed by someone else").arg(id)));
            }
            QCOMPARE(readStored(alice, Table::Issues, id)->value(QStringLiteral("Title")).toText(),
                     QStringLiteral("by Alice"));
            const QString remove = QStringLiteral("delete from Issues where ID=%1").arg(id);
            QVERIFY_THROWS_EXCEPTION(ChangedMeanwhile, deleteIfUnchanged(bob, Table::Issues, id, loaded, {remove}));
            QCOMPARE(deleteIfUnchanged(bob, Table::Issues, id, loaded + 1, {remove}), 1);
            QVERIFY_THROWS_EXCEPTION(DeletedMeanwhile, saveIfUnchanged(alice, Table::Issues, id, loaded + 1,
                                                                       {update(id, QStringLiteral("x"))}));
            QVERIFY(!readStored(alice, Table::Issues, id));
        }
    }

    // Two users add one value at once: the second's check runs before the
    // first commits, waits at the list's index, and then gets the list's
    // own message; the list holds the value once.
    void sameValueAddedAtOnce()
    {
        const QString target = TestServer::freshDatabase();
        Connection first;
        first.Open(target);
        PgSession second(target);
        Transaction adding(first);
        first.Execute(QStringLiteral("insert into Priorities values ('High')"));
        const QByteArray insert = JetSql::toPostgres(QStringLiteral("insert into Priorities values ('HIGH')")).toUtf8();
        QVERIFY(PQsendQuery(second.handle(), insert.constData()));
        QTest::qWait(200); // until the second waits on the index
        adding.commit();
        PGresult *result = PQgetResult(second.handle());
        QCOMPARE(PgErrors::describe(second.handle(), result, second.displayName()),
                 QStringLiteral("\"HIGH\" is already in the priority list. Choose it from the list instead."));
        PQclear(result);
        while ((result = PQgetResult(second.handle())))
            PQclear(result);
        QCOMPARE(second.query(QStringLiteral("SELECT count(*) FROM \"Priorities\"")).value(0, 0).toInteger(), 1);
    }

    // A save behind a row another session holds locked does not wait
    // without limit: it is refused, saying so, and nothing is written.
    void saveBehindAHeldLockIsRefused()
    {
        const QString target = TestServer::freshDatabase();
        Connection mine, theirs;
        mine.Open(target);
        theirs.Open(target);
        const qint64 id = addIssue(mine, QStringLiteral("before"));
        const qint64 version = readStored(mine, Table::Issues, id)->version;
        {
            Transaction holding(theirs);
            theirs.Execute(update(id, QStringLiteral("theirs, not committed")));
            try {
                saveIfUnchanged(mine, Table::Issues, id, version, {update(id, QStringLiteral("mine"))});
                QFAIL("the save went through a held lock");
            } catch (const Refusal &refused) {
                QVERIFY2(refused.description().startsWith(QLatin1String("Another user is changing this right now")),
                         qPrintable(refused.description()));
            }
        }
        QCOMPARE(readStored(mine, Table::Issues, id)->value(QStringLiteral("Title")).toText(),
                 QStringLiteral("before"));
    }

    // 20 users at once making 200 edits each on three issues: every edit
    // is applied or refused, and the counters hold exactly the applied ones.
    void twentyClientsLoseNoEdit()
    {
        const QString target = TestServer::freshDatabase();
        Connection connection;
        connection.Open(target);
        QStringList arguments{target, QStringLiteral("200"), QStringLiteral("0")};
        for (const char *title : {"a", "b", "c"})
            arguments << QString::number(addIssue(connection, QLatin1String(title)));
        std::vector<std::unique_ptr<QProcess>> clients;
        for (int c = 0; c < 20; ++c) {
            clients.push_back(std::make_unique<QProcess>());
            clients.back()->start(QStringLiteral(EDIT_CLIENT), arguments);
        }
        int applied = 0, refused = 0;
        const QRegularExpression tally(QStringLiteral("applied (\\d+) refused (\\d+)"));
        for (auto &client : clients) {
            QVERIFY(client->waitForFinished(300000));
            const QString output = QString::fromUtf8(client->readAllStandardOutput());
            const auto counted = tally.match(output);
            QVERIFY2(client->exitCode() == 0 && counted.hasMatch(), client->readAllStandardError().constData());
            applied += counted.captured(1).toInt();
            refused += counted.captured(2).toInt();
        }
        QCOMPARE(applied + refused, 20 * 200);
        Recordset rs;
        rs.Open(QStringLiteral("select Comment from Issues"), connection);
        QCOMPARE(rs.rowCount(), 3);
        int counted = 0;
        for (; !rs.Eof(); rs.MoveNext())
            counted += rs.Fields(QStringLiteral("Comment")).toText().toInt();
        QCOMPARE(counted, applied);
    }

    // A save by one client reaches another's listener; a file has no news.
    void changesReachAnotherClient()
    {
        const QString target = TestServer::freshDatabase();
        Connection writer, reader;
        writer.Open(target);
        reader.Open(target);
        ChangeListener listener(reader);
        QSignalSpy heard(&listener, &ChangeListener::changed);
        QVERIFY(QSignalSpy(&listener, &ChangeListener::listening).wait(5000));
        addIssue(writer, QStringLiteral("new"));
        writer.Execute(QStringLiteral("insert into Categories values ('Hardware')"));
        QTRY_COMPARE(heard.size(), 2);
        QCOMPARE(heard[0][0].toString(), QStringLiteral("Issues"));
        QCOMPARE(heard[1][0].toString(), QStringLiteral("Categories"));

        TestDatabase file;
        Connection onFile;
        file.open(onFile);
        ChangeListener silent(onFile);
        QSignalSpy none(&silent, &ChangeListener::changed);
        addIssue(onFile, QStringLiteral("quiet"));
        QTest::qWait(200);
        QCOMPARE(none.size(), 0);
    }

    // The server restarts under a session: a change half made is reported
    // lost and never finished, the next statement works on a new session,
    // and the listener says lost, then back, then that everything changed.
    void serverRestartMidSession()
    {
        TestServer::PrivateCluster cluster;
        QVERIFY2(!cluster.target().isEmpty(), qPrintable(cluster.error()));
        const QString target = cluster.target();
        Connection connection;
        connection.Open(target);
        const qint64 id = addIssue(connection, QStringLiteral("before"));
        ChangeListener listener(connection);
        QSignalSpy lost(&listener, &ChangeListener::connectionLost);
        QSignalSpy back(&listener, &ChangeListener::reconnected);
        QSignalSpy heard(&listener, &ChangeListener::changed);
        QVERIFY(QSignalSpy(&listener, &ChangeListener::listening).wait(5000));
        {
            Transaction change(connection);
            connection.Execute(update(id, QStringLiteral("half made")));
            QVERIFY2(cluster.restart(), qPrintable(cluster.error()));
            QVERIFY_THROWS_EXCEPTION(Refusal, connection.Execute(update(id, QStringLiteral("finished"))));
            QVERIFY_THROWS_EXCEPTION(Refusal, change.commit());
        }
        QCOMPARE(connection.Execute(update(id, QStringLiteral("after"))), 1);
        QVERIFY(connection.isConnected());
        QCOMPARE(readStored(connection, Table::Issues, id)->value(QStringLiteral("Title")).toText(),
                 QStringLiteral("after"));
        QTRY_COMPARE_WITH_TIMEOUT(back.size(), 1, 10000);
        QCOMPARE(lost.size(), 1);
        QVERIFY(heard.size() >= ChangeListener::tables().size());
    }

    // A user who chose to wait for a lock waits past the lock limit, for
    // that statement only: the next one behind a lock is refused at the
    // limit again. While a statement waits, nothing else runs on its
    // connection.
    void waitingForALock()
    {
        ServerWaits::Limits limits;
        limits.lockMilliseconds = 300;
        ServerWaits::setLimits(limits);
        const QString target = TestServer::freshDatabase();
        Connection mine, theirs;
        mine.Open(target);
        theirs.Open(target);
        const qint64 id = addIssue(mine, QStringLiteral("held"));
        const QString lock = QStringLiteral("SELECT 1 FROM \"Issues\" WHERE \"ID\" = %1 FOR UPDATE").arg(id);
        theirs.session()->execute(QStringLiteral("BEGIN"));
        theirs.session()->execute(lock);
        TurningHook hook;
        bool released = false, secondRefused = false;
        hook.during = [&](qint64 elapsed) {
            if (elapsed < 600 || std::exchange(released, true))
                return;
            try {
                mine.Execute(update(id, QStringLiteral("meanwhile")));
            } catch (const Refusal &) {
                secondRefused = true;
            }
            theirs.session()->execute(QStringLiteral("COMMIT"));
        };
        ServerWaits::setHook(&hook);
        {
            ServerWaits::UnlimitedLockWait waiting;
            mine.session()->execute(lock);
        }
        QVERIFY(released);
        QVERIFY(secondRefused);
        theirs.session()->execute(QStringLiteral("BEGIN"));
        theirs.session()->execute(lock);
        QVERIFY_THROWS_EXCEPTION(ServerWaits::LockTimeout, mine.session()->execute(lock));
        theirs.session()->execute(QStringLiteral("ROLLBACK"));
        ServerWaits::setHook(nullptr);
        ServerWaits::setLimits({});
        QCOMPARE(readStored(mine, Table::Issues, id)->value(QStringLiteral("Title")).toText(), QStringLiteral("held"));
    }

    void stoppedWaitsEnd_data()
    {
        QTest::addColumn<bool>("paused");
        QTest::newRow("a long statement") << false;
        QTest::newRow("a paused server") << true;
    }

    // The user stops a statement that waits (a long one, or one a paused
    // server never answers): it ends promptly, refused as stopped, the
    // event loop turning meanwhile, and the next statement runs.
    void stoppedWaitsEnd()
    {
        QFETCH(bool, paused);
        Connection mine;
        mine.Open(TestServer::freshDatabase());
        const auto backend = pid_t(mine.session()->notificationSender());
        TurningHook hook;
        hook.stopAfter = 300;
        ServerWaits::setHook(&hook);
        LoopProbe probe;
        if (paused)
            ::kill(backend, SIGSTOP);
        QElapsedTimer clock;
        clock.start();
        QVERIFY_THROWS_EXCEPTION(ServerWaits::Stopped, mine.session()->execute(QStringLiteral("SELECT pg_sleep(30)")));
        const qint64 took = clock.elapsed();
        if (paused)
            ::kill(backend, SIGCONT);
        ServerWaits::setHook(nullptr);
        QVERIFY2(took < 5000, qPrintable(QString::number(took)));
        QVERIFY2(probe.ticks >= took / 40, qPrintable(QString::number(probe.ticks)));
        Recordset answer;
        answer.Open(QStringLiteral("SELECT 41 + 1 AS Answer"), mine);
        QCOMPARE(answer.Fields(QStringLiteral("Answer")).toText(), QStringLiteral("42"));
    }

    // The hook belongs to the window's thread: a read waiting on a worker
    // never calls it (it would show a window off that thread) and never
    // counts as the window's connection being taken.
    void workerWaitsLeaveTheWindowsHook()
    {
        const QString target = TestServer::freshDatabase();
        TurningHook hook;
        ServerWaits::setHook(&hook);
        bool takenMeanwhile = false;
        std::thread worker([&] {
            Connection reader;
            reader.Open(target);
            reader.session()->execute(QStringLiteral("SELECT pg_sleep(0.3)"));
        });
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 200)
            takenMeanwhile = takenMeanwhile || ServerWaits::inProgress();
        worker.join();
        ServerWaits::setHook(nullptr);
        QCOMPARE(hook.turns, 0);
        QVERIFY(!takenMeanwhile);
    }

    // A host that accepts connections and never answers: the connect gives
    // up at the connect timeout with the message saying so, and the event
    // loop turns throughout.
    void hostThatNeverAnswers()
    {
        const int silent = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        QVERIFY(::bind(silent, reinterpret_cast<sockaddr *>(&address), length) == 0);
        QVERIFY(::listen(silent, 4) == 0);
        QVERIFY(::getsockname(silent, reinterpret_cast<sockaddr *>(&address), &length) == 0);
        ServerWaits::Limits limits;
        limits.connectSeconds = 1;
        ServerWaits::setLimits(limits);
        TurningHook hook;
        ServerWaits::setHook(&hook);
        LoopProbe probe;
        QString refusal;
        try {
            PgSession(QStringLiteral("host=127.0.0.1 port=%1 dbname=none user=none sslmode=disable")
                          .arg(ntohs(address.sin_port)));
        } catch (const Refusal &refused) {
            refusal = refused.description();
        }
        ServerWaits::setHook(nullptr);
        ServerWaits::setLimits({});
        ::close(silent);
        QVERIFY2(refusal.contains(QLatin1String("The server does not answer.")), qPrintable(refusal));
        QVERIFY2(probe.ticks >= 50, qPrintable(QString::number(probe.ticks)));
    }
};

QTEST_GUILESS_MAIN(TestMultiUser)
#include "tst_multiuser.moc"
