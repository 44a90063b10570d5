#pragma once
// The groups of benchmark cases. Each prints its rows through Harness.

#include "BenchSetup.h"

#include <QMap>
#include <QString>

namespace Bench {

struct Run {
    Options options;
    QString folder; // the temporary folder of this run
    int runs(int size) const { return runsFor(options, size); }
    // The time one slow case may take at a size, in milliseconds.
    double budgetMs(int size) const { return (options.quick ? 0.5 : 1.0) * (size >= 10000 ? 35000 : 15000); }
};

// The issue list: refilling it (refillList with a sort column set), sorting it
// by a header click, finding as the user types and showing closed issues,
// against reading the view raw, sorting the rows and searching them plainly.
void listCases(const Run &run, int size, const QString &database);

// Start-up to the first painted main window: startUp and show in this
// running process against the same on an empty database plus reading the
// issues raw; and, for information, a new process of this program from its
// launch against the same on an empty database.
void startUpCase(const Run &run, int size, const QString &database);

// The child's side of the start-up case: starts the main window on the
// database in XDG_DATA_HOME, and says "painted" once it is painted.
int startUpChild();

// The Open Issues and Issue Details reports from their query to a PDF file,
// against drawing the same texts at their positions into a PDF.
void reportCases(const Run &run, int size, const QString &database);

// Opening the preview of a 1,000-page report against writing it as a PDF, and
// how long the window stops answering while it opens.
void previewCase(const Run &run, const QString &database);

// The daily backup of the first start of a day (the copy and its check),
// against the copy alone; for information, at the largest size.
void backupCase(const Run &run, int size, const QString &database);

// Every issue exported to a CSV file against reading the same rows through
// the data layer; that file imported into a database without issues against
// writing the same rows through the data layer in one transaction.
void exchangeCases(const Run &run, int size, const QString &database);

// The day's reminders as `marrowdesk --remind` works them out and keeps
// them, against reading the due issues with their one query; every issue
// exported to iCalendar against the same to CSV.
void reminderCases(const Run &run, int size, const QString &database);
// Keeping the history against the same database whose triggers keep none:
// 200 one-field saves, every issue imported from CSV, and the file's size
// after 10 edits of every issue (with the bytes each entry adds).
void historyCases(const Run &run, int size, const QString &database);

// A 100 MiB file attached to an issue and saved out again against cp of
// it on the same disk, with the peak memory above the size at rest.
void attachCase(const Run &run, const QString &database);
// The same on a server's database (`target`) against COPY of the file into
// a bytea table (part of the server cases, group attach).
void attachServerCase(const Run &run, const QString &target);

// A bulk edit of 10,000 issues (one field, history included) against one
// UPDATE of the same rows in one transaction with the history's triggers.
void bulkEditCase(const Run &run, int size, const QString &database);
// The same on a server's database (`target`) holding the issues.
void bulkEditServerCase(const Run &run, int size, const QString &target);

// Translating a sum of `size` terms in 1,000 parentheses against reading its
// tokens.
void translateCase(const Run &run, int size);

// 1,000 single-statement inserts through Connection against sqlite3_exec.
void insertCase(const Run &run, int size, const QString &database);

// Deletes with the trash against the same deletes without it: 200 single
// issues, and one category with up to 10,000 issues.
// The window while the server is slow to answer: an idle window's list
// after a restart of the server in folder (tests/pg/server.sh), and the
// longest stall of a Save behind a held lock.
void serverWaitCases(const Run &run, const QString &target, const QString &serverFolder);

void trashCase(const Run &run, int size, const QString &database);

// The detail pane from selecting an issue with 1,000 history entries and 200
// notes until it has painted them, on a database file (limit 30 ms).
void paneCase(const Run &run);

// Peak resident memory with the issues of the database listed, measured in a
// child process of this program.
void memoryCase(const Run &run, int size, const QString &database);

// The child's side of memoryCase: starts the main window on the database the
// parent placed in XDG_DATA_HOME, lists it, paints it, and prints its peak.
int memoryChild(int size);

// The team database on a PostgreSQL server the case starts itself: the
// issue list refilled over the server at 10,000 and 100,000 issues (those of
// the run's sizes) against a raw libpq fetch of the same rows; and 20 client
// processes editing shared issues for a few seconds: edits per second, no
// lost update, and how long until another client's listener and re-read
// see a saved change (99th percentile). About 40 s; skipped, with a note,
// where PostgreSQL 15 is not installed.
void serverCases(const Run &run, const QMap<int, QString> &databases);

// The window on that server's database of `size` issues, reached through a
// relay that adds 200 ms each way: the longest stall of its event loop while
// the user types and scrolls during a colleague's refill, and while the
// server is lost in the middle of one.
void slowServerCase(const Run &run, int size, const QString &target);

} // namespace Bench
