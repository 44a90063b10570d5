// Attachments on a file and on a server: what goes in comes out byte for
// byte, content is stored once, a cancel or a damaged chunk leaves nothing
// taken as good, and the trash carries an issue's attachments.

#include "data/ActivityExport.h"
#include "data/Attachments.h"
#include "data/Connection.h"
#include "data/Deletes.h"
#include "data/Error.h"
#include "data/IssueHistory.h"
#include "data/Recordset.h"
#include "data/Session.h"
#include "data/Trash.h"
#include "reports/IssueActivity.h"
#include "support/TestDatabase.h"
#include "support/TestServer.h"

#include <QBuffer>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Bytes no run of which repeats within a chunk, so a chunk out of place
// changes the hash.
QByteArray content(qint64 size, int seed)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = 2463534242u + quint32(seed);
    for (qint64 i = 0; i < size; ++i) {
        x ^= x << 13;
        x ^= x >> 17;
        x ^= x << 5;
        bytes[i] = char(x);
    }
    return bytes;
}

qint64 count(Connection &connection, const char *table)
{
    Recordset rs;
    rs.Open(QStringLiteral("select count(*) from %1").arg(QLatin1String(table)), connection);
    return rs.field(0, 0).toInteger();
}

void open(Connection &connection, TestDatabase &file, const QString &engine)
{
    if (engine == QLatin1String("file"))
        file.open(connection);
    else
        connection.Open(TestServer::freshDatabase());
    connection.Execute(QStringLiteral("insert into Issues (Title) values ('printer')"));
    connection.Execute(QStringLiteral("insert into Issues (Title) values ('network')"));
}

qint64 attach(Connection &connection, qint64 issue, const QByteArray &bytes, const QString &name,
              const Attachments::Progress &progress = {}, qint64 limit = Attachments::defaultSizeLimit)
{
    QByteArray copy = bytes;
    QBuffer buffer(&copy);
    buffer.open(QIODevice::ReadOnly);
    return Attachments::add(connection, issue, buffer, name, progress, limit);
}

QByteArray extracted(Connection &connection, qint64 id)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    Attachments::extract(connection, id, buffer);
    return out;
}

QStringList kinds(Connection &connection, qint64 issue)
{
    QStringList found;
    for (const IssueHistory::Entry &entry : IssueHistory::entries(connection, IssueHistory::Item::Issue, issue))
        found.prepend(IssueHistory::kindText(entry.kind));
    return found;
}

} // namespace

class TestAttachments : public QObject {
    Q_OBJECT
private slots:
    void engines_data()
    {
        QTest::addColumn<QString>("engine");
        QTest::newRow("file") << QStringLiteral("file");
        QTest::newRow("server") << QStringLiteral("server");
    }

    // Empty, one byte over a chunk, and several chunks come back whole;
    // the same bytes attached twice are one content; removing and undoing
    // the removal shows in the list and the history.
    void roundTripStoredOnce_data() { engines_data(); }
    void roundTripStoredOnce()
    {
        QFETCH(QString, engine);
        TestDatabase file;
        Connection connection;
        open(connection, file, engine);
        const QByteArray png = QByteArray("\x89PNG\r\n\x1a\n", 8) + content(100, 1);
        const QList<QByteArray> files{QByteArray(), content(Attachments::chunkSize + 1, 2),
                                      content(3 * Attachments::chunkSize - 7, 3), png};
        QList<qint64> ids;
        for (const QByteArray &bytes : files)
            ids << attach(connection, 1, bytes, QStringLiteral("f%1.bin").arg(ids.size()));
        for (int i = 0; i < files.size(); ++i)
            QVERIFY2(extracted(connection, ids[i]) == files[i], qPrintable(QString::number(i)));
        const QList<Attachments::Attachment> listed = Attachments::list(connection, 1);
        QCOMPARE(listed.size(), 4);
        QCOMPARE(listed[2].size, files[2].size());
        QCOMPARE(listed[2].hash, QCryptographicHash::hash(files[2], QCryptographicHash::Sha256).toHex());
        QCOMPARE(listed[3].type, QStringLiteral("image/png"));
        QVERIFY(listed[3].added.isValid());
        QCOMPARE(count(connection, "AttachmentChunks"), 1 + 2 + 3 + 0);

        const qint64 again = attach(connection, 2, files[2], QStringLiteral("copy.bin"));
        QCOMPARE(count(connection, "AttachmentContent"), 4);
        QCOMPARE(count(connection, "AttachmentChunks"), 6);
        QCOMPARE(extracted(connection, again), files[2]);

        Attachments::remove(connection, again);
        QVERIFY(Attachments::list(connection, 2).isEmpty());
        QVERIFY_THROWS_EXCEPTION(Refusal, Attachments::remove(connection, again));
        const QList<IssueHistory::Entry> history = IssueHistory::entries(connection, IssueHistory::Item::Issue, 2);
        QCOMPARE(history.first().kind, IssueHistory::Kind::AttachmentRemoved);
        QCOMPARE(history.first().noteId, again);
        IssueHistory::revertChange(connection, history.first().changeId);
        QCOMPARE(Attachments::list(connection, 2).size(), 1);
        QCOMPARE(kinds(connection, 2).mid(1), (QStringList{"attached", "attachment removed", "attached"}));
        // An empty file again names the empty content, which has no chunks.
        QCOMPARE(extracted(connection, attach(connection, 1, QByteArray(), QStringLiteral("again"))), QByteArray());
    }

    // A cancel half-way, a file over the limit and a gone issue store
    // nothing at all.
    void failuresStoreNothing_data() { engines_data(); }
    void failuresStoreNothing()
    {
        QFETCH(QString, engine);
        TestDatabase file;
        Connection connection;
        open(connection, file, engine);
        const QByteArray bytes = content(4 * Attachments::chunkSize, 4);
        const auto halfWay = [&](qint64 done, qint64 total) { return done < total * 3 / 4; };
        QVERIFY_THROWS_EXCEPTION(Refusal, attach(connection, 1, bytes, QStringLiteral("a"), halfWay));
        QVERIFY_THROWS_EXCEPTION(Refusal, attach(connection, 1, bytes, QStringLiteral("a"), {}, bytes.size() - 1));
        QVERIFY_THROWS_EXCEPTION(Refusal, attach(connection, 9, bytes, QStringLiteral("a")));
        for (const char *table : {"Attachments", "AttachmentContent", "AttachmentChunks"})
            QVERIFY2(count(connection, table) == 0, table);
        QCOMPARE(kinds(connection, 1), QStringList{"added"});
        attach(connection, 1, bytes, QStringLiteral("a"), {}, bytes.size());
        QCOMPARE(count(connection, "AttachmentChunks"), 4);
    }

    // A file written to between its hash and its store (longer, shorter,
    // or other bytes of the same length) stores nothing.
    void changedWhileReadStoresNothing_data()
    {
        QTest::addColumn<qint64>("change");
        QTest::newRow("grows") << qint64(3 * Attachments::chunkSize);
        QTest::newRow("shrinks") << qint64(-5);
        QTest::newRow("rewritten") << qint64(0);
    }
    void changedWhileReadStoresNothing()
    {
        QFETCH(qint64, change);
        TestDatabase file;
        Connection connection;
        open(connection, file, QStringLiteral("file"));
        QByteArray bytes = content(2 * Attachments::chunkSize, 9);
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::ReadOnly);
        bool changed = false;
        // Told of the first chunk stored.
        const auto writer = [&](qint64 done, qint64 total) {
            if (done <= total / 2 || std::exchange(changed, true))
                return true;
            if (change == 0)
                bytes[bytes.size() - 1] = char(bytes.back() + 1);
            else
                bytes.resize(bytes.size() + change, 'x');
            return true;
        };
        QVERIFY_THROWS_EXCEPTION(Refusal, Attachments::add(connection, 1, buffer, QStringLiteral("log"), writer));
        for (const char *table : {"Attachments", "AttachmentContent", "AttachmentChunks"})
            QVERIFY2(count(connection, table) == 0, table);
    }

    // The Issue Activity report and the activity file name each issue's
    // attachments with their sizes; the removed one is left out.
    void activityListsAttachments()
    {
        QLocale::setDefault(QLocale::c());
        TestDatabase file;
        Connection connection;
        open(connection, file, QStringLiteral("file"));
        attach(connection, 1, "hello", QStringLiteral("a.txt"));
        Attachments::remove(connection, attach(connection, 1, "x", QStringLiteral("gone.txt")));
        attach(connection, 2, content(2048, 1), QStringLiteral("=b.bin"));
        const QHash<qint64, QString> words =
            IssueActivity::wordsByIssue(connection, {}, Attachments::byIssue(connection));
        QCOMPARE(words.value(1), QStringLiteral("Attached files: \u201ca.txt\u201d (5 bytes)"));
        QCOMPARE(words.value(2), QStringLiteral("Attached files: \u201c=b.bin\u201d (2.00 KiB)"));

        QBuffer csv;
        csv.open(QIODevice::WriteOnly);
        QCOMPARE(ActivityExport::write(connection, std::vector<qint64>{1, 2}, csv, false), 6);
        const QList<QByteArray> records = csv.data().split('\n');
        QVERIFY2(records.value(0).endsWith(",Change ID,Size\r"), records.value(0).constData());
        QVERIFY2(records.value(1).endsWith(",\r"), records.value(1).constData());
        QVERIFY2(records.value(5).startsWith("1,attachment,,,a.txt,") && records.value(5).endsWith(",,,,5\r"),
                 records.value(5).constData());
        QVERIFY2(records.value(8).startsWith("2,attachment,,,'=b.bin,"), records.value(8).constData());
    }

    // A chunk changed in the database is found out: the file saved from it
    // is never made.
    void damagedContentRefused_data() { engines_data(); }
    void damagedContentRefused()
    {
        QFETCH(QString, engine);
        TestDatabase file;
        Connection connection;
        open(connection, file, engine);
        const qint64 id = attach(connection, 1, content(2 * Attachments::chunkSize, 5), QStringLiteral("a"));
        connection.session()->executeWithBytes(
            QStringLiteral("UPDATE \"AttachmentChunks\" SET \"Data\" = $1 WHERE \"Number\" = 1"), {},
            content(Attachments::chunkSize, 6));
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.bin"));
        QVERIFY_THROWS_EXCEPTION(Error, Attachments::extract(connection, id, path));
        QVERIFY(!QFile::exists(path));
    }

    // An issue's attachments go to the trash with it, come back with it,
    // and go for good with its purge, content no other names with them.
    void trashCarriesAttachments_data() { engines_data(); }
    void trashCarriesAttachments()
    {
        QFETCH(QString, engine);
        TestDatabase file;
        Connection connection;
        open(connection, file, engine);
        const QByteArray shared = content(1000, 7);
        attach(connection, 1, shared, QStringLiteral("shared"));
        attach(connection, 1, content(1000, 8), QStringLiteral("own"));
        attach(connection, 2, shared, QStringLiteral("other"));
        Deletes::issue(connection, 1, QStringLiteral("Delete"), std::nullopt);
        QCOMPARE(Trash::restore(connection, Trash::newest(connection)->id), QList<qint64>{1});
        QCOMPARE(Attachments::list(connection, 1).size(), 2);
        QCOMPARE(extracted(connection, Attachments::list(connection, 1).value(1).id), content(1000, 8));
        Deletes::issue(connection, 1, QStringLiteral("Delete"), std::nullopt);
        Trash::purge(connection, Trash::newest(connection)->id);
        QVERIFY(Attachments::list(connection, 1).isEmpty());
        QCOMPARE(count(connection, "Attachments"), 1);
        QCOMPARE(count(connection, "AttachmentContent"), 1);
        QCOMPARE(extracted(connection, Attachments::list(connection, 2).value(0).id), shared);
    }

    void safeFileName_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("expected");
        QTest::newRow("parent") << "../x"
                                << ".._x";
        QTest::newRow("absolute") << "/etc/passwd"
                                  << "_etc_passwd";
        QTest::newRow("windows") << "C:\\a\\b?.txt"
                                 << "C__a_b_.txt";
        QTest::newRow("nul") << QStringLiteral("a%1b.txt").arg(QChar(0)) << "ab.txt";
        QTest::newRow("rlo") << QStringLiteral("invoice\u202Etxt.exe") << "invoicetxt.exe";
        QTest::newRow("dot dot") << ".."
                                 << "attachment";
        QTest::newRow("empty") << ""
                               << "attachment";
        QTest::newRow("blank") << " \t "
                               << "attachment";
        QTest::newRow("300 bytes") << QString(296, QLatin1Char('a')) + ".pdf"
                                   << QString(251, QLatin1Char('a')) + ".pdf";
        QTest::newRow("300 bytes of two-byte letters") << QString(150, QChar(0xe9)) << QString(127, QChar(0xe9));
    }
    void safeFileName()
    {
        QFETCH(QString, name);
        QFETCH(QString, expected);
        const QString safe = Attachments::safeFileName(name);
        QCOMPARE(safe, expected);
        QVERIFY(safe.toUtf8().size() <= 255);
    }
};

QTEST_GUILESS_MAIN(TestAttachments)
#include "tst_attachments.moc"
