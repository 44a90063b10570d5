#pragma once
// Issues with due dates as an iCalendar file (RFC 5545): one VTODO per
// issue, for a calendar program to show or subscribe to.
//
// Each to-do carries the issue's due day (a DATE value), title, comment,
// whether it is closed (the program's one rule, data/IssueStatus.h), its
// priority where its text says one, and its category. Its UID stays the
// same from one export to the next, so a subscribing calendar updates the
// to-do instead of adding another. Lines end in CRLF and are folded at 75
// octets, never inside a UTF-8 sequence.

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <optional>
#include <vector>

class Connection;
class QIODevice;

namespace ICalendar {

// A TEXT value with backslashes, semicolons, commas and line breaks
// escaped. Control characters other than a tab, which a TEXT value cannot
// hold, are left out.
QString escapedText(const QString &text);

// One content line as written: folded so that no line is longer than 75
// octets (the blank that starts a continuation counts), each ending in CRLF.
QByteArray foldedLine(const QString &line);

// The PRIORITY (1 highest, 9 lowest) a priority's text names: the usual
// words ("Urgent", "High", "Normal", "Low" ...) in any letter case, or a
// number from 1 to 9. 0 when the text names none, and the property is left
// out.
int priorityOf(const QString &priority);

// What tells this database's issues from another's in a UID: a file's by
// its real path, a server's by its database name. Throws Error.
QString databaseTag(Connection &connection);

// Writes the issues given by ID in that order (IDs that no longer exist or
// have no due date are left out), or every issue with a due date by ID.
// stamp is the DTSTAMP, in UTC. Returns the number of to-dos written.
// Throws Error.
int exportIssues(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device,
                 const QDateTime &stamp = QDateTime::currentDateTimeUtc());

// The same into a file, written aside and renamed into place, so that a
// calendar reading it meanwhile finds the old file or the new one, and a
// failure leaves the old one as it was. Throws Error.
int exportToFile(Connection &connection, const std::optional<std::vector<qint64>> &ids, const QString &path);

} // namespace ICalendar
