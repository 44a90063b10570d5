#pragma once
// The end of an editor's Save, once its checks have passed: build the
// statement, write it, confirm, close. Both editors save this way, each with
// its own error block, so each keeps its own location text and step numbers.

#include "data/ConcurrentSave.h"

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

    // Set for a record other users may change meanwhile: its table and the
    // version the window loaded. Then run() makes an update only while the
    // stored row still has that version, and a refusal goes to
    // changedMeanwhile (after the write's step, in place of the
    // confirmation) with the row as it is stored now.
    struct Versioned {
        ConcurrentSave::Table table;
        qint64 loadedVersion = 0;
        std::function<void(const ConcurrentSave::ChangedMeanwhile &)> changedMeanwhile;
        // The write went through: the record stored now is the window's own,
        // and news of its change (heard while the confirmation shows) is not
        // another window's or a colleague's.
        std::function<void()> written;
    };
    std::optional<Versioned> versioned;

    // How write() sends its statement: an update of a versioned record
    // against the loaded version (a row deleted meanwhile changes no row,
    // so goneMessage tells it), anything else as it is. Throws Error.
    int run(const QString &sql) const;
};

// Runs the save through step, from step number first on: first tells an
// update (an ID is set) from an insert; an update is built at first + 2,
// written at first + 4 and confirmed at first + 6, an insert at first + 8,
// first + 10 and first + 12; the window is accepted at first + 14.
//
// A build that fails writes nothing; a write that fails or declines, an
// update that finds the record gone, or one refused as changed meanwhile,
// confirms nothing. A write held up by another user's lock past the lock
// limit asks whether to wait for it, and waits without that limit when told
// to. Each of these leaves
// the window open with everything typed, and returns false.
bool saveAndConfirm(ErrorBlock &step, int first, QDialog &window, const RecordSave &save);

} // namespace platform
