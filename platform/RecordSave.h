#pragma once
// The end of an editor's Save, once its checks have passed: build the
// statement, write it, confirm, close. Both editors save this way, each with
// its own error block, so each keeps its own location text and step numbers.

#include <QString>

#include <functional>
#include <optional>

class ErrorBlock;
class QDialog;

namespace platform {

struct RecordSave {
    // The record's ID; empty for a new record, which is inserted.
    QString id;
    // Build the statements from what the window shows. Throw Error when a
    // value cannot be written.
    std::function<QString()> updateStatement;
    std::function<QString()> insertStatement;
    // Writes the statement and returns the number of rows it changed, or
    // nothing when it chose not to write; declined (when set) then tells the
    // user why, after the step. Throws Error when the write fails.
    std::function<std::optional<int>(const QString &)> write;
    std::function<void()> declined;
    // Shown in place of the confirmation when an update changed no row: the
    // record was deleted while the window was open.
    QString goneMessage;
};

// Runs the save through step, from step number first on: first tells an
// update (an ID is set) from an insert; an update is built at first + 2,
// written at first + 4 and confirmed at first + 6, an insert at first + 8,
// first + 10 and first + 12; the window is accepted at first + 14.
//
// A build that fails writes nothing; a write that fails or declines, or an
// update that finds the record gone, confirms nothing. Each of these leaves
// the window open with everything typed, and returns false.
bool saveAndConfirm(ErrorBlock &step, int first, QDialog &window, const RecordSave &save);

} // namespace platform
