#pragma once
// The trash: what was deleted, kept in the database by the schema's
// triggers (data/SchemaUpgrade.cpp, version 3, and PgSchema.sql on a
// server), in groups of one command each, until it is restored or purged.
// Listing, restoring and purging work on either engine.
//
// A group holds every issue, contact and list value one command deleted (a
// value with its issues, a contact with its issues), or one statement when
// no command was named (marrowdesk-sql, each statement). Restoring a group
// puts back exactly its rows, with their IDs, as one change: when any row
// cannot come back, nothing does, and a Refusal says why.

#include "data/TrashClock.h"

#include <QDateTime>
#include <QList>
#include <QString>

#include <optional>

class Connection;

namespace Trash {

struct Group {
    qint64 id = 0;     // the group's number: the delete's time in microseconds since 1970 (UTC)
    QDateTime deleted; // the same, as local time
    QString command;   // what deleted it: "Delete Selected Issue", "marrowdesk-sql"
    QString person;    // who, as a server records the account ("ann@desk7"); empty on a file
    int issues = 0;
    int contacts = 0;
    int values = 0;
    QString what; // "status “Cancelled” and 12 issues", "issue 7 “Printer jams”"
};

// Every group, newest first. Throws Error.
QList<Group> groups(Connection &connection);

// The newest group (on a server, the newest this user deleted: a team
// shares one trash), or none when the trash is empty. Throws Error.
std::optional<Group> newest(Connection &connection);

// Who deleted the issue last, as the server recorded the account
// ("ann@desk7"); none on a file, which one person uses, or when the trash
// does not hold the issue. Throws Error.
std::optional<QString> issueDeletedBy(Connection &connection, qint64 issueId);

// Puts the group's rows back and empties the group; returns the IDs of the
// issues that came back. Throws Refusal when an ID is taken again or an
// issue names a contact that no longer exists; nothing is restored then.
QList<qint64> restore(Connection &connection, qint64 group);

// Removes the group's rows from the trash for good. Throws Error.
void purge(Connection &connection, qint64 group);

// Removes every group deleted before the cutoff; returns how many rows went.
int purgeOlderThan(Connection &connection, const QDateTime &cutoff);

// How long the trash keeps a group.
inline constexpr int keptDays = 30;

// A start on a file (data/TrashClock.h): moves the trash's clock on from
// the previous reading to the machine's time now, and numbers later groups
// after it. Returns the reading to keep for the next start. Throws Error.
TrashClock::Reading readClock(Connection &connection, const std::optional<TrashClock::Reading> &previous, qint64 now);

// Purges the groups older than keptDays by the trash's clock. Throws Error.
void purgeExpired(Connection &connection, const TrashClock::Reading &clock);

// Names the command for the deletes made while it lives: one group, one undo.
class Deleting {
public:
    Deleting(Connection &connection, const QString &command);
    ~Deleting();
    Deleting(const Deleting &) = delete;
    Deleting &operator=(const Deleting &) = delete;

private:
    Connection &m_connection;
};

} // namespace Trash
