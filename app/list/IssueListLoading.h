#pragma once
// Fills the issue list from the shared connection: one pass over the open
// issues, or over every issue with the closed ones marked, each row read into
// the model's refill in the numbered steps the error boxes show
// ("Form1.ListData"). The shown rows are replaced in one go at the end,
// whatever fails on the way; a query that does not open leaves the list empty.

#include <QString>
#include <QStringList>

class IssueListModel;

namespace IssueListLoading {

// Replaces the model's rows with the issues of the shared connection: the
// open ones, or every issue when withClosed. A value missing from a row
// leaves its cell empty; all such rows are told in one message at the end.
void refill(IssueListModel &model, bool withClosed);

// That one message: how many rows, which columns (by caption).
QString missingValuesMessage(int rows, const QStringList &columns);

} // namespace IssueListLoading
