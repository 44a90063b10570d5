#pragma once
// The rows each report previews, in the order it shows them.

#include "data/IssueHistory.h"

#include <QList>

class Connection;
class Recordset;

namespace ReportQueries {

enum class Rows { OpenByTitle, OpenByCategory, OpenByStatus, OpenByAssignedTo, ClosedByTitle };

// Opens the rows on result, static and read-only. Throws Error.
void open(Recordset &result, Connection &connection, Rows rows);

// The history of the open issues (the rows of Issue Details), for the Issue
// Activity report: issue after issue, each one's entries newest first, in
// the order they were recorded whatever the clocks said. Throws Error.
QList<IssueHistory::Entry> openIssuesActivity(Connection &connection);

} // namespace ReportQueries
