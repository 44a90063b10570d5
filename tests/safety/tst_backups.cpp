// The backups as a last line of defence: a damaged database never pushes out
// the last good copy, a wrong clock never removes today's, a crash's hot
// journal is rolled back before the copy and never applied to a restore,
// only a sound backup is restored, and one program runs per data folder.

#include "app/MainWindowFixture.h"
#include "app/SingleInstance.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Recordset.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

using namespace form1test;

namespace {

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

void exec(const QString &path, const char *sql)
{
    sqlite3 *db = Connection::openRaw(path, false);
    QCOMPARE(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

// Adds issues `from` to `to`, each with a comment of a kilobyte.
void addIssues(const QString &path, int from, int to)
{
    exec(path, qPrintable(QStringLiteral("with recursive n(i) as (select %1 union all select i+1 from n where i<%2) "
                                         "insert into Issues (Title,[Opened Date],Comment) "
                                         "select 'Issue '||i, '2021-08-31', hex(randomblob(500)) from n")
                              .arg(from)
                              .arg(to)));
}

// Overwrites pages in the middle of the file: the file still opens as ours.
void damage(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite));
    file.seek(file.size() / 2 / 4096 * 4096);
    file.write(QByteArray(3 * 4096, '\x55'));
}

// "ok" and the number of issues, read the way the program opens the file.
QString checkAndCount(const QString &path)
{
    Connection connection;
    connection.Open(QStringLiteral("data source=") + path);
    Recordset rs;
    rs.Open(QStringLiteral("select (select * from pragma_integrity_check)||' '||count(*) from Issues"), connection);
    return rs.field(0).toText();
}

// The file and its hot journal as a crash in the middle of deleting every
// issue leaves them. The database itself is left as it was.
struct Crash {
    QByteArray database, journal;
    void install(const QString &path) const { writeFile(path, database), writeFile(path + "-journal", journal); }
};
Crash crashWhileDeletingAll(const QString &path)
{
    sqlite3 *db = Connection::openRaw(path, false);
    sqlite3_exec(db, "PRAGMA cache_size=2; BEGIN; DELETE FROM Issues", nullptr, nullptr, nullptr);
    Crash crash{bytesOf(path), bytesOf(path + QStringLiteral("-journal"))};
    sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return crash;
}

// The database in the data folder, with `issues` issues.
void seedDatabase(int issues)
{
    QDir().mkpath(DataFile::dataFolder());
    QFile::copy(TestDatabase::templatePath(), DataFile::databasePath());
    QFile::setPermissions(DataFile::databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    addIssues(DataFile::databasePath(), 1, issues);
}

// The dates in the names of the sound or the damaged copies.
QStringList keptDates(const QString &database, bool sound)
{
    QStringList dates;
    for (const Backup::Copy &copy : Backup::copies(database))
        if (copy.sound == sound)
            dates << QFileInfo(copy.path).fileName().mid(7, 10);
    dates.sort();
    return dates;
}

} // namespace

class TestBackups : public QObject {
    Q_OBJECT
private slots:
    void init() { freshMachine(); }
    void damagedDaysKeepTheLastGoodCopy();
    void copiesAreKeptByWhenTheyWereMade_data();
    void copiesAreKeptByWhenTheyWereMade();
    void crashJournalIsRolledBackAndNeverAppliedToARestore();
    void restoreRefusesWhatIsNotASoundBackup_data();
    void restoreRefusesWhatIsNotASoundBackup();
    void startUpOffersTheLastGoodBackup();
    void restoreFromTheCommandLine_data();
    void restoreFromTheCommandLine();
    void secondProgramOnTheFolderBringsTheFirstForward();
};

void TestBackups::damagedDaysKeepTheLastGoodCopy()
{
    TestDatabase db;
    addIssues(db.path(), 1, 200);
    const QString good = Backup::makeDailyCopy(db.path(), QDate(2026, 12, 1));
    damage(db.path());
    QStringList told; // the damaged copies each start named
    for (int day = 2; day <= 10; ++day) {
        try {
            Backup::makeDailyCopy(db.path(), QDate(2026, 12, day));
        } catch (const Backup::DamagedDatabase &damaged) {
            if (damaged.description().contains(QLatin1String("is damaged")))
                told << QFileInfo(damaged.damagedCopy()).fileName().mid(7);
        }
    }
    QCOMPARE(told.size(), 9);
    QCOMPARE(told.last(), QStringLiteral("2026-12-10.damaged.mdb"));
    QCOMPARE(keptDates(db.path(), true), QStringList{"2026-12-01"});
    QCOMPARE(keptDates(db.path(), false).size(), Backup::copiesKept);
    QCOMPARE(Backup::newestSound(db.path()).path, good);
}

void TestBackups::copiesAreKeptByWhenTheyWereMade_data()
{
    QTest::addColumn<QStringList>("days"); // what the clock said at each start
    QTest::addColumn<QStringList>("kept"); // the dates of the sound copies kept
    QStringList nov;
    for (int day = 1; day <= 9; ++day)
        nov << QDate(2026, 11, day).toString(Qt::ISODate);
    QTest::newRow("a day at a time") << nov << nov.mid(2);
    QTest::newRow("set back a year") << nov.mid(0, 7) + QStringList{"2025-11-08"}
                                     << QStringList{"2025-11-08"} + nov.mid(0, 7);
    QTest::newRow("back a year, then right")
        << nov.mid(0, 7) + QStringList{"2025-11-08", "2026-11-08"} << nov.mid(1, 7);
    QTest::newRow("forward a year, then right") << nov.mid(0, 6) + QStringList{"2027-03-01", "2026-11-07", "2026-11-08"}
                                                << nov.mid(2, 6) + QStringList{"2027-03-01"};
}

void TestBackups::copiesAreKeptByWhenTheyWereMade()
{
    QFETCH(QStringList, days);
    QFETCH(QStringList, kept);
    TestDatabase db;
    for (const QString &day : days)
        QVERIFY(
            QFile::exists(Backup::makeDailyCopy(db.path(), QDateTime(QDate::fromString(day, Qt::ISODate), {9, 0}))));
    QCOMPARE(keptDates(db.path(), true), kept);
}

void TestBackups::crashJournalIsRolledBackAndNeverAppliedToARestore()
{
    TestDatabase db;
    addIssues(db.path(), 1, 100);
    const QString backup = Backup::makeDailyCopy(db.path(), QDate(2026, 12, 1));
    addIssues(db.path(), 101, 300);
    const Crash crash = crashWhileDeletingAll(db.path());
    QVERIFY2(crash.database != bytesOf(db.path()), "the crash left the file as it was: nothing to prove");
    const QString journal = db.path() + QStringLiteral("-journal");

    // The first start after the crash copies the rolled-back file.
    crash.install(db.path());
    QCOMPARE(checkAndCount(Backup::makeDailyCopy(db.path(), QDate(2026, 12, 2))), QStringLiteral("ok 300"));
    QVERIFY(!QFile::exists(journal));

    // Crashed again, and a stray journal beside the backup too.
    crash.install(db.path());
    writeFile(backup + QStringLiteral("-journal"), crash.journal);
    const QByteArray backupBytes = bytesOf(backup);
    const QString aside = Backup::restore(backup, db.path(), QDateTime(QDate(2026, 12, 2), QTime(9, 30, 5)));
    QCOMPARE(aside,
             QFileInfo(db.path()).absolutePath() + QStringLiteral("/dbData-before-restore-2026-12-02-093005.mdb"));
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(checkAndCount(db.path()), QStringLiteral("ok 100"));
    QCOMPARE(bytesOf(backup), backupBytes);
    // The file kept aside kept its journal, which still undoes the delete.
    QCOMPARE(bytesOf(aside + QStringLiteral("-journal")), crash.journal);
    QCOMPARE(checkAndCount(aside), QStringLiteral("ok 300"));
}

void TestBackups::restoreRefusesWhatIsNotASoundBackup_data()
{
    QTest::addColumn<QByteArray>("content"); // of the file offered as a backup
    QTest::addColumn<QString>("words");
    QTest::newRow("damaged") << QByteArray("damaged") << "is damaged";
    QTest::newRow("zero bytes") << QByteArray("") << "is empty (zero bytes)";
    QTest::newRow("another program's SQLite file") << QByteArray("foreign") << "not a Marrowdesk database";
    QTest::newRow("text") << QByteArray("issues, one a line") << "contents are of an unknown kind";
    QTest::newRow("missing") << QByteArray() << "does not exist";
    QTest::newRow("the database itself") << QByteArray("itself") << "it is the database itself";
}

void TestBackups::restoreRefusesWhatIsNotASoundBackup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, words);
    TestDatabase db;
    addIssues(db.path(), 1, 100);
    const QString folder = QFileInfo(db.path()).absolutePath();
    const QString backup = content == "itself" ? db.path() : folder + QStringLiteral("/offered.mdb");
    if (content == "damaged" || content == "foreign") {
        QFile::copy(content == "damaged" ? db.path() : TestDatabase::templatePath(), backup);
        QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
        content == "damaged" ? damage(backup) : exec(backup, "PRAGMA application_id=7");
    } else if (!content.isNull() && content != "itself") {
        writeFile(backup, content);
    }
    const QByteArray before = bytesOf(db.path());
    QString said;
    try {
        Backup::restore(backup, db.path());
    } catch (const Error &error) {
        said = error.description();
    }
    QVERIFY2(said.contains(words) && said.contains(QLatin1String("was not restored")), qPrintable(said));
    QCOMPARE(bytesOf(db.path()), before);
    QCOMPARE(QDir(folder).entryList({QStringLiteral("*before-restore*"), QStringLiteral("*.restoring")}),
             QStringList());
}

// Start-up finds the database damaged and offers the last good backup with
// its date and issue count; Yes brings it back before the list is filled.
void TestBackups::startUpOffersTheLastGoodBackup()
{
    seedDatabase(5);
    Backup::makeDailyCopy(DataFile::databasePath(), QDate::currentDate().addDays(-1));
    addIssues(DataFile::databasePath(), 6, 300);
    damage(DataFile::databasePath());

    ScriptedDialogs dialogs; // answers Yes
    auto form = started();
    QVERIFY(dialogs.boxes.size() >= 2);
    const ScriptedDialogs::Box offer = dialogs.boxes.first();
    QCOMPARE(offer.buttons, platform::Buttons::YesNo);
    for (const QString &words : {QStringLiteral("is damaged"), QStringLiteral("holds 5 issues"),
                                 QLocale().toString(QDate::currentDate().addDays(-1), QLocale::ShortFormat),
                                 QStringLiteral("marrowdesk --restore")})
        QVERIFY2((offer.text + offer.details).contains(words), qPrintable(offer.text));
    QVERIFY2(dialogs.boxes.at(1).text.contains(QLatin1String("was restored")), qPrintable(dialogs.boxes.at(1).text));
    QCOMPARE(form->listModel()->rowCount(), 5);
    form->close();
}

void TestBackups::restoreFromTheCommandLine_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("words");
    QTest::newRow("sound") << "sound" << 0 << "Restored";
    QTest::newRow("zero bytes") << "empty" << 1 << "is empty (zero bytes)";
    QTest::newRow("while Marrowdesk runs") << "running" << 1 << "Marrowdesk is running";
}

void TestBackups::restoreFromTheCommandLine()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, words);
    seedDatabase(3);
    const QString backup = Backup::makeDailyCopy(DataFile::databasePath());
    addIssues(DataFile::databasePath(), 4, 9);
    if (kind == QLatin1String("empty"))
        writeFile(backup, QByteArray());
    SingleInstance running(DataFile::dataFolder());
    if (kind == QLatin1String("running"))
        QVERIFY(running.claim());

    QProcess process; // with no display at all
    process.start(QStringLiteral("/usr/bin/env"), {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u", "QT_QPA_PLATFORM",
                                                   MARROWDESK_BIN_DIR "/marrowdesk", "--restore", backup});
    QVERIFY(process.waitForFinished(30000));
    const QString said = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(said.contains(words) && said.count(QLatin1Char('\n')) == 1, qPrintable(said));
    QCOMPARE(checkAndCount(DataFile::databasePath()), status == 0 ? QStringLiteral("ok 3") : QStringLiteral("ok 9"));
}

void TestBackups::secondProgramOnTheFolderBringsTheFirstForward()
{
    QDir().mkpath(DataFile::dataFolder());
    auto first = std::make_unique<SingleInstance>(DataFile::dataFolder());
    QVERIFY(first->claim());
    QSignalSpy asked(first.get(), &SingleInstance::activationRequested);
    // The same folder spelt another way is the same folder.
    SingleInstance second(DataFile::dataFolder() + QStringLiteral("/../Marrowdesk/"));
    QVERIFY(!second.claim());
    QVERIFY(asked.count() == 1 || asked.wait(5000));
    first.reset();
    QVERIFY(SingleInstance(DataFile::dataFolder()).claim());
}

QTEST_MAIN(TestBackups)
#include "tst_backups.moc"
