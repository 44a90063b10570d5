// A bulk edit of 10,000 selected issues (one field, with the history's
// entries), against the floor of one UPDATE of the same rows in one
// transaction with the same triggers.

#include "Cases.h"
#include "Harness.h"

#include "data/BulkEdit.h"
#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Transaction.h"

#include <QFile>
#include <QStringList>

namespace Bench {

namespace {

// The case on an open database: the first 10,000 issues by ID.
void measure(const Run &run, int size, Connection &connection, const QString &caseName)
{
    QList<qint64> ids;
    {
        Recordset rows;
        rows.Open(QStringLiteral("select ID from Issues order by ID"), connection);
        for (int row = 0; row < std::min(rows.rowCount(), 10000); ++row)
            ids << rows.field(row, 0).toInteger();
    }
    QStringList idTexts;
    for (const qint64 id : ids)
        idTexts << QString::number(id);
    const QString everyId = idTexts.join(u',');
    // Each run sets a value no issue has yet, so that every row is written
    // and leaves an entry.
    int round = 0;
    const auto nextValue = [&] { return QStringLiteral("Bulk %1").arg(++round); };
    const auto ours = [&] {
        // The versions as the list had them: read before the command, untimed.
        const QList<BulkEdit::Listed> listed = BulkEdit::readListed(connection, ids);
        BulkEdit::Changes changes;
        changes.category = nextValue();
        return Harness::timedMs([&] {
            if (BulkEdit::apply(connection, listed, changes).saved != ids.size())
                qFatal("the bulk edit missed issues");
        });
    };
    const auto floor = [&] {
        const QString value = nextValue();
        return Harness::timedMs([&] {
            Transaction transaction(connection);
            connection.Execute(QStringLiteral("update Issues set Category='%1' where ID in (%2)").arg(value, everyId));
            transaction.commit();
        });
    };
    const Harness::Pair pair = Harness::medianPairWithin(ours, floor, run.runs(size), run.budgetMs(size));
    Harness::report(caseName, QString::number(ids.size()), pair, 1.5);
}

} // namespace

void bulkEditCase(const Run &run, int size, const QString &database)
{
    const QString copy = freshCopy(database, run.folder + QStringLiteral("/bulk-edit.mdb"));
    {
        Connection connection;
        connection.Open(ConnectionText::dataSource(copy));
        measure(run, size, connection, QStringLiteral("Bulk edit of one field, with history"));
    }
    QFile::remove(copy);
}

void bulkEditServerCase(const Run &run, int size, const QString &target)
{
    Connection connection;
    connection.Open(target);
    measure(run, size, connection, QStringLiteral("Bulk edit of one field, on a server"));
}

} // namespace Bench
