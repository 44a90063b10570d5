#pragma once
// Saved views of the issue list: a name, the find box's query, the sort, the
// shown columns and whether closed issues show. On a file every view is the
// user's. On a server a view belongs to the login that saved it, and is
// either personal or shared with the team; others read a shared view, and
// only its owner changes or removes it (data/postgres/PgViews.sql), so a
// shared view changes for everyone when its owner saves it again.
//
// Refusals (Refusal) speak to the user; other failures are Error.

#include <QList>
#include <QString>
#include <QStringList>

class Connection;

namespace SavedViews {

struct View {
    qint64 id = 0;
    QString name;
    QString query;      // the find box's text
    QString sortColumn; // the caption of the column sorted by; empty: unsorted
    bool sortDescending = false;
    QStringList columns; // the captions of the shown columns; empty: all
    bool showClosed = false;
    bool shared = false; // on a server: read by the whole team
    QString owner;       // on a server: the login that saved it
    bool mine = true;    // whether this user may change it

    bool operator==(const View &) const = default;
};

// The views this user may choose, by name (one's own before another's of
// the same name).
QList<View> list(Connection &connection);

// Stores the view under its name: replaces the user's own view of that name,
// or adds it. Returns its ID. A name that is empty once trimmed is refused.
qint64 save(Connection &connection, const View &view);

// Renames one of the user's views. Refused for an empty name, a name
// another of the user's views has, and a view that is not the user's or
// no longer exists.
void rename(Connection &connection, qint64 id, const QString &name);

// Removes one of the user's views; refused as rename is.
void remove(Connection &connection, qint64 id);

} // namespace SavedViews
