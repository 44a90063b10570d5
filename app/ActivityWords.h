#pragma once
// An issue's history entry in words, as the detail pane lists it: "ann@desk7
// changed Due Date from 12/24/2026 to 1/5/2027 — 2 hours ago". The wording
// itself is platform/ActivityText's, shared with the Issue Activity report.

#include "data/IssueHistory.h"
#include "platform/ChangedMeanwhile.h"

#include <QDateTime>
#include <QString>

namespace ActivityWords {

// The entry's sentence, its time told as DetailPaneText::ago from now.
QString sentence(const IssueHistory::Entry &entry, const platform::FieldNames &names, const QDateTime &now);

// Whether "Restore this value" applies: an entry that changed one field.
bool restorable(const IssueHistory::Entry &entry);

} // namespace ActivityWords
