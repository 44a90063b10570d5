#pragma once
// What an editor's save flow reads and writes, one call per step of the
// flow, on the connection it is given: the write of a record, the names of
// the contacts a refusal mentions, and a record as it is stored now.

#include "data/ConcurrentSave.h"

#include <QString>

#include <optional>

class Connection;

namespace RecordStore {

// A record's ID as a window holds it (text), as the integer every statement
// takes: the one way an ID from a window reaches a statement. Throws Error
// ("The issue's ID "1 or 1=1" is not a number.", naming the record as
// `record` says) for text that is not a plain whole number, so that no such
// text reaches a statement as ID 0.
qint64 idOf(const QString &id, const QString &record = QStringLiteral("record"));

// Runs a window's statement as it is; returns the rows it changed. Throws
// Error.
int write(Connection &connection, const QString &statement);

// Runs a window's update of a record other users may change, only while the
// stored row is still at loadedVersion; returns the rows it changed, 0 when
// the row was deleted meanwhile. Throws ConcurrentSave::ChangedMeanwhile
// when someone else saved it, Error when the write fails.
int writeIfUnchanged(Connection &connection, ConcurrentSave::Table table, qint64 id, qint64 loadedVersion,
                     const QString &statement);

// A contact's name as stored now ("First Last", either part possibly
// empty), or none when no contact has the ID. Throws Error.
std::optional<QString> contactName(Connection &connection, qint64 id);

// An issue as stored now, for an editor that learned of a change: the row,
// or, when it is gone, who deleted it (empty when the trash does not say).
struct StoredIssue {
    std::optional<ConcurrentSave::StoredRow> row;
    QString deletedBy;
};
// Throws Error.
StoredIssue readIssue(Connection &connection, qint64 id);

} // namespace RecordStore
