#include "platform/ChangedMeanwhile.h"

#include "data/RecordStore.h"
#include "platform/Dialogs.h"

#include <QStringList>

namespace platform {

FieldNames issueFieldNames(Connection &connection)
{
    FieldNames names;
    names.caption = [](const QString &column) {
        return column.compare(QLatin1String("Comment"), Qt::CaseInsensitive) == 0 ? QStringLiteral("Comments") : column;
    };
    names.shown = [&connection](const QString &column, const Value &value) {
        if (column.compare(QLatin1String("Assigned To"), Qt::CaseInsensitive) != 0 &&
            column.compare(QLatin1String("Opened By"), Qt::CaseInsensitive) != 0)
            return value.toText();
        // The message is shown after a refusal: a contact that cannot be
        // read now is named by its ID rather than failing it.
        try {
            if (const auto name = RecordStore::contactName(connection, value.toInteger()))
                return *name;
        } catch (const Error &) {
        }
        return QStringLiteral("contact %1").arg(value.toText());
    };
    return names;
}

QString changesText(const ConcurrentSave::StoredRow &before, const ConcurrentSave::StoredRow &after,
                    const FieldNames &names)
{
    QStringList lines;
    for (const QString &column : ConcurrentSave::changedColumns(before, after)) {
        if (column.compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            continue;
        const Value value = after.value(column);
        const QString shown = value.isNull() ? QString() : names.shown(column, value);
        lines << QStringLiteral("%1: %2").arg(names.caption(column), shown.isEmpty()
                                                                         ? QStringLiteral("(empty)")
                                                                         : QStringLiteral("\u201c%1\u201d").arg(shown));
    }
    return lines.join(QStringLiteral("\r\n"));
}

bool askReloadAfterConflict(const QString &item, const QString &changes, ChangedBy by)
{
    const QString shown = changes.isEmpty() ? QStringLiteral("(nothing you can see)") : changes;
    const QString text =
        by == ChangedBy::ThisProgram
            ? QStringLiteral("You saved this %1 in another window after you opened it here, so the changes made here "
                             "were not saved.\r\nThat window changed:\r\n%2\r\n\r\n"
                             "Reload: show the saved version here, replacing what you typed.\r\n"
                             "Keep Editing: keep what you changed here, with the other window's changes in every "
                             "other field; Save then writes these over those where both changed the same field.")
                  .arg(item, shown)
            : QStringLiteral("Someone else saved this %1 after you opened it, so your changes were not saved.\r\n"
                             "They changed:\r\n%2\r\n\r\n"
                             "Reload: show their version here, replacing what you typed.\r\n"
                             "Keep Editing: keep what you changed, with their changes in every other field; Save "
                             "then writes yours over theirs where you both changed the same field.")
                  .arg(item, shown);
    return msgBox(text, Buttons::ReloadOrKeepEditing) == Answer::Yes;
}

QString changedBeforeDelete(const QString &item, const QString &changes)
{
    return QStringLiteral("Someone else changed this %1 meanwhile, so nothing was deleted yet.\r\nThey changed:\r\n%2"
                          "\r\n\r\n")
        .arg(item, changes.isEmpty() ? QStringLiteral("(nothing you can see)") : changes);
}

} // namespace platform
