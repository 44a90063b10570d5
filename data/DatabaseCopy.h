#pragma once
// Moving a whole Marrowdesk database between a file and a server, either
// way: every contact, list value, issue, trashed row, note and attachment,
// with its ID and version, and the history of changes as the source tells
// it, in one transaction on the target. An attachment's content travels a
// chunk at a time.

#include <QList>
#include <QString>

class Connection;

namespace DatabaseCopy {

struct TableCount {
    QString table;
    int rows = 0;
};

// Copies every row of from into to, which must be an empty Marrowdesk
// database (no row in any of its tables; Refusal otherwise). The target's
// counters then give new rows IDs above every copied one, trashed rows
// included, so that a restore never meets a taken ID. The rows of each table
// are counted on the target before the commit; a count that differs from
// the source's undoes the whole copy. Returns the counts, table by table.
// Throws Error or Refusal, and then nothing was copied.
QList<TableCount> copy(Connection &from, Connection &to);

} // namespace DatabaseCopy
