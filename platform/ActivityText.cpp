#include "platform/ActivityText.h"

#include <QLocale>
#include <QRegularExpression>

#include <algorithm>

namespace ActivityText {
namespace {

constexpr int shortValueLength = 120;

// A value in a sentence: text between quotes, so that where a title ends is
// plain; dates, numbers and contacts as they are.
QString valueText(const IssueHistory::Entry &entry, const Value &value, const platform::FieldNames &names)
{
    const QString shown = shortValue(names.shown(entry.field, value));
    if (value.type() == Value::Type::Text && entry.field != QLatin1String("Assigned To") &&
        entry.field != QLatin1String("Opened By"))
        return QStringLiteral("\u201c%1\u201d").arg(shown);
    return shown;
}

QString fieldChange(const IssueHistory::Entry &entry, const platform::FieldNames &names)
{
    const QString caption = names.caption(entry.field);
    if (entry.oldValue.isNull() || entry.oldValue == Value(QString()))
        return QStringLiteral("set %1 to %2").arg(caption, valueText(entry, entry.newValue, names));
    if (entry.newValue.isNull() || entry.newValue == Value(QString()))
        return QStringLiteral("cleared %1 (was %2)").arg(caption, valueText(entry, entry.oldValue, names));
    return QStringLiteral("changed %1 from %2 to %3")
        .arg(caption, valueText(entry, entry.oldValue, names), valueText(entry, entry.newValue, names));
}

QString noteText(const IssueHistory::Entry &entry, Notes notes)
{
    const QString text =
        (entry.kind == IssueHistory::Kind::NoteAdded ? entry.newValue : entry.oldValue).toTextOrEmpty();
    return QStringLiteral("\u201c%1\u201d").arg(notes == Notes::Whole ? text : shortValue(text));
}

} // namespace

QString sentence(const IssueHistory::Entry &entry, const platform::FieldNames &names, const QString &when, Notes notes)
{
    using IssueHistory::Kind;
    QString what;
    switch (entry.kind) {
    case Kind::Added:
        what = QStringLiteral("added the issue");
        break;
    case Kind::Changed:
        what = fieldChange(entry, names);
        break;
    case Kind::Closed:
        what = QStringLiteral("closed the issue: ") + fieldChange(entry, names);
        break;
    case Kind::Reopened:
        what = QStringLiteral("reopened the issue: ") + fieldChange(entry, names);
        break;
    case Kind::Deleted:
        what = QStringLiteral("deleted the issue");
        break;
    case Kind::Restored:
        what = QStringLiteral("put the issue back from the deleted items");
        break;
    case Kind::KnownSince:
        return QStringLiteral("The issue was there when its history began \u2014 %1").arg(when);
    case Kind::NoteAdded:
        what = QStringLiteral("added the note ") + noteText(entry, notes);
        break;
    case Kind::NoteRemoved:
        what = QStringLiteral("took back the note ") + noteText(entry, notes);
        break;
    case Kind::Attached:
        what = QStringLiteral("attached the file \u201c%1\u201d").arg(entry.newValue.toTextOrEmpty());
        break;
    case Kind::AttachmentRemoved:
        what = QStringLiteral("removed the attachment \u201c%1\u201d").arg(entry.oldValue.toTextOrEmpty());
        break;
    }
    const QString who = entry.who.isEmpty() ? QStringLiteral("Someone") : entry.who;
    const QString via = entry.via.isEmpty() || entry.via == QLatin1String("the program")
                            ? QString()
                            : QStringLiteral(" (through %1)").arg(entry.via);
    return QStringLiteral("%1 %2%3 \u2014 %4").arg(who, what, via, when);
}

QString attachmentsLine(const QList<Attachments::Attachment> &attachments)
{
    QStringList files;
    for (const Attachments::Attachment &attachment : attachments)
        files << QStringLiteral("\u201c%1\u201d (%2)")
                     .arg(shortValue(attachment.name), QLocale().formattedDataSize(attachment.size));
    return files.isEmpty() ? QString() : QStringLiteral("Attached files: ") + files.join(QStringLiteral(", "));
}

QString shortValue(const QString &value)
{
    qsizetype end = value.indexOf(QRegularExpression(QStringLiteral("[\r\n]")));
    const bool cut = end >= 0 || value.size() > shortValueLength;
    if (end < 0)
        end = value.size();
    end = std::min<qsizetype>(end, shortValueLength);
    // Never between the two halves of a surrogate pair.
    if (end > 0 && end < value.size() && value.at(end - 1).isHighSurrogate())
        --end;
    return cut ? value.left(end) + QStringLiteral("\u2026") : value;
}

} // namespace ActivityText
