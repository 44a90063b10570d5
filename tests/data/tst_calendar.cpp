// The calendar feed as a calendar program reads it: every line folded within
// 75 octets on a character boundary and ended by CRLF, every text coming
// back exactly through a strict iCalendar parser, one to-do per issue with a
// due date, and marrowdesk-sql replacing the file whole.

#include "data/Connection.h"
#include "data/ICalendar.h"
#include "support/TestDatabase.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

namespace {

// Reads the calendar with Python's icalendar package and gives each to-do's
// properties as text, unfolded and unescaped by the parser, not by us.
const char parser[] = R"(
import sys, json, icalendar
data = sys.stdin.buffer.read()
cal = icalendar.Calendar.from_ical(data)
assert cal.get('VERSION') == '2.0' and cal.get('PRODID')
# The package splits CATEGORIES at escaped commas too: read that list by the
# grammar from the unfolded lines instead.
def texts(value):
    items, item, chars = [], '', iter(value)
    for c in chars:
        if c == '\\':
            c = next(chars)
            item += '\n' if c in 'nN' else c
        elif c == ',':
            items.append(item); item = ''
        else:
            item += c
    return items + [item]
categories = []
for line in icalendar.cal.Contentlines.from_ical(data.decode('utf-8')):
    if line == 'BEGIN:VTODO': categories.append([])
    elif line.startswith('CATEGORIES:'): categories[-1] = texts(line[len('CATEGORIES:'):])
todos = []
for todo in cal.walk('VTODO'):
    if todo.errors: raise SystemExit('errors: %r' % todo.errors)
    todos.append({
        'uid': str(todo['UID']), 'summary': str(todo.get('SUMMARY', '')),
        'description': str(todo.get('DESCRIPTION', '')), 'status': str(todo['STATUS']),
        'priority': int(todo.get('PRIORITY', 0)), 'due': todo.decoded('DUE').isoformat(),
        'categories': categories[len(todos)], 'stamp': todo.decoded('DTSTAMP').isoformat()})
print(json.dumps(todos))
)";

// Debian's Python, which python3-icalendar installs into.
const QString python3 = QStringLiteral("/usr/bin/python3");

QJsonArray parsed(const QByteArray &calendar)
{
    QProcess python;
    python.start(python3, {QStringLiteral("-c"), QString::fromLatin1(parser)});
    python.write(calendar);
    python.closeWriteChannel();
    if (!python.waitForFinished(30000) || python.exitCode() != 0)
        qFatal("the parser refused the calendar: %s", python.readAllStandardError().constData());
    return QJsonDocument::fromJson(python.readAllStandardOutput()).array();
}

// What the parser lets pass: physical lines within 75 octets, each valid
// UTF-8 by itself, CRLF only, continuations starting with one blank.
void checkLines(const QByteArray &calendar)
{
    QVERIFY(calendar.endsWith("\r\n"));
    QCOMPARE(calendar.count('\r'), calendar.count("\r\n"));
    QCOMPARE(calendar.count('\n'), calendar.count("\r\n"));
    const QList<QByteArray> lines = calendar.chopped(2).split('\n');
    for (const QByteArray &line : lines) {
        const QByteArray content = line.endsWith('\r') ? line.chopped(1) : line;
        QVERIFY2(content.size() <= 75, content.constData());
        QStringDecoder utf8(QStringDecoder::Utf8);
        (void)QString(utf8(content));
        QVERIFY2(!utf8.hasError(), content.constData());
    }
}

QByteArray exported(Connection &connection, const std::optional<std::vector<qint64>> &ids = std::nullopt)
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    ICalendar::exportIssues(connection, ids, buffer, QDateTime(QDate(2026, 12, 7), QTime(23, 5), Qt::UTC));
    return buffer.data();
}

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + QString(text).replace(QLatin1Char('\''), QStringLiteral("''")) + QLatin1Char('\'');
}

} // namespace

class TestCalendar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void textsComeBackThroughAStrictParser_data();
    void textsComeBackThroughAStrictParser();
    void onlyIssuesWithDueDatesInTheOrderAsked();
    void shellReplacesTheFileWhole();
};

void TestCalendar::initTestCase()
{
    if (QProcess::execute(python3, {QStringLiteral("-c"), QStringLiteral("import icalendar")}) != 0)
        QSKIP("Python's icalendar package is missing: apt-get install python3-icalendar (./build.sh does).");
}

void TestCalendar::textsComeBackThroughAStrictParser_data()
{
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("comment");
    QTest::addColumn<QString>("category");
    QTest::newRow("plain") << "Fix the printer"
                           << ""
                           << "Hardware";
    QTest::newRow("separators") << "a,b;c\\d"
                                << "line one\nline two; three, four\\"
                                << "Back, end";
    QTest::newRow("long ascii") << QString(300, QLatin1Char('x')) << QString(200, QLatin1Char(',')) << "Long";
    // Three- and four-octet characters across every fold position.
    QTest::newRow("non-ascii") << QString::fromUtf8("Café ünïcödé ") +
                                      QString::fromUtf8("日本語のテキスト").repeated(12)
                               << QString::fromUtf8("😀é").repeated(40) << QString::fromUtf8("Kategorie ß");
    QTest::newRow("markup and crlf") << "<b>bold</b> & \"quoted\""
                                     << "one\r\ntwo\rthree"
                                     << "";
}

void TestCalendar::textsComeBackThroughAStrictParser()
{
    QFETCH(QString, title);
    QFETCH(QString, comment);
    QFETCH(QString, category);
    TestDatabase database;
    Connection connection;
    database.open(connection);
    connection.Execute(QStringLiteral("insert into Issues (Title, Comment, Category, Status, Priority, [Opened Date], "
                                      "[Due Date]) values (%1, %2, %3, 'Closed', 'High', '2026-01-01', '2027-02-03')")
                           .arg(quoted(title), comment.isEmpty() ? QStringLiteral("Null") : quoted(comment),
                                category.isEmpty() ? QStringLiteral("Null") : quoted(category)));
    const QByteArray calendar = exported(connection);
    checkLines(calendar);
    const QJsonArray todos = parsed(calendar);
    QCOMPARE(todos.size(), 1);
    const QJsonObject todo = todos[0].toObject();
    QCOMPARE(todo[QLatin1String("summary")].toString(), title);
    QString lines = comment;
    QCOMPARE(todo[QLatin1String("description")].toString(),
             lines.replace(QLatin1String("\r\n"), QLatin1String("\n")).replace(QLatin1Char('\r'), QLatin1Char('\n')));
    QCOMPARE(todo[QLatin1String("categories")].toArray().size(), category.isEmpty() ? 0 : 1);
    if (!category.isEmpty())
        QCOMPARE(todo[QLatin1String("categories")].toArray()[0].toString(), category);
    QCOMPARE(todo[QLatin1String("due")].toString(), QStringLiteral("2027-02-03"));
    QCOMPARE(todo[QLatin1String("status")].toString(), QStringLiteral("COMPLETED"));
    QCOMPARE(todo[QLatin1String("priority")].toInt(), 3);
    QCOMPARE(todo[QLatin1String("stamp")].toString(), QStringLiteral("2026-12-07T23:05:00+00:00"));
}

void TestCalendar::onlyIssuesWithDueDatesInTheOrderAsked()
{
    TestDatabase database;
    Connection connection;
    database.open(connection);
    for (const char *due : {"'2026-12-01'", "Null", "'2026-12-24'", "'2027-01-05'"})
        connection.Execute(QStringLiteral("insert into Issues (Title, Status, [Opened Date], [Due Date]) values "
                                          "('t', ' closed ', '2026-01-01', %1)")
                               .arg(QLatin1String(due)));
    connection.Execute(QStringLiteral("update Issues set Status = 'Open' where ID = 3"));
    QJsonArray todos = parsed(exported(connection));
    QCOMPARE(todos.size(), 3);
    const QString tag = ICalendar::databaseTag(connection);
    QCOMPARE(todos[0].toObject()[QLatin1String("uid")].toString(), QStringLiteral("issue-1@") + tag);
    QCOMPARE(todos[0].toObject()[QLatin1String("status")].toString(), QStringLiteral("COMPLETED"));
    QCOMPARE(todos[1].toObject()[QLatin1String("status")].toString(), QStringLiteral("NEEDS-ACTION"));
    QCOMPARE(todos[1].toObject()[QLatin1String("priority")].toInt(), 0);

    // As listed: missing and undated IDs left out, the order kept.
    todos = parsed(exported(connection, std::vector<qint64>{4, 2, 99, 1}));
    QCOMPARE(todos.size(), 2);
    QCOMPARE(todos[0].toObject()[QLatin1String("uid")].toString(), QStringLiteral("issue-4@") + tag);
    QCOMPARE(todos[1].toObject()[QLatin1String("uid")].toString(), QStringLiteral("issue-1@") + tag);
    // The UID's tag is the database's, whichever connection reads it.
    Connection again;
    database.open(again);
    QCOMPARE(ICalendar::databaseTag(again), tag);
}

void TestCalendar::shellReplacesTheFileWhole()
{
    TestDatabase database;
    {
        Connection connection;
        database.open(connection);
        connection.Execute(QStringLiteral("insert into Issues (Title, [Opened Date], [Due Date]) values ('Due', "
                                          "'2026-01-01', '2026-12-09')"));
    }
    QTemporaryDir folder;
    const QString feed = folder.filePath(QStringLiteral("feed.ics"));
    QFile old(feed);
    QVERIFY(old.open(QIODevice::WriteOnly));
    old.write(QByteArray(100000, 'x'));
    old.close();
    QProcess shell;
    shell.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), {QStringLiteral("--ics"), feed, database.path()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 0);
    QFile written(feed);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(parsed(written.readAll()).size(), 1);
    // Nothing beside it: the file was written aside and renamed.
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList{QStringLiteral("feed.ics")});

    shell.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"),
                {QStringLiteral("--ics"), folder.filePath(QStringLiteral("none/feed.ics")), database.path()});
    QVERIFY(shell.waitForFinished(30000));
    QCOMPARE(shell.exitCode(), 1);
}

QTEST_GUILESS_MAIN(TestCalendar)
#include "tst_calendar.moc"
