#include "app/ActivityWords.h"

#include "app/DetailPaneText.h"
#include "platform/ActivityText.h"

namespace ActivityWords {

QString sentence(const IssueHistory::Entry &entry, const platform::FieldNames &names, const QDateTime &now)
{
    return ActivityText::sentence(entry, names, DetailPaneText::ago(entry.when, now));
}

bool restorable(const IssueHistory::Entry &entry)
{
    using IssueHistory::Kind;
    return !entry.field.isEmpty() &&
           (entry.kind == Kind::Changed || entry.kind == Kind::Closed || entry.kind == Kind::Reopened);
}

} // namespace ActivityWords
