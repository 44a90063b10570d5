#include "data/ActivityExport.h"

#include "data/Attachments.h"
#include "data/Csv.h"
#include "data/DateText.h"
#include "data/IssueHistory.h"
#include "data/Recordset.h"

#include <algorithm>

namespace ActivityExport {
namespace {

QString text(const Value &value)
{
    if (const QDate *date = value.date())
        return DateText::toIso(*date);
    if (const QDateTime *dateTime = value.dateTime())
        return DateText::toIso(*dateTime);
    if (value.type() == Value::Type::Integer)
        return value.toText();
    return Csv::guarded(value.toTextOrEmpty());
}

} // namespace

int write(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device, bool byteOrderMark)
{
    QList<qint64> issues;
    if (ids) {
        issues = QList<qint64>(ids->begin(), ids->end());
    } else {
        Recordset known;
        known.Open(QStringLiteral("select distinct ItemID from History where [Item] = 'Issue' order by ItemID"),
                   connection);
        for (int row = 0; row < known.rowCount(); ++row)
            issues << known.field(row, 0).toInteger();
    }
    const QHash<qint64, QList<Attachments::Attachment>> attached = Attachments::byIssue(connection);
    const bool sized = std::any_of(issues.cbegin(), issues.cend(), [&](qint64 id) { return attached.contains(id); });
    Csv::Writer writer(device, byteOrderMark);
    QStringList headings{QStringLiteral("Issue ID"),  QStringLiteral("Kind"),      QStringLiteral("Field"),
                         QStringLiteral("Old Value"), QStringLiteral("New Value"), QStringLiteral("When"),
                         QStringLiteral("Who"),       QStringLiteral("Role"),      QStringLiteral("Via"),
                         QStringLiteral("Change ID")};
    if (sized)
        headings << QStringLiteral("Size");
    writer.writeRecord(headings);
    int written = 0;
    for (const qint64 issue : issues) {
        QList<IssueHistory::Entry> entries = IssueHistory::entries(connection, IssueHistory::Item::Issue, issue);
        std::reverse(entries.begin(), entries.end());
        for (const IssueHistory::Entry &entry : entries) {
            QStringList record{QString::number(entry.itemId), IssueHistory::kindText(entry.kind),
                               Csv::guarded(entry.field),     text(entry.oldValue),
                               text(entry.newValue),          DateText::toIso(entry.when),
                               Csv::guarded(entry.who),       Csv::guarded(entry.role),
                               Csv::guarded(entry.via),       QString::number(entry.changeId)};
            if (sized)
                record << QString();
            writer.writeRecord(record);
            ++written;
        }
        // The files the issue holds now, after its story.
        for (const Attachments::Attachment &attachment : attached.value(issue)) {
            writer.writeRecord({QString::number(issue), QStringLiteral("attachment"), QString(), QString(),
                                Csv::guarded(attachment.name), DateText::toIso(attachment.added.toLocalTime()),
                                Csv::guarded(attachment.addedBy), QString(), QString(), QString(),
                                QString::number(attachment.size)});
        }
    }
    writer.flush();
    return written;
}

QString pathBeside(const QString &issuesPath)
{
    const QString csv = QStringLiteral(".csv");
    const QString stem = issuesPath.endsWith(csv, Qt::CaseInsensitive) ? issuesPath.chopped(csv.size()) : issuesPath;
    return stem + QStringLiteral("-activity.csv");
}

} // namespace ActivityExport
