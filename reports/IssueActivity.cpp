#include "reports/IssueActivity.h"

#include "platform/ActivityText.h"
#include "platform/ChangedMeanwhile.h"

namespace IssueActivity {

QHash<qint64, QString> wordsByIssue(Connection &connection, const QList<IssueHistory::Entry> &entries,
                                    const QHash<qint64, QList<Attachments::Attachment>> &attachments)
{
    // A contact's name is read once, however many entries name it.
    platform::FieldNames names = platform::issueFieldNames(connection);
    QHash<QString, QString> contacts;
    const auto plainShown = names.shown;
    names.shown = [&contacts, plainShown](const QString &field, const Value &value) {
        if (field != QLatin1String("Assigned To") && field != QLatin1String("Opened By"))
            return plainShown(field, value);
        const QString key = value.toTextOrEmpty();
        const auto known = contacts.constFind(key);
        return known != contacts.cend() ? *known : *contacts.insert(key, plainShown(field, value));
    };
    QHash<qint64, QString> words;
    for (const IssueHistory::Entry &entry : entries) {
        QString &lines = words[entry.itemId];
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += ActivityText::sentence(entry, names, Value(entry.when).toTextOrEmpty(), ActivityText::Notes::Whole);
    }
    for (auto issue = attachments.cbegin(); issue != attachments.cend(); ++issue) {
        QString &lines = words[issue.key()];
        if (!lines.isEmpty())
            lines += QLatin1Char('\n');
        lines += ActivityText::attachmentsLine(issue.value());
    }
    return words;
}

} // namespace IssueActivity
