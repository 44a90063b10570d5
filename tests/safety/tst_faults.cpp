// What the machine can do to the program's files, seen from the main window:
// a database file that is missing, empty, foreign, read-only or in a folder
// that cannot be written; the template missing; a settings file that cannot
// be read. Each start-up says what is wrong in words a user can act on,
// comes up usable, keeps every existing file as it was, and keeps the daily
// backup sound. Then a second copy of the program on the same file.

#include "app/MainWindowFixture.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Recordset.h"
#include "issues/IssueEditor.h"
#include "platform/SettingsStore.h"
#include "tests/support/WindowControls.h"

#include <QComboBox>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSet>
#include <QTest>

#include <sqlite3.h>

#include <linux/capability.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <thread>

using namespace form1test;

namespace {

// Makes file modes apply to this thread as to any user while in scope: when
// the tests run as root, root's right to read and write past them is set
// aside, and given back afterwards.
class FileModesApply {
public:
    FileModesApply()
    {
        if (geteuid() != 0)
            return;
        if (syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct reduced[2] = {m_saved[0], m_saved[1]};
        for (int capability : {CAP_DAC_OVERRIDE, CAP_DAC_READ_SEARCH, CAP_FOWNER})
            reduced[capability / 32].effective &= ~(1u << (capability % 32));
        m_reduced = syscall(SYS_capset, &m_header, reduced) == 0;
    }
    ~FileModesApply()
    {
        if (m_reduced)
            syscall(SYS_capset, &m_header, m_saved);
    }
    FileModesApply(const FileModesApply &) = delete;
    FileModesApply &operator=(const FileModesApply &) = delete;

    // Whether a file without write permission really cannot be written here.
    static bool hold(const QString &scratchFolder)
    {
        const QString probe = scratchFolder + QStringLiteral("/mode-probe");
        QFile file(probe);
        file.open(QIODevice::WriteOnly);
        file.close();
        QFile::setPermissions(probe, QFile::ReadOwner);
        const bool held = !file.open(QIODevice::WriteOnly);
        QFile::remove(probe);
        return held;
    }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_reduced = false;
};

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

// A database as a user has it: one contact, one value in each list and
// issue 1 "Seeded", made before the program starts.
void seedDatabase()
{
    QDir().mkpath(DataFile::dataFolder());
    QVERIFY(QFile::copy(TestDatabase::templatePath(), DataFile::databasePath()));
    QFile::setPermissions(DataFile::databasePath(), QFile::ReadOwner | QFile::WriteOwner);
    Connection connection;
    connection.Open(DataFile::connectionString());
    for (const char *sql : {"insert into Contacts (ID,[First Name],[Last Name]) values (1,'Ann','Lee')",
                            "insert into [Status] values ('Open')", "insert into [Categories] values ('Bug')",
                            "insert into [Priorities] values ('High')",
                            ("insert into Issues (ID,Title,[Assigned To],[Opened By],[Opened Date],Status,Category,"
                             "Priority) values (1,'Seeded',1,1,'2021-08-31','Open','Bug','High')")})
        connection.Execute(QLatin1String(sql));
}

// Seven copies from the seven days before today, as earlier starts left them.
QMap<QString, QByteArray> earlierBackups()
{
    QMap<QString, QByteArray> copies;
    const QString folder = Backup::folderFor(DataFile::databasePath());
    QDir().mkpath(folder);
    for (int day = 1; day <= Backup::copiesKept; ++day) {
        const QString name =
            QStringLiteral("dbData-%1.mdb").arg(QDate::currentDate().addDays(-day).toString(Qt::ISODate));
        QFile::copy(TestDatabase::templatePath(), folder + QLatin1Char('/') + name);
        copies.insert(name, bytesOf(folder + QLatin1Char('/') + name));
    }
    return copies;
}

QString todaysBackup()
{
    return Backup::folderFor(DataFile::databasePath()) +
           QStringLiteral("/dbData-%1.mdb").arg(QDate::currentDate().toString(Qt::ISODate));
}

QStringList backupNames()
{
    return QDir(Backup::folderFor(DataFile::databasePath())).entryList(QDir::Files, QDir::Name);
}

QStringList issueTitles(const QString &databasePath)
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(databasePath));
    Recordset rs;
    QStringList titles;
    for (rs.Open(QStringLiteral("select Title from Issues order by ID"), connection); !rs.Eof(); rs.MoveNext())
        titles << rs.field(0).toText();
    return titles;
}

// "Add New Issue" in the main window, the editor filled and saved. Returns
// whether the editor was still open after Save.
bool addThroughWindow(ScriptedDialogs &dialogs, MainWindow &form, const QString &title,
                      const std::function<void()> &beforeSave = {},
                      const std::function<void(IssueEditor &)> &afterSave = {})
{
    bool stillOpen = false;
    dialogs.modalScripts.append([&](QDialog &window) {
        auto &editor = static_cast<IssueEditor &>(window);
        window.show();
        ui(editor).titleBox->setText(title);
        for (QComboBox *picker : editor.findChildren<QComboBox *>())
            picker->setCurrentIndex(0);
        if (beforeSave)
            beforeSave();
        ui(editor).saveButton->click();
        stillOpen = window.isVisible();
        if (afterSave)
            afterSave(editor);
    });
    form.addNewIssue();
    return stillOpen;
}

QStringList boxTexts(const ScriptedDialogs &dialogs)
{
    QStringList result;
    for (const ScriptedDialogs::Box &box : dialogs.boxes)
        result << box.text;
    return result;
}

// Holds a write lock on the file from another connection until released.
void holdWriteLock(const QString &path, std::atomic<bool> &locked, std::atomic<bool> &release)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
    sqlite3_exec(db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr);
    locked = true;
    while (!release)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    sqlite3_close(db);
}

enum class Fault {
    DatabaseMissing,
    ZeroBytes,
    RandomBytes,
    AccessFile,
    ForeignSqlite,
    NewerSchema,
    ReadOnlyFile,
    FolderNotWritable,
    FolderNotWritableDatabaseMissing,
    TemplateMissing,
    SettingsUnreadable,
    SettingsAFolder,
    SettingsGarbage,
};

} // namespace

Q_DECLARE_METATYPE(Fault)

class TestFaults : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { freshMachine(); }
    void cleanup()
    {
        QFile::remove(platform::settingsFilePath()); // first: it may be a link to a device
        QFile::setPermissions(QFileInfo(platform::settingsFilePath()).absolutePath(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(DataFile::dataFolder(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QFile::setPermissions(DataFile::databasePath(), QFile::ReadOwner | QFile::WriteOwner);
        QFile::setPermissions(platform::settingsFilePath(), QFile::ReadOwner | QFile::WriteOwner);
        QDir(platform::settingsFilePath()).removeRecursively();
        QFile::remove(platform::settingsFilePath());
        QFile::remove(platform::settingsFilePath() + QStringLiteral(".damaged"));
    }

    void startUpFaults_data();
    void startUpFaults();
    void settingsThatCannotBeUsedAreToldOnce_data();
    void settingsThatCannotBeUsedAreToldOnce();
    void startUpKeepsTodaysBackup();
    void secondCopyWritesAlongside();
    void longLockByASecondCopy();
};

void TestFaults::startUpFaults_data()
{
    QTest::addColumn<Fault>("fault");
    QTest::addColumn<QStringList>("errors");  // error boxes of start-up: "Form_Load at line 124"
    QTest::addColumn<QStringList>("words");   // what start-up's boxes say, in these words
    QTest::addColumn<bool>("readable");       // the seeded issue is listed
    QTest::addColumn<QString>("saveRefusal"); // what saving an issue says; empty: it is saved
    QTest::addColumn<bool>("backupToday");    // start-up made today's copy

    const QStringList none;
    const QString saved;
    const QStringList openFails{"Form_Load at line 124", "ListData at line 104"};
    const QString noCopy = QStringLiteral("not a Marrowdesk database, so it was not copied. The earlier copies");
    QTest::newRow("database missing: its backup offered back")
        << Fault::DatabaseMissing << none << QStringList{"copies of it are there"} << false << saved << true;
    QTest::newRow("zero bytes") << Fault::ZeroBytes << openFails
                                << QStringList{"is empty (zero bytes)", "Restore it from a backup", noCopy} << false
                                << QString("closed") << false;
    QTest::newRow("random bytes") << Fault::RandomBytes << openFails
                                  << QStringList{"its contents are of an unknown kind", noCopy} << false
                                  << QString("closed") << false;
    QTest::newRow("Access file") << Fault::AccessFile << openFails << QStringList{"is a Microsoft Access file", noCopy}
                                 << false << QString("closed") << false;
    QTest::newRow("from a newer Marrowdesk: backed up, never written")
        << Fault::NewerSchema << openFails << QStringList{"was made by a newer Marrowdesk (schema version 12"} << false
        << QString("closed") << true;
    QTest::newRow("another program's SQLite file")
        << Fault::ForeignSqlite << openFails << QStringList{"an SQLite database, but not a Marrowdesk database", noCopy}
        << false << QString("closed") << false;
    QTest::newRow("read-only file") << Fault::ReadOnlyFile << none << none << true
                                    << "cannot save changes: the database" << true;
    QTest::newRow("folder without write permission")
        << Fault::FolderNotWritable << none
        << QStringList{"could not be made. Check that you may write to the data folder"} << true
        << "cannot save changes: the database" << false;
    QTest::newRow("folder without write permission, database missing")
        << Fault::FolderNotWritableDatabaseMissing
        << QStringList{"Form_Load at line 110", "Form_Load at line 124", "ListData at line 104"}
        << QStringList{"could not be copied", "does not exist"} << false << QString("closed") << false;
    QTest::newRow("template missing") << Fault::TemplateMissing
                                      << QStringList{"Form_Load at line 110", "Form_Load at line 124",
                                                     "ListData at line 104"}
                                      << QStringList{"Reinstall Marrowdesk", "copies of it are there"} << false
                                      << QString("closed") << false;
    QTest::newRow("settings file unreadable")
        << Fault::SettingsUnreadable << none << QStringList{"cannot be read", "Check the file's permissions"} << true
        << saved << true;
    QTest::newRow("settings file is a folder")
        << Fault::SettingsAFolder << none << QStringList{"cannot be read: it is a folder"} << true << saved << true;
    QTest::newRow("settings file full of garbage")
        << Fault::SettingsGarbage << none << QStringList{"was damaged and could not be read; it was kept as"} << true
        << saved << true;
}

// saveRefusal "closed": the database is not open, so the editor is not
// tried; the window's other commands must still answer.
void TestFaults::startUpFaults()
{
    QFETCH(Fault, fault);
    QFETCH(QStringList, errors);
    QFETCH(QStringList, words);
    QFETCH(bool, readable);
    QFETCH(QString, saveRefusal);
    QFETCH(bool, backupToday);

    const QString database = DataFile::databasePath();
    const QString settings = platform::settingsFilePath();
    const bool needsModes = fault == Fault::ReadOnlyFile || fault == Fault::FolderNotWritable ||
                            fault == Fault::FolderNotWritableDatabaseMissing || fault == Fault::SettingsUnreadable;

    if (fault != Fault::DatabaseMissing && fault != Fault::TemplateMissing &&
        fault != Fault::FolderNotWritableDatabaseMissing)
        seedDatabase();
    else
        QDir().mkpath(DataFile::dataFolder());
    const bool folderNotWritable =
        fault == Fault::FolderNotWritable || fault == Fault::FolderNotWritableDatabaseMissing;
    // Earlier starts left their copies; in a folder that cannot be written
    // there are none, so that the backup folder has to be made.
    const QMap<QString, QByteArray> earlier = folderNotWritable ? QMap<QString, QByteArray>() : earlierBackups();
    QDir().mkpath(QFileInfo(settings).absolutePath());
    const QByteArray settingsText = "[General]\nWindowState=0\nColumnHeaders1=2000\n";
    static const char garbageBytes[] = "\x00\x13\x37}{ not settings\n[[[\n=== \xff\xfe";
    const QByteArray garbage(garbageBytes, sizeof garbageBytes - 1);
    switch (fault) {
    case Fault::ZeroBytes:
        writeFile(database, QByteArray());
        break;
    case Fault::RandomBytes: {
        static const char noise[] = "\x13\x37 noise, no database \xff\xfe\x00\x01";
        writeFile(database, QByteArray(noise, sizeof noise - 1).repeated(50));
        break;
    }
    case Fault::AccessFile: {
        QByteArray access(4096, '\0');
        access.replace(4, 15, "Standard Jet DB");
        writeFile(database, access);
        break;
    }
    case Fault::ForeignSqlite: {
        QFile::remove(database);
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(database).constData(), &db);
        sqlite3_exec(db, "create table Notes (Text); insert into Notes values ('mine')", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        break;
    }
    case Fault::NewerSchema: {
        sqlite3 *db = nullptr;
        sqlite3_open(QFile::encodeName(database).constData(), &db);
        sqlite3_exec(db, "PRAGMA user_version=12", nullptr, nullptr, nullptr);
        sqlite3_close(db);
        break;
    }
    case Fault::ReadOnlyFile:
        QFile::setPermissions(database, QFile::ReadOwner);
        break;
    case Fault::FolderNotWritable:
    case Fault::FolderNotWritableDatabaseMissing:
        QFile::setPermissions(DataFile::dataFolder(), QFile::ReadOwner | QFile::ExeOwner);
        break;
    case Fault::TemplateMissing:
        QVERIFY(QFile::remove(DataFile::templatePath()));
        break;
    case Fault::SettingsUnreadable:
        writeFile(settings, settingsText);
        QFile::setPermissions(settings, QFileDevice::Permissions());
        break;
    case Fault::SettingsAFolder:
        QDir().mkpath(settings);
        break;
    case Fault::SettingsGarbage:
        writeFile(settings, garbage);
        break;
    default:
        break;
    }
    const QByteArray databaseBefore = bytesOf(database);
    const QByteArray templateBefore = bytesOf(DataFile::templatePath());
    const QByteArray settingsBefore = bytesOf(settings);
    const QStringList backupsBefore = backupNames();

    ScriptedDialogs dialogs;
    if (fault == Fault::TemplateMissing)
        dialogs.answers << platform::Answer::No; // to the offer of the earlier backups
    const int endsBefore = programEnds();
    {
        FileModesApply modes;
        if (needsModes && !FileModesApply::hold(QDir::tempPath()))
            QSKIP("file permissions do not hold for this user here");

        auto form = started();
        QCOMPARE(errorLines(dialogs), errors);
        const QString said = boxTexts(dialogs).join(QLatin1Char('\n'));
        for (const QString &word : words)
            QVERIFY2(said.contains(word), qPrintable(said));
        // Whatever went wrong, the window is complete and answers.
        QCOMPARE(form->listModel()->columnCount(), 10);
        QCOMPARE(form->columnWidthTwips(0), 1200.0); // the default: no stored width was read
        form->show();
        QVERIFY(QTest::qWaitForWindowExposed(form.get()));
        QCOMPARE(shownIds(*form), readable ? QStringList{"1"} : QStringList());

        const int boxesBefore = dialogs.boxes.size();
        form->showHelp(); // Help
        QCOMPARE(dialogs.boxes.size(), boxesBefore + 1);

        if (saveRefusal != QLatin1String("closed")) {
            if (!readable) { // a new, empty database: something to choose
                execute(QStringLiteral("insert into Contacts ([First Name],[Last Name]) values ('Ann','Lee')"));
                execute(QStringLiteral("insert into [Status] values ('Open')"));
                execute(QStringLiteral("insert into [Categories] values ('Bug')"));
                execute(QStringLiteral("insert into [Priorities] values ('High')"));
            }
            const int errorsBefore = dialogs.errorBoxes().size();
            const int messagesBefore = dialogs.plainMessages().size();
            const bool editorOpen = addThroughWindow(dialogs, *form, QStringLiteral("Typed while faulty"));
            if (saveRefusal.isEmpty()) {
                QVERIFY(!editorOpen);
                QVERIFY(form->listModel()->rowCount() >= 1);
                QCOMPARE(form->listModel()->cell(form->listModel()->rowCount() - 1, 1),
                         QStringLiteral("Typed while faulty"));
            } else {
                // Refused with a clear message, and the editor stays open
                // with what was typed.
                QVERIFY(editorOpen);
                QCOMPARE(dialogs.errorBoxes().size(), errorsBefore);
                QCOMPARE(dialogs.plainMessages().size(), messagesBefore + 1);
                QVERIFY2(dialogs.plainMessages().last().text.contains(saveRefusal),
                         qPrintable(dialogs.plainMessages().last().text));
                QVERIFY(!boxTexts(dialogs).contains(QStringLiteral("Record Successfully Saved")));
                QCOMPARE(shownIds(*form), QStringList{"1"});
            }
        }
        form->close();
        QCOMPARE(programEnds(), endsBefore + 1);
    }

    // No existing file was overwritten, truncated or removed.
    QCOMPARE(bytesOf(DataFile::templatePath()), templateBefore);
    if (fault == Fault::DatabaseMissing)
        QCOMPARE(issueTitles(database), QStringList{"Typed while faulty"});
    else if (saveRefusal.isEmpty())
        QCOMPARE(issueTitles(database), QStringList({"Seeded", "Typed while faulty"}));
    else
        QCOMPARE(bytesOf(database), databaseBefore);
    QVERIFY(!QFile::exists(database + QStringLiteral("-journal")));
    if (fault == Fault::SettingsGarbage)
        QCOMPARE(bytesOf(settings + QStringLiteral(".damaged")), settingsBefore);
    else if (fault == Fault::SettingsUnreadable)
        QCOMPARE(bytesOf(settings), settingsBefore);
    else if (fault == Fault::SettingsAFolder)
        QVERIFY(QFileInfo(settings).isDir());

    // The backups: today's copy only of a sound database, and a copy never
    // pushes out a good one for a broken file.
    QCOMPARE(QFile::exists(todaysBackup()), backupToday);
    if (fault == Fault::NewerSchema) { // a sound copy, which only the newer Marrowdesk opens
        QVERIFY(Backup::problemWith(todaysBackup()).contains(QLatin1String("newer Marrowdesk")));
    } else if (backupToday) {
        QCOMPARE(issueTitles(todaysBackup()), issueTitles(database).mid(0, readable ? 1 : 0));
    } else {
        QCOMPARE(backupNames(), backupsBefore);
        for (auto copy = earlier.begin(); copy != earlier.end(); ++copy)
            QCOMPARE(bytesOf(Backup::folderFor(database) + QLatin1Char('/') + copy.key()), copy.value());
    }
}

void TestFaults::settingsThatCannotBeUsedAreToldOnce_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *kind : {"FIFO", "link to /dev/zero", "over 1 MiB", "folder not writable"})
        QTest::newRow(kind) << QString::fromLatin1(kind);
}

// A special or huge settings file is neither read nor replaced: start-up
// says so once. A folder that cannot be written fails shutdown once.
void TestFaults::settingsThatCannotBeUsedAreToldOnce()
{
    QFETCH(QString, kind);
    const QString settings = platform::settingsFilePath();
    const QString folder = QFileInfo(settings).path();
    const bool folderRow = kind.startsWith(QLatin1String("folder"));
    QDir().mkpath(folder);
    if (kind == QLatin1String("FIFO"))
        QCOMPARE(mkfifo(QFile::encodeName(settings).constData(), 0600), 0);
    else if (kind.startsWith(QLatin1String("link")))
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), settings));
    else if (!folderRow)
        writeFile(settings, "[General]\nColumnHeaders1=2000\n" + QByteArray(qsizetype(1024) * 1024, ';'));
    else
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
    struct stat before {
    }, after{};
    lstat(QFile::encodeName(settings).constData(), &before);
    ScriptedDialogs dialogs;
    {
        FileModesApply modes;
        if (folderRow && !FileModesApply::hold(QDir::tempPath()))
            QSKIP("file permissions do not hold for this user here");
        auto form = started();
        QCOMPARE(form->columnWidthTwips(0), 1200.0);
        form->close();
    }
    QCOMPARE(errorLines(dialogs), folderRow ? QStringList{"Form_QueryUnload at line 106"} : QStringList());
    QCOMPARE(boxTexts(dialogs).filter(QStringLiteral("settings file")).size(), folderRow ? 0 : 1);
    lstat(QFile::encodeName(settings).constData(), &after); // the same file, never replaced
    QVERIFY(after.st_mode == before.st_mode && after.st_size == before.st_size);
}

// Start-up copies the database before anything writes to it, once a day:
// a second start the same day keeps the first copy.
void TestFaults::startUpKeepsTodaysBackup()
{
    seedDatabase();
    ScriptedDialogs dialogs;
    {
        auto form = started();
        QVERIFY(QFile::exists(todaysBackup()));
        QCOMPARE(QFile::permissions(todaysBackup()) &
                     (QFile::ReadGroup | QFile::ReadOther | QFile::WriteGroup | QFile::WriteOther),
                 QFileDevice::Permissions());
        QVERIFY(!addThroughWindow(dialogs, *form, QStringLiteral("After the copy")));
        form->close();
    }
    const QByteArray copy = bytesOf(todaysBackup());
    QCOMPARE(issueTitles(todaysBackup()), QStringList{"Seeded"});
    {
        auto again = started();
        QCOMPARE(shownIds(*again), QStringList({"1", "2"}));
        again->close();
    }
    QCOMPARE(bytesOf(todaysBackup()), copy);
    QCOMPARE(issueTitles(DataFile::databasePath()), QStringList({"Seeded", "After the copy"}));
    QCOMPARE(errorLines(dialogs), QStringList());
}

// A second copy of the program (the SQL shell, over the same data layer)
// writes to the file while the window saves issues: both read what the
// other wrote, and no write is lost.
void TestFaults::secondCopyWritesAlongside()
{
    seedDatabase();
    ScriptedDialogs dialogs;
    auto form = started();

    QStringList statements;
    for (int i = 1; i <= 40; ++i)
        statements << QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,"
                                     "Category,Priority) values ('Other %1',1,1,'2021-08-31','Open','Bug','High')")
                          .arg(i);
    QProcess other;
    other.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"),
                QStringList{DataFile::databasePath()} + statements);
    QVERIFY(other.waitForStarted());
    for (int i = 1; i <= 10; ++i)
        QVERIFY(!addThroughWindow(dialogs, *form, QStringLiteral("Mine %1").arg(i)));
    QVERIFY(other.waitForFinished(60000));
    QCOMPARE(other.readAllStandardError(), QByteArray());
    QCOMPARE(other.exitCode(), 0);
    QCOMPARE(errorLines(dialogs), QStringList());

    form->refillList();
    QCOMPARE(form->listModel()->rowCount(), 51);
    QProcess reader;
    reader.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"),
                 {DataFile::databasePath(), QStringLiteral("select Count(ID) from Issues where Title like 'Mine %'")});
    QVERIFY(reader.waitForFinished(60000));
    QCOMPARE(reader.readAllStandardOutput().split('\n').value(1), QByteArray("10"));

    QSet<QString> titles;
    for (const QString &title : issueTitles(DataFile::databasePath()))
        titles.insert(title);
    QCOMPARE(titles.size(), 51);
    for (int i = 1; i <= 40; ++i)
        QVERIFY(titles.contains(QStringLiteral("Other %1").arg(i)));
    for (int i = 1; i <= 10; ++i)
        QVERIFY(titles.contains(QStringLiteral("Mine %1").arg(i)));
}

// Another copy holds the file locked for longer than the wait allows: the
// save and the list refill each say so in a plain message, the editor keeps
// what was typed, and once the lock is gone the same Save stores it.
void TestFaults::longLockByASecondCopy()
{
    seedDatabase();
    ScriptedDialogs dialogs;
    auto form = started();
    std::atomic<bool> locked = false;
    std::atomic<bool> release = false;
    std::thread other;
    const auto lock = [&] { // once the editor has loaded
        other = std::thread(holdWriteLock, DataFile::databasePath(), std::ref(locked), std::ref(release));
        while (!locked)
            std::this_thread::yield();
    };
    const auto unlockAndSaveAgain = [&](IssueEditor &editor) {
        QCOMPARE(ui(editor).titleBox->text(), QStringLiteral("Waited for"));
        release = true;
        other.join();
        ui(editor).saveButton->click();
        QVERIFY(!editor.isVisible());
    };
    const bool editorOpen = addThroughWindow(dialogs, *form, QStringLiteral("Waited for"), lock, unlockAndSaveAgain);
    if (other.joinable()) {
        release = true;
        other.join();
    }
    QVERIFY(editorOpen);
    // The lock is the state of the data, not a fault: a plain message.
    QCOMPARE(dialogs.errorBoxes().size(), 0);
    const auto lockMessages = [&] {
        return boxTexts(dialogs).filter(QStringLiteral("in use by another program")).size();
    };
    QCOMPARE(lockMessages(), 1);
    // The refill after the editor closed ran without the lock.
    QCOMPARE(errorLines(dialogs).filter(QStringLiteral("ListData")), QStringList());
    QCOMPARE(boxTexts(dialogs).count(QStringLiteral("Record Successfully Saved")), 1);
    QCOMPARE(shownIds(*form), QStringList({"1", "2"}));

    // A refill while the other copy holds the lock: one message, an empty
    // list, and the next refill shows everything again.
    locked = false;
    release = false;
    std::thread again(holdWriteLock, DataFile::databasePath(), std::ref(locked), std::ref(release));
    while (!locked)
        std::this_thread::yield();
    form->refillList();
    release = true;
    again.join();
    QCOMPARE(errorLines(dialogs), QStringList());
    QCOMPARE(lockMessages(), 2);
    QCOMPARE(form->listModel()->rowCount(), 0);
    form->refillList();
    QCOMPARE(shownIds(*form), QStringList({"1", "2"}));
    QCOMPARE(issueTitles(DataFile::databasePath()), QStringList({"Seeded", "Waited for"}));
}

QTEST_MAIN(TestFaults)
#include "tst_faults.moc"
