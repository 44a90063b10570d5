#pragma once
// Closing an issue: an issue is closed when its status is "Closed" in any
// letter case, blanks around it ignored; the views [Open Issues] and
// [Closed Issues] follow that rule.

#include <QString>

#include <optional>

class Connection;

namespace IssueStatus {

// Whether an issue of this status is closed.
bool isClosing(const QString &status);

// The status a new "Closed" value is written as.
inline constexpr const char *closedName = "Closed";

// The value of the status list that closes an issue, as the list spells
// it, or nothing when the list has none. Throws Error.
std::optional<QString> closingValue(Connection &connection);

// "insert into [Status] values ('Closed')".
QString addClosedStatement();

// "update Issues set Status='...' where ID=" and the ID, which must be a
// plain decimal number. Throws Error for any other ID text.
QString setStatusStatement(const QString &status, const QString &id);

} // namespace IssueStatus
