#pragma once
// Fills the issue list from the shared connection: one pass over the open
// issues, or over every issue with the closed ones marked, each row read into
// the model's refill in the numbered steps the error boxes show
// ("Form1.ListData"). The shown rows are replaced in one go at the end,
// whatever fails on the way; a query that does not open leaves the list empty
// (refill), or, for a re-read the user did not ask for, leaves the rows shown
// as they are (refillWhenRead).

#include "app/list/IssueListModel.h"

#include <QSet>
#include <QString>
#include <QStringList>

#include <vector>

class Connection;

namespace IssueListLoading {

// The values a refill found missing: how many rows lack one, under which
// columns (by caption), and which cells ("ID/column", sorted), so that one
// set of gaps is told apart from another.
struct MissingValues {
    int rows = 0;
    QStringList columns;
    QStringList cells;
};

// What a refill found.
struct Refilled {
    // Whether the query was read: an empty list after a query that did not
    // open says nothing about the database.
    bool read = false;
    MissingValues missing;
};

// Replaces the model's rows with the issues of the shared connection: the
// open ones, or every issue when withClosed. A value missing from a row
// leaves its cell empty, and is returned rather than told: the window tells
// each set once (MissingValuesNotice).
Refilled refill(IssueListModel &model, bool withClosed);

// The same when the query can be read; when it cannot, no box shows and the
// shown rows stay (read is false).
Refilled refillWhenRead(IssueListModel &model, bool withClosed);

// A refill read apart from the window's thread: the rows, finished
// (sorted as they were asked to be), what they lack, and the failures of
// their numbered steps, told only when they are shown.
struct ReadAside {
    struct Failure {
        int step = 0;
        QString description;
        bool refusal = false;
    };
    IssueListModel::Refill rows;
    MissingValues missing;
    std::vector<Failure> failures;
};

// Reads the issues into rows on the calling thread, from the given
// connection, no box shown; captions name the list's columns
// (captionsOf); the watched issues with unseen changes are flagged, "me"
// being the login's contact on a server or else meContact. Throws Error when the query cannot be read.
ReadAside readAside(Connection &connection, bool withClosed, IssueListModel::Refill rows, const QStringList &captions,
                    qint64 meContact = 0);

// The contact chosen as "me" (the setting QueryMeContact), 0 for none;
// read on the window's thread. On a server the login's own contact comes
// first (IssueQuerySql::meContactId).
qint64 meContact();

// Shows a read made aside on the window's thread: tells its failures as a
// refill does, then replaces the model's rows in one go, showing those
// whose entry in visible is non-zero (none empty: every row).
Refilled showAside(IssueListModel &model, ReadAside read, std::vector<char> visible = {});

// The list's column captions, in column order.
QStringList captionsOf(const IssueListModel &model);

// The message that tells a set of missing values: how many rows, which
// columns, and what to do.
QString missingValuesMessage(const MissingValues &missing);
// The same in one quiet line, for under the list; empty text for none.
QString missingValuesLine(const MissingValues &missing);

// Each distinct set of missing values is told once in a run, not after
// every command that refills the list.
class MissingValuesNotice {
public:
    // True the first time this set is seen (an empty set never is).
    bool isNews(const MissingValues &missing);

private:
    QSet<QString> m_told;
};

} // namespace IssueListLoading
