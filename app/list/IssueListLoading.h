#pragma once
// Fills the issue list from the shared connection: one pass over the open
// issues, or over every issue with the closed ones marked, each row read into
// the model's refill in the numbered steps the error boxes show
// ("Form1.ListData"). The shown rows are replaced in one go at the end,
// whatever fails on the way; a query that does not open leaves the list empty
// (refill), or, for a re-read the user did not ask for, leaves the rows shown
// as they are (refillWhenRead).

#include <QString>
#include <QStringList>

#include <optional>

class IssueListModel;

namespace IssueListLoading {

// Replaces the model's rows with the issues of the shared connection: the
// open ones, or every issue when withClosed. A value missing from a row
// leaves its cell empty; all such rows are told in one message at the end.
// Returns whether the query was read: an empty list after a query that did
// not open says nothing about the database.
bool refill(IssueListModel &model, bool withClosed);

// The same when the query can be read; when it cannot, no box shows, the
// shown rows stay, and the failure's description is returned.
std::optional<QString> refillWhenRead(IssueListModel &model, bool withClosed);

// That one message: how many rows, which columns (by caption).
QString missingValuesMessage(int rows, const QStringList &columns);

} // namespace IssueListLoading
