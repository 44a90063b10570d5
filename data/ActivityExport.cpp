#include "data/ActivityExport.h"

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
    Csv::Writer writer(device, byteOrderMark);
    writer.writeRecord({QStringLiteral("Issue ID"), QStringLiteral("Kind"), QStringLiteral("Field"),
                        QStringLiteral("Old Value"), QStringLiteral("New Value"), QStringLiteral("When"),
                        QStringLiteral("Who"), QStringLiteral("Role"), QStringLiteral("Via"),
                        QStringLiteral("Change ID")});
    int written = 0;
    for (const qint64 issue : issues) {
        QList<IssueHistory::Entry> entries = IssueHistory::entries(connection, IssueHistory::Item::Issue, issue);
        std::reverse(entries.begin(), entries.end());
        for (const IssueHistory::Entry &entry : entries) {
            writer.writeRecord({QString::number(entry.itemId), IssueHistory::kindText(entry.kind),
                                Csv::guarded(entry.field), text(entry.oldValue), text(entry.newValue),
                                DateText::toIso(entry.when), Csv::guarded(entry.who), Csv::guarded(entry.role),
                                Csv::guarded(entry.via), QString::number(entry.changeId)});
            ++written;
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
