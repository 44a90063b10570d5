#pragma once
// One change to many issues at once: the same status, category, priority,
// assignee or due date for every issue the user selected, saved as one
// transaction, so that the history's triggers give all its entries one
// ChangeID and IssueHistory::revertChange takes it back in one step.
//
// Each issue is saved only while it is still stored at the Version it was
// at when the list showed it, as a single save is (data/ConcurrentSave.h):
// an issue changed or deleted by someone else since is left alone and
// reported, the others are saved. An issue that already holds every value
// asked for is not written at all, so its Version and history stay as they
// are; an issue that holds some of them gets only the others.

#include "data/Error.h"
#include "data/IssueStatus.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

class Connection;

namespace BulkEdit {

// An issue as the user listed it: its Version then (the list keeps it),
// and its title for a report.
struct Listed {
    qint64 id = 0;
    qint64 version = 0;
    QString title;
};

// The issues of these IDs as stored now, in the order given; an ID no
// longer stored is left out: for issues whose listed version is not known.
// Throws Error.
QList<Listed> readListed(Connection &connection, const QList<qint64> &ids);

// What to set; a member left empty leaves that field as each issue has it.
struct Changes {
    // Which issues the status is for: closing leaves an issue that is
    // already closed (to the program's rule, data/IssueStatus.h) with the
    // status it has, reopening leaves an open one.
    enum class StatusFor { AnyIssue, OpenIssues, ClosedIssues };

    std::optional<QString> status;
    StatusFor statusFor = StatusFor::AnyIssue;
    std::optional<QString> category;
    std::optional<QString> priority;
    std::optional<qint64> assignedTo;
    // The due date as the issue editor writes it (the locale's short form,
    // or ISO 8601), or an empty inner value to clear it.
    std::optional<std::optional<QString>> dueDate;

    bool isEmpty() const { return !status && !category && !priority && !assignedTo && !dueDate; }
};

// What a bulk edit did.
struct Outcome {
    int saved = 0;         // issues written
    qint64 firstSaved = 0; // the lowest ID written (0 when none was)
    int alreadySo = 0;     // issues that held every value already
    QList<Listed> changed; // changed meanwhile: left alone, title as stored now
    QList<Listed> deleted; // deleted meanwhile, title as chosen
};

// The user stopped a bulk edit before it was saved; nothing of it is kept.
class Cancelled : public Refusal {
public:
    Cancelled();
};

// Saves the changes to the issues in one transaction, as described above.
// progress(done, total) is called between steps of a few hundred issues;
// when it returns false the transaction is rolled back and Cancelled
// thrown. Refuses a due date that is not a date, and empty changes, before
// anything is written. Any failure rolls back every issue and throws Error.
Outcome apply(Connection &connection, const QList<Listed> &issues, const Changes &changes,
              const std::function<bool(qsizetype done, qsizetype total)> &progress = {});

// The choices a bulk edit offers: the three value lists as their pickers
// show them, the contacts (ID and name) in the editor's order, and which
// statuses close an issue.
struct Choices {
    QStringList statuses;
    IssueStatus::ClosingRule closing;
    QStringList categories;
    QStringList priorities;
    QList<QPair<qint64, QString>> contacts;
};
Choices readChoices(Connection &connection);

} // namespace BulkEdit
