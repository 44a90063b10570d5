#pragma once
// An issue's history entry in words, for the detail pane and the Issue
// Activity report alike: "ann@desk7 changed Due Date from 12/24/2026 to
// 1/5/2027 — 2 hours ago". Fields are named by the captions the windows use,
// values as the windows show them (dates in the short date form, a contact
// by name). Pure functions of their arguments.

#include "data/Attachments.h"
#include "data/IssueHistory.h"
#include "platform/ChangedMeanwhile.h"

#include <QString>

namespace ActivityText {

// How much of a note's text a sentence quotes.
enum class Notes { FirstLine, Whole };

// The entry's sentence, ending with `when` (the pane says "2 hours ago", a
// printed report the date and time).
QString sentence(const IssueHistory::Entry &entry, const platform::FieldNames &names, const QString &when,
                 Notes notes = Notes::FirstLine);

// An issue's attachments in one line, each name with its size as the
// detail pane shows it: "Attached files: “scan.pdf” (1.21 MiB), ...";
// empty when there are none.
QString attachmentsLine(const QList<Attachments::Attachment> &attachments);

// A value as one line of a sentence: its first line, cut with "…" when
// long, so that a 1 MB comment does not fill a page.
QString shortValue(const QString &value);

} // namespace ActivityText
