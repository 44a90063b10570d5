#pragma once
// The main window's issue list as the database gives it: the open issues,
// or every issue with the closed ones among them, in one pass.

#include <QString>

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

} // namespace IssueListQuery
