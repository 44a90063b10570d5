#pragma once
// The history and notes of issues as a CSV file of their own, beside the
// issues' export (data/IssueExchange.h), whose format stays as it is: one
// record per history entry, notes among them as their "note added" entries.

#include <QString>

#include <optional>
#include <vector>

class Connection;
class QIODevice;

namespace ActivityExport {

// The headings, in order: "Issue ID", "Kind", "Field", "Old Value",
// "New Value", "When" (ISO 8601, local time), "Who", "Role", "Via",
// "Change ID", and "Size" when an issue written has attachments. Values are
// written as the issues' export writes them (dates in ISO form; text a
// spreadsheet would run as a formula guarded). After an issue's entries, a
// record of kind "attachment" for each file it holds now: its name as the
// new value, when and by whom it was attached, its size in bytes.
//
// Writes the entries of the issues given by ID (or of every issue, deleted
// ones too), by issue and in the order recorded; returns the number of
// history entries written. Throws Error.
int write(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device, bool byteOrderMark);

// The file beside an issues' export that holds their activity: its name
// with "-activity" added before ".csv" ("issues.csv" gives
// "issues-activity.csv").
QString pathBeside(const QString &issuesPath);

} // namespace ActivityExport
