// The backups as a last line of defence: a damaged database never pushes out
// the last good copy, a wrong clock never removes today's, a crash's hot
// journal is rolled back before the copy and never applied to a restore,
// only a sound backup is restored, a backup is read as SQLite would read it,
// a restore killed anywhere leaves the old or the new file, and one program
// runs per data folder.

#include "app/MainWindowFixture.h"
#include "platform/SingleInstance.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Recordset.h"
#include "data/sqlite/SqliteFile.h"

#include <QProcess>
#include <QSignalSpy>
#include <QTest>

#include <sqlite3.h>

#include <csignal>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

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
    sqlite3 *db = SqliteFile::openRaw(path, false);
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
    file.write(QByteArray(qsizetype(3) * 4096, '\x55'));
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
    sqlite3 *db = SqliteFile::openRaw(path, false);
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
    void restoreReadsItsSourceAsOpeningWould_data();
    void restoreReadsItsSourceAsOpeningWould();
    void restoreKilledAtAnyStepLeavesTheOldOrTheNewFile();
    void missingDatabaseIsOfferedBackNotMadeEmpty_data();
    void missingDatabaseIsOfferedBackNotMadeEmpty();
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

    // Crashed again, then restored.
    crash.install(db.path());
    const QByteArray backupBytes = bytesOf(backup);
    const QString aside = Backup::restore(backup, db.path(), QDateTime(QDate(2026, 12, 2), QTime(9, 30, 5)));
    QCOMPARE(aside,
             QFileInfo(db.path()).absolutePath() + QStringLiteral("/dbData-before-restore-2026-12-02-093005.mdb"));
    QVERIFY(!QFile::exists(journal));
    QCOMPARE(checkAndCount(db.path()), QStringLiteral("ok 100"));
    QCOMPARE(bytesOf(backup), backupBytes);
    // The file kept aside had its journal rolled back before it went aside.
    QVERIFY(!QFile::exists(aside + QStringLiteral("-journal")));
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
    for (const char *at : {"100", "4096", "0.5", "-4096"})
        QTest::newRow(qPrintable(QStringLiteral("truncated at %1").arg(at))) << QByteArray("cut ") + at << "damaged";
    QTest::newRow("FIFO") << QByteArray("fifo") << "is a named pipe (FIFO)";
    QTest::newRow("newer schema") << QByteArray("version 12") << "was made by a newer Marrowdesk";
    QTest::newRow("our id, no tables") << QByteArray("no tables 0") << "has no Marrowdesk tables";
    QTest::newRow("our id and version, no tables") << QByteArray("no tables 5") << "has no table Contacts";
    QTest::newRow("in a transaction elsewhere") << QByteArray("held") << "could not be locked";
}

void TestBackups::restoreRefusesWhatIsNotASoundBackup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, words);
    TestDatabase db;
    addIssues(db.path(), 1, 100);
    const QString folder = QFileInfo(db.path()).absolutePath();
    const QString backup = content == "itself" ? db.path() : folder + QStringLiteral("/offered.mdb");
    sqlite3 *elsewhere = nullptr; // holds the database in a transaction
    if (content == "damaged" || content == "foreign" || content == "version 12") {
        QFile::copy(content == "damaged" ? db.path() : TestDatabase::templatePath(), backup);
        QFile::setPermissions(backup, QFile::ReadOwner | QFile::WriteOwner);
        content == "damaged"   ? damage(backup)
        : content == "foreign" ? exec(backup, "PRAGMA application_id=7")
                               : exec(backup, "PRAGMA user_version=12");
    } else if (content == "held") {
        QFile::copy(TestDatabase::templatePath(), backup);
        elsewhere = SqliteFile::openRaw(db.path(), false);
        QCOMPARE(sqlite3_exec(elsewhere, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    } else if (content.startsWith("cut ")) {
        QFile::copy(db.path(), backup);
        const QByteArray at = content.mid(4);
        const qint64 size = QFileInfo(backup).size();
        QFile::resize(backup, at == "0.5" ? size / 2 : at.toLongLong() < 0 ? size + at.toLongLong() : at.toLongLong());
    } else if (content == "fifo") {
        QCOMPARE(::mkfifo(QFile::encodeName(backup).constData(), 0600), 0);
    } else if (content.startsWith("no tables")) {
        sqlite3 *made = SqliteFile::openRaw(backup, true);
        exec(backup, qPrintable(QStringLiteral("PRAGMA application_id=%1; PRAGMA user_version=%2")
                                    .arg(Connection::applicationId)
                                    .arg(QString::fromLatin1(content.mid(10)))));
        sqlite3_close(made);
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
    sqlite3_close(elsewhere);
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

void TestBackups::restoreReadsItsSourceAsOpeningWould_data()
{
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("restored"); // the database afterwards
    QTest::newRow("set aside with a hot journal") << "hot journal"
                                                  << "ok 300";
    QTest::newRow("WAL with frames") << "wal"
                                     << "ok 150";
    QTest::newRow("a link to the backup") << "link"
                                          << "ok 100";
    QTest::newRow("into a database given as a link") << "database link"
                                                     << "ok 100";
}

// A journal or log beside the backup is applied as SQLite would apply it,
// in the copy, never in the user's file; a link is followed both ways.
void TestBackups::restoreReadsItsSourceAsOpeningWould()
{
    QFETCH(QString, source);
    QFETCH(QString, restored);
    TestDatabase db;
    addIssues(db.path(), 1, 100);
    const QString backup = Backup::makeDailyCopy(db.path(), QDate(2026, 12, 1));
    addIssues(db.path(), 101, 300);
    const QString folder = QFileInfo(db.path()).absolutePath();
    QString from = backup;
    QString database = db.path();
    sqlite3 *writer = nullptr; // its reading keeps the log from being folded into the file
    if (source == QLatin1String("hot journal")) {
        from = folder + QStringLiteral("/dbData-before-restore-2026-12-01-090000.mdb");
        QFile::copy(db.path(), from);
        crashWhileDeletingAll(from).install(from);
    } else if (source == QLatin1String("wal")) {
        from = folder + QStringLiteral("/logged.mdb");
        QFile::copy(backup, from);
        sqlite3_open(QFile::encodeName(from).constData(), &writer); // the program's own refuse WAL mode
        QCOMPARE(sqlite3_exec(writer, "PRAGMA journal_mode=WAL; BEGIN; select count(*) from sqlite_schema", nullptr,
                              nullptr, nullptr),
                 SQLITE_OK);
        addIssues(from, 101, 150);
        QVERIFY(QFileInfo(from + QStringLiteral("-wal")).size() > 0);
    } else if (source == QLatin1String("link")) {
        from = folder + QStringLiteral("/link.mdb");
        QFile::link(backup, from);
    } else {
        QDir().mkdir(folder + QStringLiteral("/real"));
        QFile::rename(db.path(), folder + QStringLiteral("/real/dbData.mdb"));
        QFile::link(folder + QStringLiteral("/real/dbData.mdb"), database);
    }
    const QByteArray sourceBytes = bytesOf(from);
    const QByteArray journalBytes = bytesOf(from + QStringLiteral("-journal"));
    const QString aside = Backup::restore(from, database);
    sqlite3_close(writer);
    QCOMPARE(checkAndCount(database), restored);
    QCOMPARE(checkAndCount(aside), QStringLiteral("ok 300"));
    if (source != QLatin1String("wal")) {
        QCOMPARE(bytesOf(from), sourceBytes);
        QCOMPARE(bytesOf(from + QStringLiteral("-journal")), journalBytes);
    }
    if (source == QLatin1String("database link")) {
        QVERIFY(QFileInfo(database).isSymLink());
        QCOMPARE(QFileInfo(aside).absolutePath(), folder + QStringLiteral("/real"));
    }
}

// Killed after each write, link and rename of a restore, the database is
// the old file or the new one, whole, and the next start takes away the
// unfinished copy.
void TestBackups::restoreKilledAtAnyStepLeavesTheOldOrTheNewFile()
{
    TestDatabase db;
    addIssues(db.path(), 1, 3000); // a few megabytes: the copy takes several writes
    const QString backup = Backup::makeDailyCopy(db.path(), QDate(2026, 12, 1));
    addIssues(db.path(), 3001, 3500);
    const QByteArray old = bytesOf(db.path());
    QDir folder = QFileInfo(db.path()).absoluteDir();
    QStringList outcomes;
    for (int killAt = 1; killAt < 100; ++killAt) {
        for (const QString &name : folder.entryList({QStringLiteral("*before-restore*")}))
            folder.remove(name);
        writeFile(db.path(), old);
        const pid_t child = ::fork();
        if (child == 0) {
            int steps = 0;
            Backup::setRestoreStepHook([&] {
                if (++steps == killAt)
                    ::raise(SIGKILL);
            });
            try {
                Backup::restore(backup, db.path());
            } catch (...) {
                ::_exit(2);
            }
            ::_exit(0);
        }
        int status = 0;
        QCOMPARE(::waitpid(child, &status, 0), child);
        const QString now = checkAndCount(db.path());
        QVERIFY2(now == QLatin1String("ok 3500") || now == QLatin1String("ok 3000"), qPrintable(now));
        outcomes << now.mid(3);
        Backup::removeLeftovers(db.path());
        QCOMPARE(folder.entryList({QStringLiteral("*.restoring*")}), QStringList());
        if (!WIFSIGNALED(status)) {
            QCOMPARE(WEXITSTATUS(status), 0);
            QCOMPARE(now, QStringLiteral("ok 3000"));
            break;
        }
    }
    QVERIFY2(outcomes.count(QStringLiteral("3500")) >= 5 && outcomes.count(QStringLiteral("3000")) >= 2,
             qPrintable(outcomes.join(QLatin1Char(' '))));
    qInfo("%lld kill points: %s", static_cast<long long>(outcomes.size() - 1), qPrintable(outcomes.join(' ')));
}

void TestBackups::missingDatabaseIsOfferedBackNotMadeEmpty_data()
{
    QTest::addColumn<QString>("copies");
    QTest::addColumn<QString>("words"); // in the first box
    QTest::addColumn<int>("issues");    // listed after start-up
    QTest::newRow("a sound backup") << "backup"
                                    << "holds 5 issues" << 5;
    QTest::newRow("a file a restore kept aside") << "aside"
                                                 << "holds 5 issues" << 5;
    QTest::newRow("only a damaged backup") << "damaged"
                                           << "None of them is sound" << 0;
    // The file kept aside is newer by its time and by its header's count of
    // writes; the backup is offered all the same.
    QTest::newRow("a backup, and a file a restore replaced later") << "both"
                                                                   << "holds 5 issues" << 5;
}

// A database gone while its copies are there comes back on Yes; without a
// sound copy the user is told what is there before an empty one is made.
void TestBackups::missingDatabaseIsOfferedBackNotMadeEmpty()
{
    QFETCH(QString, copies);
    QFETCH(QString, words);
    QFETCH(int, issues);
    seedDatabase(5);
    const QString database = DataFile::databasePath();
    const QString backup = Backup::makeDailyCopy(database, QDate::currentDate().addDays(-1));
    if (copies == QLatin1String("aside"))
        QFile::rename(backup, DataFile::dataFolder() + QStringLiteral("/dbData-before-restore-2026-12-01-090000.mdb"));
    if (copies == QLatin1String("damaged"))
        damage(backup);
    if (copies == QLatin1String("both")) {
        addIssues(database, 6, 7);
        QFile::copy(database, DataFile::dataFolder() + QStringLiteral("/dbData-before-restore-2026-12-01-090000.mdb"));
    }
    QFile::remove(database);
    writeFile(database + QStringLiteral(".Ab12Cd.restoring"), "half a copy");

    ScriptedDialogs dialogs; // answers Yes
    auto form = started();
    QVERIFY(!dialogs.boxes.isEmpty());
    QVERIFY2(dialogs.boxes.first().text.contains(QLatin1String("is missing")) &&
                 dialogs.boxes.first().text.contains(words),
             qPrintable(dialogs.boxes.first().text));
    QCOMPARE(form->listModel()->rowCount(), issues);
    QVERIFY(!QFile::exists(database + QStringLiteral(".Ab12Cd.restoring")));
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
    QTest::newRow("FIFO") << "fifo" << 1 << "is a named pipe (FIFO)";
    QTest::newRow("names that are not UTF-8") << "bytes" << 0 << "Restored";
}

void TestBackups::restoreFromTheCommandLine()
{
    QFETCH(QString, kind);
    QFETCH(int, status);
    QFETCH(QString, words);
    seedDatabase(3);
    QString database = DataFile::databasePath();
    QString backup = Backup::makeDailyCopy(database);
    addIssues(database, 4, 9);
    if (kind == QLatin1String("empty"))
        writeFile(backup, QByteArray());
    if (kind == QLatin1String("fifo")) {
        backup = DataFile::dataFolder() + QStringLiteral("/pipe.mdb");
        QCOMPARE(::mkfifo(QFile::encodeName(backup).constData(), 0600), 0);
    }
    SingleInstance running(DataFile::dataFolder());
    if (kind == QLatin1String("running"))
        QVERIFY(running.claim());

    // Given through the shell, which passes the bytes as they are.
    QStringList arguments{QStringLiteral("exec /usr/bin/env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"$0\" "
                                         "--restore \"$1\""),
                          MARROWDESK_BIN_DIR "/marrowdesk", backup};
    if (kind == QLatin1String("bytes")) {
        const QByteArray folder = QFile::encodeName(DataFile::dataFolder()) + "/folder \xff";
        const QByteArray file = folder + "/dbData.mdb";
        const QByteArray from = QFile::encodeName(DataFile::dataFolder()) + "/backup \xfe.mdb";
        QCOMPARE(::mkdir(folder.constData(), 0700), 0);
        QCOMPARE(::rename(QFile::encodeName(database).constData(), file.constData()), 0);
        QCOMPARE(::rename(QFile::encodeName(backup).constData(), from.constData()), 0);
        database = DataFile::dataFolder() + QStringLiteral("/by-a-valid-name.mdb");
        QCOMPARE(::symlink(file.constData(), QFile::encodeName(database).constData()), 0);
        arguments = QStringList{arguments.first() + QStringLiteral(" --database \"$(printf \"$2\")\""), arguments.at(1),
                                QStringLiteral("%1"), QStringLiteral("%2")};
        arguments[0].replace(QStringLiteral("\"$1\""), QStringLiteral("\"$(printf \"$1\")\""));
        for (const QByteArray &bytes : {from, file}) {
            QString octal; // printf's escapes, so the command line itself stays text
            for (const char c : bytes)
                octal += static_cast<unsigned char>(c) < 0x80 && c != '\\' && c != '%'
                             ? QString(QLatin1Char(c))
                             : QStringLiteral("\\%1").arg(static_cast<unsigned char>(c), 3, 8, QLatin1Char('0'));
            arguments.replaceInStrings(bytes == from ? QStringLiteral("%1") : QStringLiteral("%2"), octal);
        }
    }
    QProcess process; // with no display at all
    process.start(QStringLiteral("/bin/sh"), QStringList{QStringLiteral("-c")} + arguments);
    QVERIFY(process.waitForFinished(30000));
    const QString said = QString::fromUtf8(process.readAllStandardOutput() + process.readAllStandardError());
    QCOMPARE(process.exitCode(), status);
    QVERIFY2(said.contains(words) && said.count(QLatin1Char('\n')) == 1, qPrintable(said));
    QCOMPARE(checkAndCount(database), status == 0 ? QStringLiteral("ok 3") : QStringLiteral("ok 9"));
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
