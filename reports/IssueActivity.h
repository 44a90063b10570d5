#pragma once
// The words of the Issue Activity report: each issue's history, one entry a
// line, worded as the detail pane words it but dated, not "2 hours ago",
// and with a note's whole text.

#include "data/Attachments.h"
#include "data/IssueHistory.h"

#include <QHash>
#include <QList>
#include <QString>

class Connection;

namespace IssueActivity {

// The layout's column the words fill (rptIssueActivity).
inline constexpr const char *column = "Activity";
// What an issue without history entries shows.
inline constexpr const char *noActivity = "No activity recorded.";

// The entries in words by issue ID, each issue's lines in the order given,
// then a line naming its attachments with their sizes; contacts named as
// stored now on the connection. Throws Error.
QHash<qint64, QString> wordsByIssue(Connection &connection, const QList<IssueHistory::Entry> &entries,
                                    const QHash<qint64, QList<Attachments::Attachment>> &attachments = {});

} // namespace IssueActivity
