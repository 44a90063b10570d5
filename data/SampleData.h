#pragma once
// The rows "Load Sample/Example Data" reads and adds. A run tops the contacts
// and the three value lists up to two rows each, reads the first and the
// last row of each (in the order the rows were added) and adds three issues
// that refer to them. Each call here is one numbered step of the run, so
// that a failure is reported at the step the user sees; all of them throw
// Error as Connection and Recordset do.

#include "data/IssueSql.h"

class Connection;
class Recordset;
class Value;

namespace SampleData {

// What a run tops up: the contacts or one value list.
enum class Table { Contacts, Status, Categories, Priorities };

// Opens on result the table's row count, one row.
void openCount(Recordset &result, Connection &connection, Table table);
// Opens on result the table's first or last row's value (a contact's ID, a
// list's value), one row; none when the table is empty.
void openFirst(Recordset &result, Connection &connection, Table table);
void openLast(Recordset &result, Connection &connection, Table table);
// The single value of an open result of openCount, openFirst or openLast.
Value countOf(Recordset &result);
Value valueOf(Recordset &result);

// Adds the table's first (which 0) or second (which 1) sample row.
void insertSample(Connection &connection, Table table, int which);

// Adds one sample issue.
void insertIssue(Connection &connection, const IssueSql::Values &issue);

} // namespace SampleData
