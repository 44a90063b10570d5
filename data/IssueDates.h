#pragma once
// The dates an issue's history gives it, for the list and the CSV export:
// when it was closed (while it stays closed) and when it last changed. Both
// come from the history's entries (data/IssueHistory.h), read in one pass.

#include "data/Value.h"

#include <QHash>
#include <QString>

#include <limits>

class Connection;

namespace IssueDates {

// The columns the list's statement adds when asked (IssueListQuery).
inline constexpr const char *closedColumn = "Closed Date";
inline constexpr const char *lastChangedColumn = "Last Changed";

// A derived table of the program's dialect with one row per issue that has
// history: ItemID, [Closed Date] and [Last Changed], as the history stores
// times (milliseconds since 1970). The closed date is the newest "closed"
// entry's when no "reopened" came after it and the issue is closed now,
// else null; an issue added already closed has none, and so has one closed
// by a status marked as closing only after it was set.
QString derivedTable();

// A stored time as a date-time in local time; null stays null.
Value fromStored(const Value &stored);

struct Dates {
    Value closed;      // a date-time, or null
    Value lastChanged; // a date-time, or null when the issue has no history
};

// Every issue's dates, by ID. Throws Error.
QHash<qint64, Dates> read(Connection &connection);

// The same as stored, milliseconds since 1970, or noTime: for a reader of
// many issues that turns the times into text its own way (the list).
inline constexpr qint64 noTime = std::numeric_limits<qint64>::min();
struct StoredDates {
    qint64 closed = noTime;
    qint64 lastChanged = noTime;
};
QHash<qint64, StoredDates> readStored(Connection &connection);

} // namespace IssueDates
