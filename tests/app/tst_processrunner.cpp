// Starting a program and waiting for it: exit codes, start failures, window
// styles, and the windows' events running meanwhile.

#include "platform/ProcessRunner.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cerrno>
#include <optional>

namespace {

// Writes an executable shell script and returns its path.
QString script(const QTemporaryDir &folder, const QString &name, const QByteArray &body, bool executable = true)
{
    const QString path = folder.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QString();
    file.write((body.startsWith("#!") ? body : "#!/bin/sh\n" + body) + "\n");
    file.close();
    QFile::Permissions permissions = QFile::ReadOwner | QFile::WriteOwner;
    if (executable)
        permissions |= QFile::ExeOwner;
    file.setPermissions(permissions);
    return path;
}

} // namespace

Q_DECLARE_METATYPE(std::optional<int>)

class TestProcessRunner : public QObject {
    Q_OBJECT
private slots:
    void anyWindowStyleRuns_data()
    {
        QTest::addColumn<std::optional<int>>("given");
        QTest::newRow("missing") << std::optional<int>();
        QTest::newRow("-1") << std::optional<int>(-1);
        QTest::newRow("7") << std::optional<int>(7);
        QTest::newRow("5") << std::optional<int>(5);
        QTest::newRow("0 hidden") << std::optional<int>(0);
    }
    // Any style, in range or not, still runs the program.
    void anyWindowStyleRuns()
    {
        QFETCH(std::optional<int>, given);
        QTemporaryDir folder;
        QCOMPARE(runProgramAndWait(script(folder, QStringLiteral("p"), "exit 4"), given), 4);
    }

    void exitCodes_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<int>("result");
        QTest::newRow("0") << QByteArray("exit 0") << 0;
        QTest::newRow("3") << QByteArray("exit 3") << 3;
        QTest::newRow("ended by a signal") << QByteArray("kill -9 $$") << 128 + 9;
        QTest::newRow("reads nothing, waits for no input") << QByteArray("read line; exit 5") << 5;
    }
    void exitCodes()
    {
        QFETCH(QByteArray, body);
        QFETCH(int, result);
        QTemporaryDir folder;
        QCOMPARE(runProgramAndWait(script(folder, QStringLiteral("program"), body)), result);
    }

    void startFailures_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<int>("errorNumber");
        QTest::newRow("missing program") << "missing" << ENOENT;
        QTest::newRow("empty command") << "empty" << ENOENT;
        QTest::newRow("a folder") << "folder" << EACCES;
        QTest::newRow("script with a missing interpreter") << "interpreter" << ENOENT;
    }
    void startFailures()
    {
        QFETCH(QString, kind);
        QFETCH(int, errorNumber);
        QTemporaryDir folder;
        QString command;
        if (kind == QLatin1String("missing"))
            command = folder.filePath(QStringLiteral("no such program"));
        else if (kind == QLatin1String("folder"))
            command = folder.path();
        else if (kind == QLatin1String("interpreter"))
            command = script(folder, QStringLiteral("p"), "#!/no/such/shell\nexit 0");
        const int result = runProgramAndWait(command);
        QCOMPARE(result, -2147221504 + errorNumber);
        QVERIFY(result < 0);
    }

    void pathWithBlanksIsOneProgram()
    {
        QTemporaryDir folder;
        QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Program Files")));
        const QString path = script(folder, QStringLiteral("Program Files/ADOFix64.msu"), "exit 7");
        QCOMPARE(runProgramAndWait(path, 0), 7);
        // Text naming no file is a command line: a program and its arguments.
        QCOMPARE(runProgramAndWait(QStringLiteral("/bin/sh -c \"exit 9\"")), 9);
    }

    void windowsStayResponsiveWhileWaiting()
    {
        QTemporaryDir folder;
        const QString path = script(folder, QStringLiteral("slow"), "sleep 0.5; exit 2");
        int ticks = 0;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] { ++ticks; });
        timer.start(20);
        QElapsedTimer clock;
        clock.start();
        QCOMPARE(runProgramAndWait(path), 2);
        const qint64 elapsed = clock.elapsed();
        QVERIFY2(ticks >= 2, qPrintable(QStringLiteral("%1 timer events ran").arg(ticks)));
        QVERIFY(elapsed >= 450);
        QVERIFY2(elapsed < 2500, qPrintable(QStringLiteral("%1 ms").arg(elapsed)));
    }
};

QTEST_GUILESS_MAIN(TestProcessRunner)
#include "tst_processrunner.moc"
