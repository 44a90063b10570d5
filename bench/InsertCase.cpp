// 1,000 single-statement inserts: the program's Execute against sqlite3_exec.

#include "Cases.h"
#include "Floors.h"
#include "Harness.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/SqlText.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>

namespace Bench {

void insertCase(const Run &run, int size, const QString &database)
{
    // A copy, so that the other cases keep their data as generated.
    const QString copy = freshCopy(database, run.folder + QStringLiteral("/inserts-%1.mdb").arg(size));
    Connection connection;
    connection.Open(ConnectionText::dataSource(copy));

    // The editor's insert, with dates in the user's short date form, which
    // the database turns into its stored form.
    QRandomGenerator random(8);
    QStringList statements;
    for (int i = 0; i < 1000; ++i) {
        const QDate opened = QDate(2022, 1, 1).addDays(random.bounded(1000));
        statements.append(
            QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,"
                           "Comment,[Due Date]) values ('%1',%2,%3,'%4','%5','%6','%7','%8','%9')")
                .arg(SqlText::doubled(QStringLiteral("Printer on floor %1 won't print").arg(i)))
                .arg(1 + random.bounded(200))
                .arg(1 + random.bounded(200))
                .arg(DateText::toText(opened), QStringLiteral("Open"), QStringLiteral("Category 3"),
                     QStringLiteral("High"), SqlText::doubled(QStringLiteral("It's jammed again.\r\nCall the vendor.")),
                     DateText::toText(opened.addDays(14))));
    }
    sqlite3 *db = connection.handle();
    const auto batch = [&](auto executeOne) {
        QElapsedTimer timer;
        timer.start();
        for (const QString &statement : statements)
            executeOne(statement);
        return timer.nsecsElapsed() / 1e6;
    };
    const Harness::Pair pair =
        Harness::medianPair([&] { return batch([&](const QString &statement) { connection.Execute(statement); }); },
                            [&] {
                                return batch([&](const QString &statement) {
                                    if (!Floor::exec(db, statement))
                                        qFatal("the floor's insert failed");
                                });
                            },
                            3);
    Harness::report(QStringLiteral("1,000 inserts through Connection::Execute"), QString::number(size), pair, 1.2);
    connection.Close();
    QFile::remove(copy);
}

} // namespace Bench
