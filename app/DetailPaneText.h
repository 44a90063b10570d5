#pragma once
// The detail pane's words: what it shows is rich text built here from
// plain values, every one escaped, so that a title or a note holding "<",
// "&" or a script shows as typed and never as markup. Pure functions of
// their arguments, so the pane's content is tested without a window.

#include <QDateTime>
#include <QList>
#include <QString>

#include <utility>

namespace DetailPaneText {

// Plain text as rich text: escaped, its line breaks kept, and each web
// address (http://, https://, www.) and e-mail address made a link.
QString linkified(const QString &plain);

// How long ago, in words: "just now", "5 minutes ago", "2 hours ago",
// "yesterday", "3 days ago"; the short date itself beyond four weeks, and
// for a time after now (a clock that was set back).
QString ago(const QDateTime &when, const QDateTime &now);

// A value as one line of an activity entry: its first line, cut with "…"
// when long, so that a 1 MB comment does not fill the pane.
QString shortValue(const QString &value);

// A field of the issue: its caption and its text as the list shows it.
using Field = std::pair<QString, QString>;

// The fields as a table of captions and values.
QString fieldsHtml(const QList<Field> &fields);

// A heading of the pane ("Notes", "Activity").
QString headingHtml(const QString &caption);

// One note: its author and time above, its text below.
QString noteHtml(const QString &author, const QDateTime &when, const QString &text, const QDateTime &now);

// One activity entry: its sentence (plain text), and when the entry can be
// restored, a "Restore this value" link to the given address.
QString activityHtml(const QString &sentence, const QString &restoreLink);

// A link that shows what was left out ("Show all 1000 entries").
QString moreHtml(const QString &caption);

} // namespace DetailPaneText
