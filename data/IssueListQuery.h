#pragma once
// The main window's issue list as the database gives it: the open issues,
// or every issue with the closed ones among them, in one pass.

#include <QString>

#include <vector>

class Connection;
class Recordset;

namespace IssueListQuery {

// The statement that reads the list: the open issues, or every issue when
// withClosed (the window draws the closed ones apart by their status).
// withDates adds the columns "Closed Date" and "Last Changed" after the
// view's (data/IssueDates.h: times as stored, IssueDates::fromStored turns
// them into date-times), at the cost of reading the whole history; without
// it the statement is the view alone.
QString statement(bool withClosed, bool withDates = false);

// Runs that statement on the given connection into rs, which then holds
// every row, read-only. Throws Error.
void open(Recordset &rs, Connection &connection, bool withClosed, bool withDates = false);

// An issue as stored when the list was read: its Version, and whether the
// database's closed rule closes it.
struct Stored {
    qint64 id = 0;
    qint64 version = 0;
    bool closed = false;
};

// Every issue's Version (and, withClosed, whether it is closed), by ID
// ascending. Read before the list's statement: a change made between the two
// reads then shows as a change since listing, reported by what saves against
// these versions, never as one the list shows with a version from before it.
// Throws Error.
std::vector<Stored> readStored(Connection &connection, bool withClosed);

} // namespace IssueListQuery
