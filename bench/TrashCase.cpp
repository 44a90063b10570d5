// What the trash costs a delete: the program's deletes, whose rows the
// schema's triggers copy into the trash, against the same deletes on a copy
// of the file without those triggers.

#include "Cases.h"
#include "Harness.h"

#include "data/Connection.h"
#include "data/Trash.h"

#include <QElapsedTimer>
#include <QFile>

#include <sqlite3.h>

namespace Bench {
namespace {

// The trash's triggers dropped on the floor's own connection: opening the
// file again would make them again.
void dropTrashTriggers(Connection &connection)
{
    for (const char *trigger :
         {"IssuesToTrash", "ContactsToTrash", "StatusToTrash", "CategoriesToTrash", "PrioritiesToTrash"})
        if (sqlite3_exec(connection.handle(), QByteArray("DROP TRIGGER ").append(trigger).constData(), nullptr, nullptr,
                         nullptr) != SQLITE_OK)
            qFatal("cannot drop %s", trigger);
}

// Runs the deletes on a fresh copy, without the trash for the floor;
// returns their time in milliseconds.
double timedDeletes(const QString &database, const QString &copy, bool withTrash,
                    const std::function<void(Connection &)> &deletes)
{
    Bench::freshCopy(database, copy);
    Connection connection;
    connection.Open(ConnectionText::dataSource(copy));
    if (!withTrash)
        dropTrashTriggers(connection);
    QElapsedTimer timer;
    timer.start();
    {
        Trash::Deleting deleting(connection, QStringLiteral("Delete Selected Issue"));
        deletes(connection);
    }
    const double ms = timer.nsecsElapsed() / 1e6;
    connection.Close();
    QFile::remove(copy);
    return ms;
}

} // namespace

void trashCase(const Run &run, int size, const QString &database)
{
    const QString ours = run.folder + QStringLiteral("/trash-ours.mdb");
    const QString floor = run.folder + QStringLiteral("/trash-floor.mdb");

    // 200 issues deleted one by one, each its own commit, as the main
    // window's "Delete Selected Issue" does.
    const auto singles = [](Connection &connection) {
        for (int id = 1; id <= 200; ++id)
            connection.Execute(QStringLiteral("delete from Issues where ID=%1").arg(id));
    };
    const Harness::Pair single = Harness::medianPair([&] { return timedDeletes(database, ours, true, singles); },
                                                     [&] { return timedDeletes(database, floor, false, singles); }, 5);
    Harness::report(QStringLiteral("200 single deletes, trash vs none"), QString::number(size), single, 1.2);

    // One category and its issues (10,000 of them, or all there are) in one
    // transaction, as the issue editor's "-" does.
    const QString marked = run.folder + QStringLiteral("/trash-marked.mdb");
    Bench::freshCopy(database, marked);
    int cascaded = 0;
    {
        Connection connection;
        connection.Open(ConnectionText::dataSource(marked));
        connection.Execute(QStringLiteral("insert into Categories values ('Cascade')"));
        cascaded = connection.Execute(QStringLiteral("update Issues set Category='Cascade' where ID <= 10000"));
    }
    const auto cascade = [](Connection &connection) {
        connection.Execute(QStringLiteral("begin"));
        connection.Execute(QStringLiteral("delete from [Categories] where Category='Cascade'"));
        connection.Execute(QStringLiteral("delete from Issues where Category='Cascade'"));
        connection.Execute(QStringLiteral("commit"));
    };
    const Harness::Pair together = Harness::medianPair([&] { return timedDeletes(marked, ours, true, cascade); },
                                                       [&] { return timedDeletes(marked, floor, false, cascade); }, 5);
    Harness::report(QStringLiteral("A category with its %L1 issues, trash vs none").arg(cascaded),
                    QString::number(size), together, 1.6);
    QFile::remove(marked);
}

} // namespace Bench
