#pragma once
// The rows each report previews, in the order it shows them.

class Connection;
class Recordset;

namespace ReportQueries {

enum class Rows { OpenByTitle, OpenByCategory, OpenByStatus, OpenByAssignedTo, ClosedByTitle };

// Opens the rows on result, static and read-only. Throws Error.
void open(Recordset &result, Connection &connection, Rows rows);

} // namespace ReportQueries
