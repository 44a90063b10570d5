// What keeping the history costs: a save, an import and the file's size,
// each against the same database whose triggers record no history (as
// before the history existed).

#include "Cases.h"
#include "Floors.h"
#include "Harness.h"

#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/Csv.h"
#include "data/IssueExchange.h"
#include "data/Recordset.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <sqlite3.h>

namespace Bench {
namespace {

// The triggers of the schema before the history, in place of those that
// record it. The history's own triggers stay under their names, doing
// nothing, so that opening the file does not make them again.
const char *const noHistory = R"sql(
DROP TRIGGER IssuesDatesOnInsert;
DROP TRIGGER IssuesHistoryOnUpdate;
DROP TRIGGER IssuesDatesHistoryOnUpdate;
DROP TRIGGER ContactsVersion;
DROP TRIGGER IssuesHistoryOnDelete;
DROP TRIGGER ContactsHistoryOnInsert;
DROP TRIGGER ContactsHistoryOnDelete;
CREATE TRIGGER IssuesDatesOnInsert AFTER INSERT ON Issues
BEGIN
    UPDATE Issues SET [Opened Date] = marrow_date_in(NEW.[Opened Date]), [Due Date] = marrow_date_in(NEW.[Due Date]),
           Version = NEW.Version - 1 WHERE ID = NEW.ID;
END;
CREATE TRIGGER ContactsVersion AFTER UPDATE ON Contacts
BEGIN
    UPDATE Contacts SET Version = NEW.Version + 1 WHERE ID = NEW.ID;
END;
CREATE TRIGGER IssuesHistoryOnUpdate AFTER UPDATE OF Title ON Issues WHEN 0 BEGIN SELECT 1; END;
CREATE TRIGGER IssuesDatesHistoryOnUpdate AFTER UPDATE OF [Due Date] ON Issues WHEN 0 BEGIN SELECT 1; END;
CREATE TRIGGER IssuesHistoryOnDelete AFTER DELETE ON Issues WHEN 0 BEGIN SELECT 1; END;
CREATE TRIGGER ContactsHistoryOnInsert AFTER INSERT ON Contacts WHEN 0 BEGIN SELECT 1; END;
CREATE TRIGGER ContactsHistoryOnDelete AFTER DELETE ON Contacts WHEN 0 BEGIN SELECT 1; END;
)sql";

void rawExec(const QString &path, const char *sql)
{
    Connection connection;
    connection.Open(ConnectionText::dataSource(path));
    if (sqlite3_exec(connection.handle(), sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        qFatal("%s: %s", qPrintable(path), sqlite3_errmsg(connection.handle()));
}

// A copy of the database, with or without the history's triggers; its
// history so far emptied, and without issues when asked.
QString copyOf(const Run &run, const QString &database, const QString &name, bool history, bool issues)
{
    const QString path = freshCopy(database, run.folder + QLatin1Char('/') + name);
    if (!history)
        rawExec(path, noHistory);
    rawExec(path, issues ? "DELETE FROM History; VACUUM;" : "DELETE FROM Issues; DELETE FROM History; VACUUM;");
    return path;
}

QHash<qint64, qint64> versions(Connection &connection)
{
    QHash<qint64, qint64> byId;
    Recordset rows;
    rows.Open(QStringLiteral("select ID, Version from Issues"), connection);
    for (int row = 0; row < rows.rowCount(); ++row)
        byId.insert(rows.field(row, 0).toInteger(), rows.field(row, 1).toInteger());
    return byId;
}

// 200 saves of one field, each as an editor makes it: against the version
// it loaded, in a transaction of its own.
void saveCase(const Run &run, int size, const QString &withHistory, const QString &withoutHistory)
{
    Connection with;
    Connection without;
    with.Open(ConnectionText::dataSource(withHistory));
    without.Open(ConnectionText::dataSource(withoutHistory));
    QHash<qint64, qint64> versionsWith = versions(with);
    QHash<qint64, qint64> versionsWithout = versions(without);
    const QList<qint64> ids = versionsWith.keys();
    int round = 0;
    const auto saves = [&](Connection &connection, QHash<qint64, qint64> &known) {
        ++round;
        return Harness::timedMs([&] {
            for (int i = 0; i < 200; ++i) {
                const qint64 id = ids[(qsizetype(i) * 7919) % ids.size()];
                ConcurrentSave::saveIfUnchanged(
                    connection, ConcurrentSave::Table::Issues, id, known[id],
                    {QStringLiteral("update Issues set Title='Saved %1 of %2' where ID=%3").arg(round).arg(i).arg(id)});
                ++known[id];
            }
        });
    };
    const Harness::Pair pair = Harness::medianPair([&] { return saves(with, versionsWith); },
                                                   [&] { return saves(without, versionsWithout); }, run.runs(size));
    Harness::report(QStringLiteral("200 one-field saves, with history"), QString::number(size), pair, 1.2);
}

// Every issue imported from a CSV file into a database without issues.
void importCase(const Run &run, int size, const QString &database)
{
    const QString file = run.folder + QStringLiteral("/history-%1.csv").arg(size);
    {
        Connection source;
        source.Open(ConnectionText::dataSource(database));
        QFile out(file);
        if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write %s", qPrintable(file));
        IssueExchange::exportIssues(source, std::nullopt, out, true);
    }
    const QString emptyWith = copyOf(run, database, QStringLiteral("empty-with-%1.mdb").arg(size), true, false);
    const QString emptyWithout = copyOf(run, database, QStringLiteral("empty-without-%1.mdb").arg(size), false, false);
    const QString target = run.folder + QStringLiteral("/history-import-%1.mdb").arg(size);
    const auto import = [&](const QString &empty) {
        Connection connection;
        connection.Open(ConnectionText::dataSource(freshCopy(empty, target)));
        return Harness::timedMs([&] {
            QFile in(file);
            if (!in.open(QIODevice::ReadOnly))
                qFatal("cannot read %s", qPrintable(file));
            const auto planned =
                IssueExchange::planFile(in, Csv::Latin1::Refuse, std::nullopt, IssueExchange::readExisting(connection),
                                        [](qint64, qint64) { return true; });
            if (IssueExchange::apply(connection, planned->plan).issues != size)
                qFatal("the import missed issues");
        });
    };
    const Harness::Pair pair = Harness::medianPairWithin(
        [&] { return import(emptyWith); }, [&] { return import(emptyWithout); }, run.runs(size), run.budgetMs(size));
    Harness::report(QStringLiteral("Import every issue from CSV, with history"), QString::number(size), pair, 1.3);
    QFile::remove(target);
    QFile::remove(emptyWith);
    QFile::remove(emptyWithout);
    QFile::remove(file);
}

// The file's size after 10 edits of every issue, each its own change.
void sizeCase(const QString &withHistory, const QString &withoutHistory, int size)
{
    const auto edited = [&](const QString &path) {
        Connection connection;
        connection.Open(ConnectionText::dataSource(path));
        for (int edit = 0; edit < 10; ++edit) {
            connection.Execute(QStringLiteral("begin"));
            for (const qint64 id : versions(connection).keys())
                connection.Execute(
                    QStringLiteral("update Issues set Title='Edit %1 of issue %2' where ID=%2").arg(edit).arg(id));
            connection.Execute(QStringLiteral("commit"));
        }
        connection.Execute(QStringLiteral("vacuum"));
        connection.Close();
        return QFileInfo(path).size();
    };
    const qint64 with = edited(withHistory);
    const qint64 without = edited(withoutHistory);
    Harness::limit(QStringLiteral("file size with history after 10 edits per issue, %1 issues (%2 bytes against %3, "
                                  "%4 bytes per entry)")
                       .arg(size)
                       .arg(with)
                       .arg(without)
                       .arg(double(with - without) / (10.0 * size), 0, 'f', 1),
                   double(with) / double(without), 1.6, QStringLiteral("x"));
}

} // namespace

void historyCases(const Run &run, int size, const QString &database)
{
    const QString with = copyOf(run, database, QStringLiteral("history-with-%1.mdb").arg(size), true, true);
    const QString without = copyOf(run, database, QStringLiteral("history-without-%1.mdb").arg(size), false, true);
    saveCase(run, size, with, without);
    importCase(run, size, database);
    sizeCase(with, without, size);
    QFile::remove(with);
    QFile::remove(without);
}

} // namespace Bench
