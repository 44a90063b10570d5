// What the machine can do to the one file that holds a person's issues:
// crashes in the middle of writes, another program holding a lock, and the
// daily backup.

#include "data/Backup.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <thread>

namespace {

QString integrity(Connection &connection)
{
    Recordset rs;
    rs.Open(QStringLiteral("PRAGMA integrity_check"), connection);
    return rs.field(0).toText();
}

QSet<qint64> issueNumbers(Connection &connection)
{
    Recordset rs;
    rs.Open(QStringLiteral("select Title from Issues"), connection);
    QSet<qint64> numbers;
    for (; !rs.Eof(); rs.MoveNext())
        numbers.insert(rs.field(0).toText().mid(6).toLongLong());
    return numbers;
}

// Holds a write lock on the file from another connection for the given time.
void holdWriteLock(const QString &path, int milliseconds, std::atomic<bool> &locked)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    locked = true;
    std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds));
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

} // namespace

class TestReliability : public QObject {
    Q_OBJECT
private slots:
    void killedWriterLosesNoCommittedRow();
    void briefLockIsWaitedOut();
    void longLockGivesClearMessageAndLosesNothing();
    void dailyBackupIsPrivateAndMadeOncePerDay();
    void backupKeepsTheNewestSeven();
    void missingDatabaseHasNoBackup();
};

void TestReliability::killedWriterLosesNoCommittedRow()
{
    TestDatabase db;
    QSet<qint64> committed;
    qint64 next = 1;
    const int kills = 50;
    for (int round = 0; round < kills; ++round) {
        QProcess writer;
        writer.start(QStringLiteral(CRASH_WRITER), {db.path(), QString::number(next)});
        QVERIFY(writer.waitForStarted());
        // Once it has committed (a slow start, as in a sanitizer build, must
        // not leave it nothing to lose), let it write for a random while,
        // then kill it without warning.
        QVERIFY(writer.waitForReadyRead(30000));
        const int wait = QRandomGenerator::global()->bounded(5, 120);
        QTest::qWait(wait);
        ::kill(static_cast<pid_t>(writer.processId()), SIGKILL);
        QVERIFY(writer.waitForFinished(10000));
        const QList<QByteArray> lines = writer.readAllStandardOutput().split('\n');
        for (const QByteArray &line : lines) {
            bool ok = false;
            const qint64 number = line.toLongLong(&ok);
            if (ok) {
                committed.insert(number);
                next = qMax(next, number + 1);
            }
        }
        next += 1000; // numbers of a killed run that were never reported must not be reused

        Connection check;
        db.open(check);
        QCOMPARE(integrity(check), QStringLiteral("ok"));
        const QSet<qint64> stored = issueNumbers(check);
        for (const qint64 number : committed)
            QVERIFY2(stored.contains(number),
                     qPrintable(QStringLiteral("issue %1 was reported committed but is gone").arg(number)));
    }
    QVERIFY2(committed.size() > kills, "the writer committed too little to prove anything");
    qInfo("%d kills survived, %lld committed rows all present", kills, static_cast<long long>(committed.size()));
}

void TestReliability::briefLockIsWaitedOut()
{
    TestDatabase db;
    Connection connection;
    db.open(connection);
    std::atomic<bool> locked = false;
    std::thread other(holdWriteLock, db.path(), 700, std::ref(locked));
    while (!locked)
        std::this_thread::yield();
    QCOMPARE(connection.Execute(QStringLiteral("insert into [Status] values ('Waited')")), 1);
    other.join();
    Recordset rs;
    rs.Open(QStringLiteral("select * from Status"), connection);
    QCOMPARE(rs.Fields(QStringLiteral("Status")).toText(), QStringLiteral("Waited"));
}

void TestReliability::longLockGivesClearMessageAndLosesNothing()
{
    TestDatabase db;
    Connection connection;
    db.open(connection);
    connection.Execute(QStringLiteral("insert into [Status] values ('Before')"));
    std::atomic<bool> locked = false;
    std::thread other(holdWriteLock, db.path(), 6500, std::ref(locked));
    while (!locked)
        std::this_thread::yield();
    QString description;
    try {
        connection.Execute(QStringLiteral("insert into [Status] values ('Blocked')"));
    } catch (const Error &error) {
        description = error.description();
    }
    other.join();
    QVERIFY2(description.contains(QLatin1String("in use by another program")), qPrintable(description));
    connection.Execute(QStringLiteral("insert into [Status] values ('After')"));
    Recordset rs;
    rs.Open(QStringLiteral("select * from Status order by Status"), connection);
    QStringList values;
    for (; !rs.Eof(); rs.MoveNext())
        values << rs.Fields(QStringLiteral("Status")).toText();
    QCOMPARE(values, QStringList({QStringLiteral("After"), QStringLiteral("Before")}));
}

void TestReliability::dailyBackupIsPrivateAndMadeOncePerDay()
{
    TestDatabase db;
    {
        Connection connection;
        db.open(connection);
        connection.Execute(QStringLiteral("insert into [Status] values ('Saved')"));
    }
    QFile original(db.path());
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray before = original.readAll();
    original.close();

    const QString copy = Backup::makeDailyCopy(db.path(), QDate(2026, 12, 7));
    QCOMPARE(copy, Backup::folderFor(db.path()) + QStringLiteral("/dbData-2026-12-07.mdb"));
    QCOMPARE(QFile::permissions(copy) & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
             QFileDevice::Permissions());
    Connection fromCopy;
    fromCopy.Open(ConnectionText::dataSource(copy));
    Recordset rs;
    rs.Open(QStringLiteral("select * from Status"), fromCopy);
    QCOMPARE(rs.Fields(QStringLiteral("Status")).toText(), QStringLiteral("Saved"));
    rs.Close();
    fromCopy.Close();

    // Later the same day: the morning's copy stays as it was.
    {
        Connection connection;
        db.open(connection);
        connection.Execute(QStringLiteral("insert into [Status] values ('Afternoon')"));
    }
    const QDateTime made = QFileInfo(copy).lastModified();
    QCOMPARE(Backup::makeDailyCopy(db.path(), QDate(2026, 12, 7)), copy);
    QCOMPARE(QFileInfo(copy).lastModified(), made);
    QVERIFY(original.open(QIODevice::ReadOnly));
    QVERIFY(original.size() >= before.size()); // the database itself was never replaced
}

void TestReliability::backupKeepsTheNewestSeven()
{
    TestDatabase db;
    for (int day = 1; day <= 9; ++day)
        Backup::makeDailyCopy(db.path(), QDate(2026, 11, day));
    const QStringList kept = QDir(Backup::folderFor(db.path())).entryList(QDir::Files, QDir::Name);
    QCOMPARE(kept.size(), 7);
    QCOMPARE(kept.first(), QStringLiteral("dbData-2026-11-03.mdb"));
    QCOMPARE(kept.last(), QStringLiteral("dbData-2026-11-09.mdb"));
    QVERIFY(QFile::exists(db.path()));
}

void TestReliability::missingDatabaseHasNoBackup()
{
    QTemporaryDir folder;
    QCOMPARE(Backup::makeDailyCopy(folder.filePath(QStringLiteral("dbData.mdb"))), QString());
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("backups"))));
}

QTEST_GUILESS_MAIN(TestReliability)
#include "tst_reliability.moc"
