// One user of a shared database, for the multi-user tests and the bench:
//   edit_client TARGET EDITS SECONDS ID...
// makes up to EDITS edits (or edits for SECONDS seconds, when not 0), each
// adding one to the counter held in the Comment of one of the issues, as an
// editor saves: read the row, then save against the version read. Prints
// "applied N refused M"; a refusal other than a change made meanwhile is
// printed to stderr, so that every edit is accounted for.

#include "data/ConcurrentSave.h"
#include "data/Connection.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList arguments = app.arguments();
    if (arguments.size() < 5) {
        std::fprintf(stderr, "usage: edit_client TARGET EDITS SECONDS ID...\n");
        return 2;
    }
    const int edits = arguments[2].toInt();
    const qint64 limitMs = arguments[3].toLongLong() * 1000;
    QList<qint64> ids;
    for (const QString &id : arguments.mid(4))
        ids << id.toLongLong();
    int applied = 0;
    int refused = 0;
    try {
        Connection connection;
        connection.Open(arguments[1]);
        QElapsedTimer clock;
        clock.start();
        for (int edit = 0; edit < edits && (limitMs == 0 || clock.elapsed() < limitMs); ++edit) {
            const qint64 id = ids[(QCoreApplication::applicationPid() + edit) % ids.size()];
            try {
                const auto row = ConcurrentSave::readStored(connection, ConcurrentSave::Table::Issues, id);
                const qint64 counter = row->value(QStringLiteral("Comment")).toTextOrEmpty().toLongLong();
                ConcurrentSave::saveIfUnchanged(
                    connection, ConcurrentSave::Table::Issues, id, row->version,
                    {QStringLiteral("update Issues set Comment='%1' where ID=%2").arg(counter + 1).arg(id)});
                ++applied;
            } catch (const ConcurrentSave::ChangedMeanwhile &) {
                ++refused;
            } catch (const Refusal &refusal) {
                ++refused;
                std::fprintf(stderr, "refused: %s\n", refusal.what());
            }
        }
    } catch (const Error &error) {
        std::fprintf(stderr, "%s\n", error.what());
        std::printf("applied %d refused %d\n", applied, refused);
        return 1;
    }
    std::printf("applied %d refused %d\n", applied, refused);
    return 0;
}
