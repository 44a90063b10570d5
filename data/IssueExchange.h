#pragma once
// Issues to and from CSV files.
//
// Export writes one record per issue under a header of the issue list's
// captions, plus the e-mail addresses of the two contacts (so that
// namesakes are told apart on the way back), dates as ISO 8601, and
// texts that a spreadsheet would run as formulas guarded by an apostrophe.
//
// Import is planned before anything is written: a plan is a pure function
// of the file's records, how its columns map to the issue fields, and what
// the database holds already. It says which issues would be added, which
// contacts and list values would be made for them, and which rows are
// refused and why. apply() then writes a plan in one transaction, or
// nothing at all.

#include "data/Csv.h"

#include <QList>
#include <QLocale>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class Connection;
class QIODevice;

namespace IssueExchange {

enum class Field {
    Id,
    Title,
    AssignedTo,
    OpenedBy,
    OpenedDate,
    DueDate,
    Status,
    Category,
    Priority,
    Comment,
    AssignedToEmail,
    OpenedByEmail,
};
inline constexpr int fieldCount = 12;

// The caption a field's column has in an exported file.
QString caption(Field field);

// The field a column heading names: a caption or a column name of the
// database ("Comment", "Assigned To Name"), in any letter case, blanks
// around it ignored.
std::optional<Field> fieldOfHeading(const QString &heading);

// The query export reads: every issue with its contacts' names and e-mail
// addresses, one column per field in the order of Field, by ID.
QString exportQuery();

// Writes the issues given by ID in that order (IDs that no longer exist are
// left out), or every issue in the order of its ID. Returns the number of
// issues written. Throws Error.
// withHistoryDates adds two columns after the fields, "Closed Date" and
// "Last Changed" (data/IssueDates.h); without it the file is as it always was.
int exportIssues(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device,
                 bool byteOrderMark, bool withHistoryDates = false);

// Per column of the file: the field it fills, or nothing when it is not
// imported. An issue's ID is never imported: imported issues are new ones.
using Mapping = QList<std::optional<Field>>;

// The mapping the headings suggest: each column the field it names, when no
// earlier column named it already and it is not the ID.
Mapping suggestedMapping(const QStringList &headings);

// What the database holds already, as far as an import needs it.
struct Existing {
    struct Contact {
        qint64 id = 0;
        QString fullName; // first name, one blank, last name
        QString email;
    };
    QList<Contact> contacts;
    QStringList statuses, categories, priorities;
    // One key per stored issue, of its title, opened date and opener, to
    // tell the rows of a file imported before.
    QSet<QString> issues;
};
Existing readExisting(Connection &connection);

// A contact an imported issue names: one that exists, one the import
// makes (its position in Plan::newContacts), or none.
struct ContactChoice {
    std::optional<qint64> existing;
    int created = -1;
};

struct NewContact {
    QString firstName; // the name up to its first blank
    QString lastName;  // the rest
    QString email;
};

struct PlannedIssue {
    int line = 0;
    QString title;
    ContactChoice assignedTo, openedBy;
    std::optional<QString> openedDate, dueDate; // ISO 8601
    std::optional<QString> status, category, priority, comment;
};

struct Refusal {
    int line = 0;
    QString reason;
};

struct Plan {
    QList<PlannedIssue> issues;
    QList<NewContact> newContacts;
    QStringList newStatuses, newCategories, newPriorities;
    QList<Refusal> refusals;
    // The lines of rows that match an issue already there: the same title
    // (letter case aside), opened date and opener. Planned as issues unless
    // the plan skips them.
    QList<int> matchingLines;
};

// What becomes of rows that match an issue already there.
enum class Matching { Import, Skip };

// Plans the import of a file whose first record is its headings. Dates may
// be ISO 8601 or the locale's short form. A row is refused when it has more
// fields than the headings, no opened date, a date that is not one, a
// contact's name that several contacts share without an e-mail address
// telling them apart, or a NUL character in a field it imports (no database
// stores one). A row that matches an issue already there is imported again,
// or skipped.
Plan plan(const Csv::Document &document, const Mapping &mapping, const Existing &existing,
          const QLocale &locale = QLocale(), Matching matching = Matching::Import);

// Plans the same row by row, as a file is read: the plan holds each row's
// values once, and nothing else of the file.
class Planner {
public:
    Planner(qsizetype headingCount, const Mapping &mapping, const Existing &existing, const QLocale &locale = QLocale(),
            Matching matching = Matching::Import);
    ~Planner();
    Planner(const Planner &) = delete;
    Planner &operator=(const Planner &) = delete;

    void add(const QStringList &record, int line);
    Plan take();

private:
    struct State;
    std::unique_ptr<State> m_state;
};

// A file's headings and the plan of its rows.
struct FilePlan {
    QStringList headings;
    Mapping mapping;
    Plan plan;
};

// Reads a CSV file from the device and plans each row as it is read, with
// the mapping given or, without one, the one the headings suggest. Calls
// progress(bytes read, bytes in all) every few thousand rows; when it
// returns false, stops and returns nothing. Throws as Csv::Reader does.
std::optional<FilePlan> planFile(QIODevice &device, Csv::Latin1 latin1, const std::optional<Mapping> &mapping,
                                 const Existing &existing, const std::function<bool(qint64, qint64)> &progress,
                                 const QLocale &locale = QLocale(), Matching matching = Matching::Import);

// The insert of a planned issue whose contacts have these IDs (a missing
// one is written as Null).
QString insertStatement(const PlannedIssue &issue, std::optional<qint64> assignedTo, std::optional<qint64> openedBy);

struct Counts {
    int issues = 0;
    int contacts = 0;
    int values = 0;
};

// Writes the plan in one transaction. Throws Error, having changed nothing,
// when any statement fails.
Counts apply(Connection &connection, const Plan &plan);

} // namespace IssueExchange
