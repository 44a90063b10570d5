// CSV exchange: exporting every issue and importing them again, each
// against the data layer doing the same reading or writing alone.

#include "Cases.h"
#include "Harness.h"

#include "data/Connection.h"
#include "data/Csv.h"
#include "data/IssueExchange.h"
#include "data/Recordset.h"

#include <QElapsedTimer>
#include <QFile>

namespace Bench {
namespace {

Connection &opened(Connection &connection, const QString &path)
{
    connection.Open(ConnectionText::dataSource(path));
    return connection;
}

// A copy of the database without issues (contacts and lists kept), made
// small again so that each import run starts from a quick copy of it.
QString withoutIssues(const Run &run, int size, const QString &database)
{
    const QString path = freshCopy(database, run.folder + QStringLiteral("/no-issues-%1.mdb").arg(size));
    Connection connection;
    opened(connection, path).Execute(QStringLiteral("delete from Issues"));
    connection.Execute(QStringLiteral("vacuum"));
    connection.Close();
    return path;
}

} // namespace

void exchangeCases(const Run &run, int size, const QString &database)
{
    const QString file = run.folder + QStringLiteral("/issues-%1.csv").arg(size);
    Connection source;
    opened(source, database);

    // Export: the query, the records and the file, against the same query
    // read through the data layer with every value touched.
    const Harness::Pair exported = Harness::medianPair(
        [&] {
            QFile out(file);
            if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
                qFatal("cannot write %s", qPrintable(file));
            const double ms = Harness::timedMs([&] {
                IssueExchange::exportIssues(source, std::nullopt, out, true);
                out.flush();
            });
            return ms;
        },
        [&] {
            return Harness::timedMs([&] {
                Recordset rs;
                rs.Open(IssueExchange::exportQuery(), source);
                qsizetype characters = 0;
                for (int row = 0; row < rs.rowCount(); ++row)
                    for (int column = 0; column < rs.fieldCount(); ++column)
                        characters += rs.field(row, column).toTextOrEmpty().size();
                if (characters == 0 && rs.rowCount() > 0)
                    qFatal("the floor read nothing");
            });
        },
        run.runs(size));
    Harness::report(QStringLiteral("Export every issue to CSV"), QString::number(size), exported,
                    size >= 10000 ? 2.0 : 0);
    source.Close();

    // Import: reading and planning the file as it streams in, and writing,
    // against the inserts of the same issues (built beforehand) in one
    // transaction.
    const QString empty = withoutIssues(run, size, database);
    const QString target = run.folder + QStringLiteral("/import-%1.mdb").arg(size);
    QStringList inserts;
    {
        QFile in(file);
        if (!in.open(QIODevice::ReadOnly))
            qFatal("cannot read %s", qPrintable(file));
        Connection connection;
        const Csv::Document document = Csv::read(in.readAll());
        const IssueExchange::Plan plan =
            IssueExchange::plan(document, IssueExchange::suggestedMapping(document.records.first()),
                                IssueExchange::readExisting(opened(connection, empty)));
        if (!plan.refusals.isEmpty() || !plan.newContacts.isEmpty())
            qFatal("the exported issues do not import as they are: %s",
                   qPrintable(plan.refusals.isEmpty() ? QStringLiteral("new contacts") : plan.refusals.first().reason));
        for (const IssueExchange::PlannedIssue &issue : plan.issues)
            inserts.append(IssueExchange::insertStatement(issue, issue.assignedTo.existing, issue.openedBy.existing));
    }
    const Harness::Pair imported = Harness::medianPair(
        [&] {
            Connection connection;
            opened(connection, freshCopy(empty, target));
            return Harness::timedMs([&] {
                QFile in(file);
                if (!in.open(QIODevice::ReadOnly))
                    qFatal("cannot read %s", qPrintable(file));
                const auto planned = IssueExchange::planFile(in, Csv::Latin1::Refuse, std::nullopt,
                                                             IssueExchange::readExisting(connection),
                                                             [](qint64, qint64) { return true; });
                if (IssueExchange::apply(connection, planned->plan).issues != size)
                    qFatal("the import missed issues");
            });
        },
        [&] {
            Connection connection;
            opened(connection, freshCopy(empty, target));
            return Harness::timedMs([&] {
                connection.Execute(QStringLiteral("begin"));
                for (const QString &insert : inserts)
                    connection.Execute(insert);
                connection.Execute(QStringLiteral("commit"));
            });
        },
        run.runs(size));
    Harness::report(QStringLiteral("Import every issue from CSV"), QString::number(size), imported,
                    size >= 10000 ? 2.0 : 0);
    QFile::remove(target);
    QFile::remove(empty);
    QFile::remove(file);
}

} // namespace Bench
