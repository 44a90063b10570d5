// Where the database lives and how the first run makes it.

#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/FileUtil.h"
#include "platform/ErrorBlock.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

class TestDataFile : public QObject {
    Q_OBJECT
private slots:
    void init();
    void dataFolderFollowsXdgDataHome();
    void connectionStringNamesTheFileWithEmptyPassword();
    void firstRunMakesPrivateFoldersAndCopiesTemplate();
    void existingDatabaseIsNeverReplaced();
    void connectionStringKeepsTheExactPath();
    void onlyMissingFolderLevelsAreMade();
    void missingTemplateIsReportedAtStep110();
    void fileExistsReportsNothing();

private:
    QTemporaryDir m_home;
    ErrorBlock block() { return ErrorBlock(QStringLiteral("in Pellucid2021/08/31.Form1.Form_Load ")); }
};

void TestDataFile::init()
{
    const QString data = m_home.filePath(QStringLiteral("data-%1").arg(QRandomGenerator::global()->generate()));
    qputenv("XDG_DATA_HOME", data.toUtf8());
    QDir().mkpath(data);
    installTemplateBesideProgram();
}

void TestDataFile::dataFolderFollowsXdgDataHome()
{
    const QString data = qEnvironmentVariable("XDG_DATA_HOME");
    QCOMPARE(SpecialFolderPath(35), data);
    QCOMPARE(DataFile::databasePath(), data + QStringLiteral("/Tamberlyn/Marrowdesk/dbData.mdb"));
    QCOMPARE(SpecialFolderPath(7), QString());
    qputenv("XDG_DATA_HOME", "relative/path"); // not absolute: ignored, as XDG says
    QCOMPARE(SpecialFolderPath(35), QDir::homePath() + QStringLiteral("/.local/share"));
}

void TestDataFile::connectionStringNamesTheFileWithEmptyPassword()
{
    QCOMPARE(DataFile::connectionString(), QStringLiteral("provider=microsoft.jet.oledb.4.0;data source=") +
                                               DataFile::databasePath() +
                                               QStringLiteral(";JET OLEDB:Database Password="));
}

void TestDataFile::firstRunMakesPrivateFoldersAndCopiesTemplate()
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    qputenv("XDG_DATA_HOME", (home + QStringLiteral("/.local/share")).toUtf8()); // a new account: not even that
    ScriptedDialogs dialogs;
    ErrorBlock step = block();
    DataFile::prepare(step);
    QCOMPARE(dialogs.boxes.size(), 0);
    const auto folderMode = QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner;
    const auto ownerAndUser =
        QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
    for (const QString &folder : {home + QStringLiteral("/.local"), SpecialFolderPath(35), DataFile::companyFolder()})
        QCOMPARE(QFile::permissions(folder) & ~ownerAndUser, QFileDevice::Permissions());
    QCOMPARE(QFile::permissions(DataFile::dataFolder()) & folderMode, folderMode);
    QCOMPARE(QFile::permissions(DataFile::dataFolder()) & ~ownerAndUser, QFileDevice::Permissions());
    QVERIFY(QFile::exists(DataFile::databasePath()));
    QCOMPARE(QFile::permissions(DataFile::databasePath()) & ~(ownerAndUser & ~(QFile::ExeOwner | QFile::ExeUser)),
             QFileDevice::Permissions());
    QFile copy(DataFile::databasePath());
    QFile original(TestDatabase::templatePath());
    QVERIFY(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
    QCOMPARE(copy.readAll(), original.readAll());
}

void TestDataFile::existingDatabaseIsNeverReplaced()
{
    QDir().mkpath(DataFile::dataFolder());
    QFile existing(DataFile::databasePath());
    QVERIFY(existing.open(QIODevice::WriteOnly));
    existing.write("the user's data");
    existing.close();
    ScriptedDialogs dialogs;
    ErrorBlock step = block();
    DataFile::prepare(step);
    QCOMPARE(dialogs.boxes.size(), 0);
    QVERIFY(existing.open(QIODevice::ReadOnly));
    QCOMPARE(existing.readAll(), QByteArray("the user's data"));
}

// The connection string names exactly the path, whatever separators or
// quotes it holds: the data folder's, or a name given to the SQL shell.
void TestDataFile::connectionStringKeepsTheExactPath()
{
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    for (const QString folder : {"/x;y/data", "/\"q\";r's;"}) {
        qputenv("XDG_DATA_HOME", (home + folder).toUtf8());
        QCOMPARE(ConnectionText::fileName(DataFile::connectionString()), DataFile::databasePath());
    }
    for (const QString name : {"\"q.mdb", "'q.mdb", " q.mdb "})
        QCOMPARE(ConnectionText::fileName(ConnectionText::dataSource(name)), name);
}

void TestDataFile::onlyMissingFolderLevelsAreMade()
{
    QVERIFY(QDir().mkpath(DataFile::companyFolder()));
    QFile marker(DataFile::companyFolder() + QStringLiteral("/keep.txt"));
    QVERIFY(marker.open(QIODevice::WriteOnly));
    marker.close();
    ScriptedDialogs dialogs;
    ErrorBlock step = block();
    DataFile::prepare(step);
    QVERIFY(QFile::exists(marker.fileName()));
    QVERIFY(QFile::exists(DataFile::databasePath()));
}

void TestDataFile::missingTemplateIsReportedAtStep110()
{
    QFile::remove(DataFile::templatePath());
    ScriptedDialogs dialogs;
    ErrorBlock step = block();
    DataFile::prepare(step);
    installTemplateBesideProgram();
    QCOMPARE(dialogs.boxes.size(), 1);
    QVERIFY(dialogs.boxes.first().text.contains(QLatin1String("dbBlank.mdb")));
    QVERIFY(dialogs.boxes.first().text.contains(QLatin1String("Form_Load at line 110")));
    QVERIFY(!QFile::exists(DataFile::databasePath()));
}

void TestDataFile::fileExistsReportsNothing()
{
    ScriptedDialogs dialogs;
    QVERIFY(FileExists(TestDatabase::templatePath()));
    QVERIFY(!FileExists(m_home.filePath(QStringLiteral("nothing/here.mdb"))));
    QVERIFY(!FileExists(QString()));
    QCOMPARE(dialogs.boxes.size(), 0);
}

QTEST_MAIN(TestDataFile)
#include "tst_datafile.moc"
