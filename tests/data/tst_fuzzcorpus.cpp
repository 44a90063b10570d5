// Replays the kept fuzzing corpus through the fuzzers' checks, so that every
// input that once found a fault stays a regression test in the ordinary build.

#include "FuzzChecks.h"

#include <QDir>
#include <QFile>
#include <QTest>

class TestFuzzCorpus : public QObject {
    Q_OBJECT
private slots:
    void replay_data();
    void replay();
};

void TestFuzzCorpus::replay_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("path");
    for (const QString &target : {QStringLiteral("jetsql"), QStringLiteral("datetext")}) {
        const QDir folder(QStringLiteral(MARROWDESK_SOURCE_DIR "/fuzz/corpus/") + target);
        const QStringList files = folder.entryList(QDir::Files);
        QVERIFY(!files.isEmpty());
        for (const QString &file : files)
            QTest::newRow(qPrintable(target + QLatin1Char('/') + file)) << target << folder.filePath(file);
    }
}

void TestFuzzCorpus::replay()
{
    QFETCH(QString, target);
    QFETCH(QString, path);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray input = file.readAll();
    const auto *data = reinterpret_cast<const uint8_t *>(input.constData());
    if (target == QLatin1String("jetsql"))
        FuzzChecks::jetSql(data, static_cast<size_t>(input.size()));
    else
        FuzzChecks::dateText(data, static_cast<size_t>(input.size()));
}

QTEST_APPLESS_MAIN(TestFuzzCorpus)
#include "tst_fuzzcorpus.moc"
