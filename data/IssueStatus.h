#pragma once
// Closing an issue: an issue is closed when its status, blanks around it
// ignored, is "Closed" to the program's text collation (data/TextCollator.h:
// "CLOSED", "Ｃｌｏｓｅｄ", and "Closed" with a soft hyphen inside close too);
// the views [Open Issues] and [Closed Issues] follow that rule, on a file as
// on a server.

#include <QString>
#include <QStringList>

#include <optional>

class Connection;

namespace IssueStatus {

// Whether an issue of this status is closed.
bool isClosing(const QString &status);

// The status a new "Closed" value is written as.
inline constexpr const char *closedName = "Closed";

// The status a reopened issue starts on, as an index into the status list:
// "Open" (to the same collation) when the list has it, else the first status that
// does not close an issue; -1 when every status closes one.
int reopeningChoice(const QStringList &statuses);

// The value of the status list that closes an issue, as the list spells
// it, or nothing when the list has none. Throws Error.
std::optional<QString> closingValue(Connection &connection);

// "insert into [Status] values ('Closed')".
QString addClosedStatement();

// "update Issues set Status='...' where ID=" and the ID.
QString setStatusStatement(const QString &status, qint64 id);

} // namespace IssueStatus
