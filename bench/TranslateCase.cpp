// The dialect's translation of a long statement: a sum of as many terms as
// the size, inside 1,000 parentheses (the most a statement may nest), against
// reading its tokens alone, the least any translation must do. The growth
// check across sizes keeps it in proportion to the statement's length.

#include "Cases.h"
#include "Harness.h"

#include "data/JetSql.h"
#include "data/JetTokens.h"

namespace Bench {

void translateCase(const Run &run, int size)
{
    const QString statement = QStringLiteral("select ") + QString(JetSql::maxNesting, QLatin1Char('(')) +
                              QLatin1Char('1') + QStringLiteral("+1").repeated(size - 1) +
                              QString(JetSql::maxNesting, QLatin1Char(')'));
    qsizetype sink = 0;
    const Harness::Pair pair = Harness::medianPair(
        [&] { return Harness::timedMs([&] { sink += JetSql::toSqlite(statement).size(); }); },
        [&] { return Harness::timedMs([&] { sink += qsizetype(JetSql::Tokens::tokenize(statement).size()); }); },
        run.runs(size));
    Harness::report(QStringLiteral("Translating a sum of that many terms in 1,000 parentheses"), QString::number(size),
                    pair, 6.0);
    if (sink == 0)
        qFatal("nothing was translated");
}

} // namespace Bench
