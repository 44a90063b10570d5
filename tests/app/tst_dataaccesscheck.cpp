// The start-up check of the data layer and its repair dialogue, driven
// through every branch with a replaced probe and processor width.

#include "app/DataAccessCheck.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "platform/ProgramEnd.h"
#include "tests/support/ScriptedDialogs.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using platform::Answer;

namespace {

const QString repairText = QStringLiteral(
    "Error #193: ADO is not properly installed on this computer. \r\n"
    "You need to have it installed to use this software without error.\r\n\r\nWould you like to repair it now?");
const QString helpText = QStringLiteral(
    "Please check for MDAC installation.\r\n\r\nPlease check this: "
    "https://support.tamberlyn.example/kb/data-access-update and look for 'How to obtain this update' section and "
    "download the appropriate update.\r\n\r\nPlease email support@tamberlyn.example with a screenshot of this "
    "message if you have any questions.");
const QString restartText =
    QStringLiteral("ADO is fixed on this computer. \r\nYou need to restart your computer and software.\r\n\r\n"
                   "Would you like to stop software now?");

const QStringList packageNames{QStringLiteral("ADOFix64.msu"), QStringLiteral("ADOFix86.msu")};

} // namespace

class TestDataAccessCheck : public QObject {
    Q_OBJECT
private:
    QTemporaryDir m_markers;

    // A package beside the program that records its run in the markers
    // folder and ends with the given code; "broken" ones cannot be started.
    void putPackage(const QString &name, bool startable, int exitCode)
    {
        QFile file(programFolder() + QLatin1Char('/') + name);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QStringLiteral("#!/bin/sh\necho ran >> '%1'\nexit %2\n")
                       .arg(m_markers.filePath(name))
                       .arg(exitCode)
                       .toUtf8());
        file.close();
        file.setPermissions(startable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                      : QFile::ReadOwner | QFile::WriteOwner);
    }

private slots:
    void cleanup()
    {
        DataAccessCheck::setProbe({});
        DataAccessCheck::setProcessorWidthSource({});
        platform::setEndProgramHandler({});
        for (const QString &name : packageNames) {
            QFile::remove(programFolder() + QLatin1Char('/') + name);
            QFile::remove(m_markers.filePath(name));
        }
    }

    void dialogue_data()
    {
        QTest::addColumn<QString>("probe");        // "works", "fails", "throws"
        QTest::addColumn<QString>("width");        // processor width; "throws" for a failing service
        QTest::addColumn<QStringList>("packages"); // packages beside the program; "-broken" cannot start
        QTest::addColumn<QList<Answer>>("answers");
        QTest::addColumn<QStringList>("boxes"); // "repair", "help", "restart" in order
        QTest::addColumn<QString>("ran");       // the package that ran, or empty
        QTest::addColumn<bool>("ended");

        const QStringList both{QStringLiteral("ADOFix64.msu"), QStringLiteral("ADOFix86.msu")};
        using L = QList<Answer>;
        QTest::newRow("data layer works") << "works"
                                          << "64" << both << L{} << QStringList{} << "" << false;
        QTest::newRow("No: help, no package")
            << "fails"
            << "64" << both << L{Answer::No} << QStringList{"repair", "help"} << "" << false;
        QTest::newRow("probe throws counts as failed")
            << "throws"
            << "64" << both << L{Answer::No} << QStringList{"repair", "help"} << "" << false;
        QTest::newRow("Yes, 64, stop: Yes") << "fails"
                                            << "64" << both << L{Answer::Yes, Answer::Yes}
                                            << QStringList{"repair", "restart"} << "ADOFix64.msu" << true;
        QTest::newRow("Yes, 64, stop: No") << "fails"
                                           << "64" << both << L{Answer::Yes, Answer::No}
                                           << QStringList{"repair", "restart"} << "ADOFix64.msu" << false;
        QTest::newRow("Yes, 32") << "fails"
                                 << "32" << both << L{Answer::Yes, Answer::No} << QStringList{"repair", "restart"}
                                 << "ADOFix86.msu" << false;
        QTest::newRow("Yes, width unknown")
            << "fails"
            << "" << both << L{Answer::Yes, Answer::Yes} << QStringList{"repair", "restart"} << "ADOFix86.msu" << true;
        QTest::newRow("Yes, width service fails") << "fails"
                                                  << "throws" << both << L{Answer::Yes, Answer::No}
                                                  << QStringList{"repair", "restart"} << "ADOFix86.msu" << false;
        QTest::newRow("Yes, 64, only the 86 package")
            << "fails"
            << "64" << QStringList{"ADOFix86.msu"} << L{Answer::Yes} << QStringList{"repair"} << "" << false;
        QTest::newRow("Yes, no package at all")
            << "fails"
            << "32" << QStringList{} << L{Answer::Yes} << QStringList{"repair"} << "" << false;
        QTest::newRow("Yes, package fails but ran")
            << "fails"
            << "64" << QStringList{"ADOFix64.msu-exit3"} << L{Answer::Yes, Answer::Yes}
            << QStringList{"repair", "restart"} << "ADOFix64.msu" << true;
        QTest::newRow("Yes, package cannot start: not claimed fixed")
            << "fails"
            << "64" << QStringList{"ADOFix64.msu-broken"} << L{Answer::Yes} << QStringList{"repair"} << "" << false;
    }
    void dialogue()
    {
        QFETCH(QString, probe);
        QFETCH(QString, width);
        QFETCH(QStringList, packages);
        QFETCH(QList<Answer>, answers);
        QFETCH(QStringList, boxes);
        QFETCH(QString, ran);
        QFETCH(bool, ended);

        for (const QString &package : packages) {
            const QString name = package.section(QLatin1Char('-'), 0, 0);
            putPackage(name, !package.endsWith(QLatin1String("-broken")),
                       package.endsWith(QLatin1String("-exit3")) ? 3 : 0);
        }
        int probes = 0;
        DataAccessCheck::setProbe([&] {
            ++probes;
            if (probe == QLatin1String("throws"))
                throw Error(QStringLiteral("library missing"));
            return probe == QLatin1String("works");
        });
        DataAccessCheck::setProcessorWidthSource([&] {
            if (width == QLatin1String("throws"))
                throw Error(QStringLiteral("no management service"));
            return width;
        });
        int endings = 0;
        platform::setEndProgramHandler([&](int) { ++endings; });
        ScriptedDialogs dialogs;
        dialogs.answers = answers;

        checkDataAccess();

        QCOMPARE(probes, 1);
        const QHash<QString, QString> texts{{"repair", repairText}, {"help", helpText}, {"restart", restartText}};
        QCOMPARE(dialogs.boxes.size(), boxes.size());
        for (int i = 0; i < boxes.size(); ++i) {
            const ScriptedDialogs::Box &box = dialogs.boxes[i];
            QCOMPARE(box.text, texts.value(boxes[i]));
            QCOMPARE(box.title, QStringLiteral("Marrowdesk"));
            QCOMPARE(box.icon, platform::Icon::None);
            QCOMPARE(box.buttons, boxes[i] == QLatin1String("help") ? platform::Buttons::Ok : platform::Buttons::YesNo);
        }
        for (const QString &name : packageNames)
            QCOMPARE(QFile::exists(m_markers.filePath(name)), name == ran);
        QCOMPARE(endings, ended ? 1 : 0);
    }

    void realProbeFindsTheDataLayer()
    {
        QVERIFY(DataAccessCheck::probeDataLayer());
        ScriptedDialogs dialogs;
        checkDataAccess();
        QVERIFY(dialogs.boxes.isEmpty());
    }

    void processorWidth_data()
    {
        QTest::addColumn<QString>("architecture");
        QTest::addColumn<QString>("width");
        QTest::newRow("x86_64") << "x86_64"
                                << "64";
        QTest::newRow("arm64") << "arm64"
                               << "64";
        QTest::newRow("s390x") << "s390x"
                               << "64";
        QTest::newRow("i386") << "i386"
                              << "32";
        QTest::newRow("no answer") << ""
                                   << "";
    }
    void processorWidth()
    {
        QFETCH(QString, architecture);
        QFETCH(QString, width);
        QCOMPARE(DataAccessCheck::processorWidthOf(architecture), width);
    }
};

QTEST_GUILESS_MAIN(TestDataAccessCheck)
#include "tst_dataaccesscheck.moc"
