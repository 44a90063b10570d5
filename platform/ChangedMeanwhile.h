#pragma once
// What a window tells the user when someone else saved a record it shows
// since it was loaded (data/ConcurrentSave.h refuses the save or delete):
// which fields changed, with the other user's values, in the window's own
// captions, and what the user may do about it.

#include "data/ConcurrentSave.h"

#include <QString>

#include <functional>

class Connection;

namespace platform {

// How a window names its fields: the caption a column has in the window,
// and a stored value as the window shows it.
struct FieldNames {
    std::function<QString(const QString &column)> caption;
    std::function<QString(const QString &column, const Value &value)> shown;
};

// An issue's fields as the windows show them: each column under its
// caption ("Comments" for Comment), a contact by its name as stored now on
// the given connection, which must outlive the names.
FieldNames issueFieldNames(Connection &connection);

// One line per field the other user changed, "Title: “their title”",
// Version and ID left out; an emptied field shows as "(empty)".
QString changesText(const ConcurrentSave::StoredRow &before, const ConcurrentSave::StoredRow &after,
                    const FieldNames &names);

// Who made a change the window learned of: another user (or a change the
// window cannot place), or this program itself, in another of its windows.
enum class ChangedBy { Others, ThisProgram };

// After a save refused because of a change made meanwhile: says who changed
// what and asks whether to reload their version into the window (true) or
// to keep editing (false, the default, so Enter loses nothing typed).
bool askReloadAfterConflict(const QString &item, const QString &changes, ChangedBy by = ChangedBy::Others);

// The text before a delete question asked again because the record changed
// while the user decided: what changed, then a blank line.
QString changedBeforeDelete(const QString &item, const QString &changes);

} // namespace platform
