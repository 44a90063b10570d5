#pragma once
// Issues a person watches, and the changes colleagues made to them that the
// person has not seen yet. A person watches an issue by choice (watch), and
// without choosing one they opened or are assigned, through the contact
// that is "me" (QueryMe); unwatch takes back only the choice. The person is
// the account as the history names it (marrow_changed_by(): the login on a
// server), so each member of a team keeps their own watches, and the
// server lets no one read or change another's (PgWatches.sql).
//
// What is unseen is read from the history: entries of a watched issue
// newer than the last the person saw (markSeen), other than their own.
// Failures are Error.

#include "data/DueReminders.h"

#include <QList>
#include <QString>

class Connection;

namespace Watches {

// Watches the issue by choice. An issue the person never looked at counts
// from its newest change on, what happened before as seen; one they did
// keeps what they have not seen yet.
void watch(Connection &connection, qint64 issue);
// Stops watching by choice; an issue the person opened or is assigned stays
// watched.
void unwatch(Connection &connection, qint64 issue);
// Whether the person chose to watch the issue.
bool isWatchedByChoice(Connection &connection, qint64 issue);
// Whether the issue is watched: by choice, or as the contact meContact
// (0: none) opened it or is assigned it.
bool isWatched(Connection &connection, qint64 issue, qint64 meContact);

// A watched issue with changes by others the person has not seen.
struct Unseen {
    qint64 issue = 0;
    int changes = 0;   // history entries
    qint64 newest = 0; // the newest entry's Seq

    bool operator==(const Unseen &) const = default;
};
// Every watched issue with unseen changes, by ID.
QList<Unseen> unseen(Connection &connection, qint64 meContact);
// The person has seen the issue as it is now.
void markSeen(Connection &connection, qint64 issue);

// The newest entry of the whole history (0 when none), where news starts.
qint64 newestChange(Connection &connection);

// What colleagues did after the entry `after` up to `upTo`: for each
// watched issue, or one a change assigned to meContact, one item, in the
// order of their first change.
struct News {
    qint64 issue = 0;
    QString title;
    QString by; // the colleague's account (the last one, if several)
    bool assignedToMe = false;

    bool operator==(const News &) const = default;
};
QList<News> newsSince(Connection &connection, qint64 after, qint64 upTo, qint64 meContact);

// The desktop notices for that news, never more than two however much
// happened: one for the issues assigned to me, one for the other watched
// issues that changed ("Ada assigned you “Printer jams”", "3 watched issues
// changed"), each body listing a few of them.
QList<DueReminders::Notice> notices(const QList<News> &news);

} // namespace Watches
