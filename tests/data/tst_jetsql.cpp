// The dialect translator on every statement shape the program sends, plus the
// tricky corners: literals and names are never touched, "+" folds from the
// left, ORDER BY terms order without regard to case.

#include "data/Error.h"
#include "data/JetSql.h"

#include <QTest>

#include <ctime>

class TestJetSql : public QObject {
    Q_OBJECT
private slots:
    void translates_data();
    void translates();
    void leavesLiteralsAlone_data();
    void leavesLiteralsAlone();
    void deepOrLongStatementsTranslateQuicklyOrAreRefused_data();
    void deepOrLongStatementsTranslateQuicklyOrAreRefused();
};

void TestJetSql::translates_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite");
    QTest::newRow("bracketed view") << "select * from [Open Issues]"
                                    << "select * from \"Open Issues\"";
    QTest::newRow("contact name join and order")
        << "select ID,[First Name]+' '+[Last Name] as ContactName from Contacts order by [First Name]+' '+[Last Name]"
        << "select ID,jet_add(jet_add(\"First Name\", ' '), \"Last Name\") as ContactName from Contacts order by "
           "jet_add(jet_add(\"First Name\", ' '), \"Last Name\") COLLATE MARROW_NOCASE";
    QTest::newRow("order by column") << "select * from Status order by Status"
                                     << "select * from Status order by Status COLLATE MARROW_NOCASE";
    QTest::newRow("order by bracketed view column")
        << "select * from [Open Issues] order by [Assigned To Name]"
        << "select * from \"Open Issues\" order by \"Assigned To Name\" COLLATE MARROW_NOCASE";
    QTest::newRow("order by with direction and two terms")
        << "select * from t order by a desc, b"
        << "select * from t order by a COLLATE MARROW_NOCASE desc, b COLLATE MARROW_NOCASE";
    QTest::newRow("existing collate kept") << "select * from t order by a collate binary"
                                           << "select * from t order by a collate binary";
    QTest::newRow("first") << "SELECT First(Contacts.ID) AS [MaxID] FROM Contacts"
                           << "SELECT jet_first(Contacts.ID, Contacts.rowid) AS \"MaxID\" FROM Contacts";
    QTest::newRow("last of value list") << "SELECT Last(Status.Status) AS [MaxID] FROM Status"
                                        << "SELECT jet_last(Status.Status, Status.rowid) AS \"MaxID\" FROM Status";
    QTest::newRow("first unqualified") << "select first(x) from t"
                                       << "select jet_first(x, rowid) from t";
    QTest::newRow("count untouched") << "SELECT Count(Contacts.ID) AS [CountID] From Contacts"
                                     << "SELECT Count(Contacts.ID) AS \"CountID\" From Contacts";
    QTest::newRow("bracketed table insert") << "insert into [Status] values ('In process')"
                                            << "insert into \"Status\" values ('In process')";
    QTest::newRow("cascade") << "delete from Issues where [Assigned To]=7 Or [Opened By] = 7"
                             << "delete from Issues where \"Assigned To\"=7 Or \"Opened By\" = 7";
    QTest::newRow("numbers add left to right") << "select 2-1+3"
                                               << "select jet_add((2 - 1), 3)";
    QTest::newRow("plus then minus") << "select 1+2-3"
                                     << "select (jet_add(1, 2) - 3)";
    QTest::newRow("unary plus and minus kept") << "select -1, +2"
                                               << "select -1, +2";
    QTest::newRow("plus inside function args") << "select max(a+b, c)"
                                               << "select max(jet_add(a, b), c)";
    QTest::newRow("plus in parentheses") << "select (a+b)*c"
                                         << "select (jet_add(a, b))*c";
    QTest::newRow("multiplication binds tighter") << "select a*b+c"
                                                  << "select jet_add(a*b, c)";
    QTest::newRow("comparison ends the sum") << "select * from t where a+b=c"
                                             << "select * from t where jet_add(a, b)=c";
    QTest::newRow("plus with null") << "select 'a'+null"
                                    << "select jet_add('a', null)";
    QTest::newRow("case branches") << "select case when x then a+b else c end"
                                   << "select case when x then jet_add(a, b) else c end";
    QTest::newRow("dot name first is not the aggregate") << "select t.First(x)"
                                                         << "select t.First(x)";
    QTest::newRow("line comment inside a sum") << "select 1 -- one\n + 2"
                                               << "select jet_add(1 -- one\n, 2)";
    QTest::newRow("name with quote") << "select [a\"b]"
                                     << "select \"a\"\"b\"";
}

void TestJetSql::translates()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QCOMPARE(JetSql::toSqlite(jet), sqlite);
}

void TestJetSql::leavesLiteralsAlone_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("plus in text") << "select 'a+b'";
    QTest::newRow("doubled apostrophes") << "insert into [x] values ('it''s + [not] a name')";
    QTest::newRow("injection text") << "insert into t values ('''); drop table Issues; --')";
    QTest::newRow("comment") << "select 1 -- a+b [c]\n";
    QTest::newRow("block comment") << "select 1 /* first(x) + [y] */";
    QTest::newRow("unterminated text") << "select 'abc";
    QTest::newRow("unclosed parenthesis") << "select first(x";
    QTest::newRow("stray parenthesis") << "select 1)";
    QTest::newRow("non-latin") << "select 'Ωμέγα 😀 שלום'";
    QTest::newRow("dollars in names and parameters") << "select a$b, $1, $name from t where x = 'e'";
}

void TestJetSql::leavesLiteralsAlone()
{
    QFETCH(QString, statement);
    const QString translated = JetSql::toSqlite(statement);
    // Every literal and comment of the input appears unchanged in the output.
    const qsizetype quote = statement.indexOf(QLatin1Char('\''));
    if (quote >= 0)
        QVERIFY2(translated.contains(statement.mid(quote)) || translated.endsWith(statement.mid(quote)),
                 qPrintable(translated));
    QVERIFY(!translated.contains(QLatin1String("jet_add")) || !statement.contains(QLatin1Char('\'')));
    QCOMPARE(translated.count(QLatin1Char('(')), statement.count(QLatin1Char('(')));
}

void TestJetSql::deepOrLongStatementsTranslateQuicklyOrAreRefused_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QString>("start"); // of the translation; empty when refused
    const auto nested = [](int depth) {
        return QStringLiteral("select ") + QString(depth, QLatin1Char('(')) + QLatin1Char('1') +
               QString(depth, QLatin1Char(')'));
    };
    QTest::newRow("1,000 levels") << nested(1000) << nested(1000);
    QTest::newRow("1,001 levels") << nested(1001) << QString();
    QTest::newRow("20,000 levels") << nested(20000) << QString();
    QTest::newRow("20,000 unclosed") << QStringLiteral("select ").append(QString(20000, QLatin1Char('('))) << QString();
    QTest::newRow("200,000 terms") << QStringLiteral("select 1").append(QStringLiteral("+1").repeated(199999))
                                   << QStringLiteral("select ")
                                          .append(QStringLiteral("jet_add(").repeated(199999))
                                          .append(QStringLiteral("1, 1), 1)"));
    QTest::newRow("100,000 order terms")
        << QStringLiteral("select 1 from t order by a").append(QStringLiteral(", a").repeated(99999))
        << QStringLiteral("select 1 from t order by a COLLATE MARROW_NOCASE, a");
}

void TestJetSql::deepOrLongStatementsTranslateQuicklyOrAreRefused()
{
    QFETCH(QString, statement);
    QFETCH(QString, start);
    // Processor time, not the wall clock: a busy machine does not make it fail.
    const std::clock_t started = std::clock();
    for (const auto translate : {&JetSql::toSqlite, &JetSql::toPostgres}) {
        try {
            const QString translated = translate(statement);
            QVERIFY(!start.isEmpty());
            if (translate == &JetSql::toSqlite)
                QVERIFY(translated.startsWith(start));
        } catch (const Error &error) {
            QVERIFY2(start.isEmpty(), qPrintable(error.description()));
            QVERIFY(error.description().contains(QLatin1String("more than 1000 levels deep")));
        }
    }
    // Far below the minute a quadratic translation takes on these, and well
    // above the second a sanitizer build's instrumentation makes of it.
    const double seconds = double(std::clock() - started) / CLOCKS_PER_SEC;
    QVERIFY2(seconds < 10.0, qPrintable(QString::number(seconds)));
}

QTEST_APPLESS_MAIN(TestJetSql)
#include "tst_jetsql.moc"
