#include "data/Trash.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Transaction.h"
#include "data/TrashStatement.h"

#include <QHash>

namespace Trash {
namespace {

// Who deleted a group is kept only where many users share the database
// (TrashOwners); on a file every group is its one user's.
bool recordsOwners(const Connection &connection)
{
    return connection.isShared();
}

const char *const issueColumns = "ID, Title, [Assigned To], [Opened By], [Opened Date], Status, Category, Priority, "
                                 "Comment, [Due Date]";
const char *const contactColumns =
    "ID, [First Name], [Last Name], [E-mail Address], Company, [Job Title], [Business Phone], [Home Phone], "
    "[Mobile Phone], [Fax Number], Address, City, State, ZIP, Country, [Web Page], Notes";

// The value lists as the trash names them, with their column and the word
// a message uses for one of their values.
struct ValueList {
    const char *table;
    const char *column;
    const char *word;
};
const ValueList valueLists[] = {
    {"Status", "Status", "status"}, {"Categories", "Category", "category"}, {"Priorities", "Priority", "priority"}};

Connection &open(Connection &connection)
{
    if (!connection.State())
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    return connection;
}

QString quoted(const QString &text)
{
    return QStringLiteral("\u201c%1\u201d").arg(text);
}

// What a group holds, in words: each value and contact by name, an issue by
// its ID and title when it is alone, otherwise the number of issues.
struct Contents {
    QStringList values, contacts;
    QString firstIssue;
};

QString describe(const Group &group, const Contents &contents)
{
    QStringList parts;
    if (group.values <= 2)
        parts += contents.values;
    else
        parts += QStringLiteral("%1 list values").arg(group.values);
    if (group.contacts <= 2)
        parts += contents.contacts;
    else
        parts += QStringLiteral("%1 contacts").arg(group.contacts);
    if (group.issues == 1)
        parts += contents.firstIssue;
    else if (group.issues > 1)
        parts += QStringLiteral("%L1 issues").arg(group.issues);
    if (parts.size() <= 1)
        return parts.value(0);
    const QString last = parts.takeLast();
    return parts.join(QStringLiteral(", ")) + QStringLiteral(" and ") + last;
}

// The groups, newest first; only the one group when given.
QList<Group> readGroups(Connection &connection, qint64 only)
{
    const QString where = only ? QStringLiteral(" WHERE DeleteGroup = ?1") : QString();
    // A server's UNION wants one type per column: the IDs as text, beside
    // the list names.
    const QString id = QStringLiteral("CAST(ID AS TEXT)");
    Statement rows(open(connection),
                   QStringLiteral("SELECT DeleteGroup, DeletedBy, 0, %2, Title FROM TrashIssues%1 "
                                  "UNION ALL SELECT DeleteGroup, DeletedBy, 1, %2, "
                                  "coalesce([First Name], '') || ' ' || coalesce([Last Name], '') "
                                  "FROM TrashContacts%1 "
                                  "UNION ALL SELECT DeleteGroup, DeletedBy, 2, List, Value FROM TrashValues%1 "
                                  "ORDER BY 1 DESC")
                       .arg(where, id),
                   only);
    QList<Group> groups;
    QList<Contents> contents;
    while (rows.next()) {
        const qint64 id = rows.integer(0);
        if (groups.isEmpty() || groups.last().id != id) {
            Group group;
            group.id = id;
            group.deleted = QDateTime::fromMSecsSinceEpoch(id / 1000, Qt::UTC).toLocalTime();
            group.command = rows.text(1);
            groups.append(group);
            contents.append(Contents{});
        }
        Group &group = groups.last();
        Contents &what = contents.last();
        switch (rows.integer(2)) {
        case 0:
            if (++group.issues == 1)
                what.firstIssue = QStringLiteral("issue %1 %2").arg(rows.integer(3)).arg(quoted(rows.text(4)));
            break;
        case 1:
            ++group.contacts;
            what.contacts += QStringLiteral("contact %1").arg(quoted(rows.text(4).trimmed()));
            break;
        default: {
            ++group.values;
            const QString list = rows.text(3);
            QString word = list;
            for (const ValueList &known : valueLists)
                if (list == QLatin1String(known.table))
                    word = QLatin1String(known.word);
            what.values += QStringLiteral("%1 %2").arg(word, quoted(rows.text(4)));
        }
        }
    }
    for (int i = 0; i < groups.size(); ++i)
        groups[i].what = describe(groups[i], contents[i]);
    if (recordsOwners(connection) && !groups.isEmpty()) {
        QHash<qint64, QString> people;
        Statement owners(connection, QStringLiteral("SELECT DeleteGroup, DeletedByUser FROM TrashOwners%1").arg(where),
                         only);
        while (owners.next())
            people.insert(owners.integer(0), owners.text(1));
        for (Group &group : groups)
            group.person = people.value(group.id);
    }
    return groups;
}

// The first row a query finds, as "issue 7 “Title”"-like text, or empty.
QString firstFound(Connection &connection, const QString &sql, qint64 group, const QString &form)
{
    Statement found(connection, sql, group);
    if (!found.next())
        return QString();
    return form.arg(found.integer(0)).arg(quoted(found.text(1)));
}

void refuseConflicts(Connection &connection, qint64 group)
{
    const QString nothing = QStringLiteral(" Nothing was restored.");
    QString taken = firstFound(connection,
                               QStringLiteral("SELECT t.ID, i.Title FROM TrashIssues t JOIN Issues i ON i.ID = t.ID "
                                              "WHERE t.DeleteGroup = ?1 LIMIT 1"),
                               group, QStringLiteral("Issue %1 cannot come back: its ID is now held by the issue %2."));
    if (taken.isEmpty())
        taken = firstFound(connection,
                           QStringLiteral("SELECT t.ID, coalesce(c.[First Name], '') || ' ' || "
                                          "coalesce(c.[Last Name], '') FROM TrashContacts t "
                                          "JOIN Contacts c ON c.ID = t.ID WHERE t.DeleteGroup = ?1 LIMIT 1"),
                           group, QStringLiteral("Contact %1 cannot come back: its ID is now held by the contact %2."));
    if (!taken.isEmpty())
        throw Refusal(taken + nothing);
    const QString missing = firstFound(
        connection,
        QStringLiteral("SELECT t.ID, t.Title FROM TrashIssues t WHERE t.DeleteGroup = ?1 AND ("
                       "(t.[Assigned To] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = t.[Assigned "
                       "To]) AND NOT EXISTS (SELECT 1 FROM TrashContacts c WHERE c.DeleteGroup = ?1 AND c.ID = "
                       "t.[Assigned To])) OR "
                       "(t.[Opened By] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = t.[Opened By]) "
                       "AND NOT EXISTS (SELECT 1 FROM TrashContacts c WHERE c.DeleteGroup = ?1 AND c.ID = "
                       "t.[Opened By]))) LIMIT 1"),
        group,
        QStringLiteral("Issue %1 %2 names a contact that is no longer in the database. Restore the delete of that "
                       "contact first (Deleted Items), or add the issue anew."));
    if (!missing.isEmpty())
        throw Refusal(missing + nothing);
}

void putBack(Connection &connection, qint64 group)
{
    // One more than the version the row had when deleted: an editor still
    // open on it from before finds it changed. Rows trashed before the trash
    // kept versions come back at 1.
    const QString restoredVersion = QStringLiteral("coalesce(Version, 0) + 1");
    Statement(
        connection,
        QStringLiteral("INSERT INTO Contacts (%1, Version) SELECT %1, %2 FROM TrashContacts WHERE DeleteGroup = ?1 "
                       "ORDER BY ID")
            .arg(QLatin1String(contactColumns), restoredVersion),
        group)
        .run();
    // A value added to its list again meanwhile is simply there already.
    for (const ValueList &list : valueLists)
        Statement(connection,
                  QStringLiteral("INSERT INTO [%1] (%2) SELECT DISTINCT Value FROM TrashValues t "
                                 "WHERE t.DeleteGroup = ?1 AND t.List = '%1' "
                                 "AND NOT EXISTS (SELECT 1 FROM [%1] WHERE %2 = t.Value)")
                      .arg(QLatin1String(list.table), QLatin1String(list.column)),
                  group)
            .run();
    Statement(connection,
              QStringLiteral("INSERT INTO Issues (%1, Version) SELECT %1, %2 FROM TrashIssues WHERE DeleteGroup = ?1 "
                             "ORDER BY ID")
                  .arg(QLatin1String(issueColumns), restoredVersion),
              group)
        .run();
}

void removeGroup(Connection &connection, qint64 group)
{
    connection.session()->forgetDeleteGroup(group);
}

} // namespace

std::optional<QString> issueDeletedBy(Connection &connection, qint64 issueId)
{
    if (!recordsOwners(connection))
        return std::nullopt;
    Statement owner(connection, QStringLiteral("SELECT DeletedByUser FROM TrashOwners WHERE DeleteGroup = (SELECT "
                                               "max(DeleteGroup) FROM TrashIssues WHERE ID = %1)")
                                    .arg(issueId));
    if (!owner.next() || owner.isNull(0))
        return std::nullopt;
    return owner.text(0);
}

QList<Group> groups(Connection &connection)
{
    return readGroups(connection, 0);
}

std::optional<Group> newest(Connection &connection)
{
    // On a shared server, the newest of this user's own deletes: Undo must
    // not bring back what a colleague deleted on purpose.
    const QString own = recordsOwners(connection)
                            ? QStringLiteral(" WHERE DeleteGroup IN (SELECT DeleteGroup FROM "
                                             "TrashOwners WHERE DeletedByUser = marrow_deleting_user())")
                            : QString();
    Statement newest(open(connection),
                     QStringLiteral("SELECT max(g) FROM (SELECT max(DeleteGroup) AS g FROM TrashIssues%1 "
                                    "UNION ALL SELECT max(DeleteGroup) FROM TrashContacts%1 "
                                    "UNION ALL SELECT max(DeleteGroup) FROM TrashValues%1)%2")
                         // a server wants every subquery named
                         .arg(own, QStringLiteral(" AS newest")));
    if (!newest.next() || newest.isNull(0))
        return std::nullopt;
    const QList<Group> found = readGroups(connection, newest.integer(0));
    if (found.isEmpty())
        return std::nullopt;
    return found.first();
}

QList<qint64> restore(Connection &connection, qint64 group)
{
    QList<qint64> issues;
    // All of it, or, when a step throws, none of it.
    Transaction together(open(connection));
    refuseConflicts(connection, group);
    Statement ids(connection, QStringLiteral("SELECT ID FROM TrashIssues WHERE DeleteGroup = ?1 ORDER BY ID"), group);
    while (ids.next())
        issues.append(ids.integer(0));
    putBack(connection, group);
    removeGroup(connection, group);
    together.commit();
    return issues;
}

void purge(Connection &connection, qint64 group)
{
    Transaction together(open(connection));
    removeGroup(connection, group);
    together.commit();
}

int purgeOlderThan(Connection &connection, const QDateTime &cutoff)
{
    return open(connection).session()->purgeDeleteGroupsBefore(cutoff);
}

TrashClock::Reading readClock(Connection &connection, const std::optional<TrashClock::Reading> &previous, qint64 now)
{
    const std::optional<Group> last = newest(connection);
    const TrashClock::Reading reading = TrashClock::atStart(previous, now, last ? last->id : 0);
    connection.keepDeleteGroupsAbove(reading.trusted);
    return reading;
}

void purgeExpired(Connection &connection, const TrashClock::Reading &clock)
{
    const qint64 cutoff = clock.trusted - keptDays * TrashClock::dayMicros;
    purgeOlderThan(connection, QDateTime::fromMSecsSinceEpoch(cutoff / 1000, Qt::UTC));
}

Deleting::Deleting(Connection &connection, const QString &command) : m_connection(connection)
{
    m_connection.beginDeleting(command);
}

Deleting::~Deleting()
{
    // Naming the end of a command can fail on a server that went away just
    // now; the next statement reconnects and names it afresh, and a
    // destructor that threw would end the program.
    try {
        m_connection.endDeleting();
    } catch (const Error &) {
    }
}

} // namespace Trash
