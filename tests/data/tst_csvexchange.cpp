// Issues through CSV files: texts a spreadsheet or an attacker might hold
// come back unchanged, files as spreadsheet programs write them are read,
// the import's plan maps and refuses rows as it says, and a failed import
// leaves the database as it was.

#include "data/Connection.h"
#include "data/Csv.h"
#include "data/Error.h"
#include "data/IssueExchange.h"
#include "data/Recordset.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QTest>

using namespace IssueExchange;

namespace {

QString scalar(Connection &connection, const QString &query)
{
    Recordset rs;
    rs.Open(query, connection);
    return rs.field(0).toTextOrEmpty();
}

QByteArray exported(Connection &connection, bool byteOrderMark)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    exportIssues(connection, std::nullopt, buffer, byteOrderMark);
    return buffer.data();
}

Counts imported(Connection &connection, const QByteArray &bytes)
{
    const Csv::Document document = Csv::read(bytes);
    const Plan planned = plan(document, suggestedMapping(document.records.value(0)), readExisting(connection));
    if (!planned.refusals.isEmpty())
        qWarning("refused: %s", qPrintable(planned.refusals.first().reason));
    return apply(connection, planned);
}

} // namespace

class TestCsvExchange : public QObject {
    Q_OBJECT
private slots:
    void hostileTextsSurviveTheRoundTrip_data();
    void hostileTextsSurviveTheRoundTrip();
    void readsWhatSpreadsheetsWrite_data();
    void readsWhatSpreadsheetsWrite();
    void refusesLatin1WithItsLineOrConvertsIt();
    void previewMapsMatchesAndRefuses();
    void streamedPlanRefusesNulAndStops();
    void failedImportChangesNothing();
};

void TestCsvExchange::hostileTextsSurviveTheRoundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("byteOrderMark");
    QTest::newRow("quotes and separators") << QStringLiteral("He said \"no\", then; left\tearly") << true;
    QTest::newRow("line breaks") << QStringLiteral("first\r\nsecond\nthird\rfourth\r\n") << false;
    QTest::newRow("formula") << QStringLiteral("=cmd|' /C calc'!A0") << true;
    QTest::newRow("formula already guarded") << QStringLiteral("'=1+2") << false;
    QTest::newRow("plain apostrophe") << QStringLiteral("'quoted'") << true;
    QTest::newRow("signs and at") << QStringLiteral("-5 +3 @home") << false;
    QTest::newRow("blanks around") << QStringLiteral("  padded  ") << true;
    QTest::newRow("beyond Latin-1") << QStringLiteral("Grüße, 東京, emoji \U0001F600, \u202Eright-to-left") << false;
}

void TestCsvExchange::hostileTextsSurviveTheRoundTrip()
{
    QFETCH(QString, text);
    QFETCH(bool, byteOrderMark);
    TestDatabase source, target;
    Connection from, to;
    source.open(from);
    target.open(to);
    from.Execute(
        QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address]) values ('%1','Doe','a@x')")
            .arg(QString(text).replace(QLatin1Char('\''), QLatin1String("''"))));
    const QString literal =
        QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QLatin1String("''")) + QLatin1Char('\'');
    from.Execute(
        QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,"
                       "Comment,[Due Date]) values (%1,1,1,'2026-02-28',%1,%1,%1,%1,'2026-12-31T14:05:00')")
            .arg(literal));

    const QByteArray file = exported(from, byteOrderMark);
    QCOMPARE(file.startsWith("\xEF\xBB\xBF"), byteOrderMark);
    const Counts counts = imported(to, file);
    QCOMPARE(counts.issues, 1);
    QCOMPARE(counts.contacts, 1);
    QCOMPARE(counts.values, 3);
    const QString columns = QStringLiteral("Title || '|' || [Assigned To Name] || '|' || [Opened Date] || '|' || "
                                           "Status || '|' || Category || '|' || Priority || '|' || Comment || '|' || "
                                           "[Due Date] from [Issues With Names]");
    QCOMPARE(scalar(to, QStringLiteral("select ") + columns), scalar(from, QStringLiteral("select ") + columns));
    QCOMPARE(scalar(to, QStringLiteral("select [E-mail Address] from Contacts")), QStringLiteral("a@x"));
}

void TestCsvExchange::readsWhatSpreadsheetsWrite_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("separator");
    QTest::addColumn<QList<QStringList>>("records");
    QTest::addColumn<QList<int>>("lines");
    QTest::newRow("semicolons, BOM") << QByteArray("\xEF\xBB\xBFTitle;Comments\r\na,b;\"x;\"\"y\"\"\"\r\n")
                                     << QStringLiteral(";")
                                     << QList<QStringList>{{"Title", "Comments"}, {"a,b", "x;\"y\""}}
                                     << QList<int>{1, 2};
    QTest::newRow("tabs, LF only") << QByteArray("Title\tComments\nt\t\"two\nlines\"\nu\tv") << QStringLiteral("\t")
                                   << QList<QStringList>{{"Title", "Comments"}, {"t", "two\nlines"}, {"u", "v"}}
                                   << QList<int>{1, 2, 4};
    QTest::newRow("empty lines, ragged, CR only")
        << QByteArray("a,b,c\r\r\n\nx\r,,y,z\r\n") << QStringLiteral(",")
        << QList<QStringList>{{"a", "b", "c"}, {"x"}, {"", "", "y", "z"}} << QList<int>{1, 4, 5};
    const QString unicode = QStringLiteral("Title;Comments\r\nCafé;\"東京\r\n\U0001F600\"\r\n");
    const QList<QStringList> unicodeRecords{{"Title", "Comments"}, {"Café", "東京\r\n\U0001F600"}};
    QTest::newRow("UTF-16, little-endian") << QByteArray("\xFF\xFE") + QStringEncoder(QStringEncoder::Utf16LE)(unicode)
                                           << QStringLiteral(";") << unicodeRecords << QList<int>{1, 2};
    QTest::newRow("UTF-16, big-endian") << QByteArray("\xFE\xFF") + QStringEncoder(QStringEncoder::Utf16BE)(unicode)
                                        << QStringLiteral(";") << unicodeRecords << QList<int>{1, 2};
    // Records, quotes, line ends and characters cut by the reader's reads.
    QByteArray big("Title,Comments\r\n");
    QList<QStringList> bigRecords{{"Title", "Comments"}};
    QList<int> bigLines{1};
    for (int row = 0, line = 2; big.size() < 3 * 1024 * 1024 + 100; ++row) {
        const QString comment = QStringLiteral("é\"%1\n").arg(row).repeated(row % 7 == 0 ? 40000 : 3);
        big += QStringLiteral("t%1,\"%2\"\r\n").arg(row).arg(QString(comment).replace("\"", "\"\"")).toUtf8();
        bigRecords.append({QStringLiteral("t%1").arg(row), comment});
        bigLines.append(line);
        line += static_cast<int>(comment.count(QLatin1Char('\n'))) + 1;
    }
    QTest::newRow("longer than a read") << big << QStringLiteral(",") << bigRecords << bigLines;
}

void TestCsvExchange::readsWhatSpreadsheetsWrite()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QString, separator);
    QFETCH(QList<QStringList>, records);
    QFETCH(QList<int>, lines);
    const Csv::Document document = Csv::read(bytes);
    QCOMPARE(QString(document.separator), separator);
    QCOMPARE(document.records, records);
    QCOMPARE(document.lines, lines);
}

void TestCsvExchange::refusesLatin1WithItsLineOrConvertsIt()
{
    const QByteArray bytes("Title\r\nok\r\nCaf\xE9\r\n");
    try {
        Csv::read(bytes);
        QFAIL("Latin-1 text was read as UTF-8");
    } catch (const Csv::NotUtf8 &error) {
        QCOMPARE(error.line(), 3);
        QVERIFY2(error.description().contains(QLatin1String("line 3 holds the byte 0xE9")),
                 qPrintable(error.description()));
    }
    QCOMPARE(Csv::read(bytes, Csv::Latin1::Convert).records.last(), QStringList{QStringLiteral("Café")});
    QVERIFY_THROWS_EXCEPTION(Error, Csv::read("Title\r\n\"never closed\r\n"));
    try {
        Csv::read(QByteArray("\xFF\xFET\0\r\0\n\0\x00\xDC\r\0", 12)); // a lone low surrogate
        QFAIL("broken UTF-16 was read");
    } catch (const Error &error) {
        QVERIFY2(error.description().contains(QLatin1String("line 2 holds a broken character")),
                 qPrintable(error.description()));
    }
}

// A NUL is refused in the plan with its line, before anything is written;
// the streamed plan is the plan of the whole file, and stops when asked.
void TestCsvExchange::streamedPlanRefusesNulAndStops()
{
    QByteArray bytes("Title,Comments,Opened Date\r\nok,fine,2026-12-01\r\nnul,a\0b,2026-12-01\r\n", 68);
    for (int row = 0; row < 10000; ++row)
        bytes += "t,c,2026-12-01\r\n";
    const Csv::Document document = Csv::read(bytes);
    const Plan whole = plan(document, suggestedMapping(document.records.first()), Existing());
    QCOMPARE(whole.refusals.size(), 1);
    QCOMPARE(whole.refusals.first().line, 3);
    QVERIFY2(whole.refusals.first().reason.contains(QLatin1String("Comments holds a NUL")),
             qPrintable(whole.refusals.first().reason));

    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    int reports = 0;
    const auto streamed =
        planFile(buffer, Csv::Latin1::Refuse, std::nullopt, Existing(), [&](qint64 done, qint64 total) {
            ++reports;
            return done <= total;
        });
    QVERIFY(streamed);
    QCOMPARE(streamed->headings, document.records.first());
    QCOMPARE(streamed->plan.issues.size(), whole.issues.size());
    QCOMPARE(streamed->plan.issues.last().title, QStringLiteral("t"));
    QCOMPARE(reports, 2); // every 4,096 rows
    buffer.seek(0);
    QVERIFY(!planFile(buffer, Csv::Latin1::Refuse, std::nullopt, Existing(), [](qint64, qint64) { return false; }));
}

void TestCsvExchange::previewMapsMatchesAndRefuses()
{
    Existing existing;
    existing.contacts = {{1, "Ann Lee", "ann@one"}, {2, "Ann Lee", "ann@two"}, {3, "Bo Chu", ""}};
    existing.statuses = {"Open"};
    const QByteArray bytes(
        "Issued ID,Opened Date,Title,Assigned To,Assigned To E-mail,State,Due Date,Opened By\r\n"
        "7,2026-01-05,first,ann lee,ANN@TWO,open,2026-12-31,Bo Chu\r\n"    // namesake told apart; known status
        "8,2026-01-05,second,Ann Lee,,Waiting,,\r\n"                       // namesake without e-mail
        "9,05.01.2026,third,Cy Dunn Jr,,waiting,31.12.2026,Cy Dunn Jr\r\n" // new contact once; new status once
        "10,2026-01-05,fourth,,,,not a date,\r\n"
        "11,2026-01-05,fifth,,,,,,surplus\r\n"
        "12,2026-01-05,sixth\r\n" // short row: missing fields are empty
        "13, ,seventh\r\n");      // no opened date
    const Csv::Document document = Csv::read(bytes);
    Mapping mapping = suggestedMapping(document.records.first());
    QCOMPARE(mapping.size(), 8);
    QVERIFY(!mapping[0]); // IDs are never imported
    QVERIFY(!mapping[5]); // "State" names no field until chosen
    mapping[5] = Field::Status;

    const Plan planned = plan(document, mapping, existing, QLocale(QLocale::German, QLocale::Germany));
    QCOMPARE(planned.issues.size(), 3);
    QCOMPARE(planned.issues[0].assignedTo.existing, std::optional<qint64>(2));
    QCOMPARE(planned.issues[0].openedBy.existing, std::optional<qint64>(3));
    QCOMPARE(planned.issues[1].assignedTo.created, 0);
    QCOMPARE(planned.issues[1].openedBy.created, 0);
    QCOMPARE(planned.issues[1].dueDate, std::optional<QString>(QStringLiteral("2026-12-31")));
    QCOMPARE(planned.issues[2].title, QStringLiteral("sixth"));
    QCOMPARE(planned.newContacts.size(), 1);
    QCOMPARE(planned.newContacts[0].firstName, QStringLiteral("Cy"));
    QCOMPARE(planned.newContacts[0].lastName, QStringLiteral("Dunn Jr"));
    QCOMPARE(planned.newStatuses, QStringList{QStringLiteral("waiting")}); // as the first accepted row writes it
    QCOMPARE(planned.refusals.size(), 4);
    QCOMPARE(planned.refusals[0].line, 3);
    QVERIFY(planned.refusals[0].reason.contains(QLatin1String("2 contacts are called \"Ann Lee\"")));
    QCOMPARE(planned.refusals[1].line, 5);
    QVERIFY(planned.refusals[1].reason.contains(QLatin1String("\"not a date\" is not a date")));
    QCOMPARE(planned.refusals[2].line, 6);
    QVERIFY(planned.refusals[2].reason.contains(QLatin1String("9 fields, the headings 8")));
    QCOMPARE(planned.refusals[3].line, 8);
    QCOMPARE(planned.refusals[3].reason,
             QStringLiteral("Opened Date is empty; every issue needs the date it was opened."));
}

void TestCsvExchange::failedImportChangesNothing()
{
    TestDatabase database;
    Connection connection;
    database.open(connection);
    const Csv::Document document =
        Csv::read("Title,Assigned To,Status,Opened Date\r\none,New Person,Fresh,2026-01-05\r\n"
                  "two,,Fresh,2026-01-05\r\n");
    const Plan planned = plan(document, suggestedMapping(document.records.first()), readExisting(connection));
    QCOMPARE(planned.issues.size(), 2);
    // Meanwhile another program adds the status the plan would add: the
    // value list refuses it a second time, and the whole import fails.
    connection.Execute(QStringLiteral("insert into Status values ('FRESH')"));
    QVERIFY_THROWS_EXCEPTION(Error, apply(connection, planned));
    QCOMPARE(scalar(connection, QStringLiteral("select count(*) from Issues")), QStringLiteral("0"));
    QCOMPARE(scalar(connection, QStringLiteral("select count(*) from Contacts")), QStringLiteral("0"));
    QCOMPARE(scalar(connection, QStringLiteral("select count(*) from Status")), QStringLiteral("1"));
}

QTEST_APPLESS_MAIN(TestCsvExchange)
#include "tst_csvexchange.moc"
