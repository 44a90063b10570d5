// Files dropped on the issue editor: attached to its issue at once, as in
// the detail pane. The window has no place to list them, so a box says
// what was attached and what was not.

#include "issues/IssueEditor.h"

#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "platform/AttachProgress.h"
#include "platform/Dialogs.h"

#include <QDateTime>

void IssueEditor::attachDropped(const QMimeData &data)
{
    const std::optional<qint64> id = SqlText::idOf(issueId);
    // A new issue has no ID to attach to until it is saved, and what is
    // typed may yet be cancelled.
    if (!id) {
        platform::msgBox(QStringLiteral("Save the new issue first: files can be attached to it once it is saved. "
                                        "Nothing was attached."));
        return;
    }
    const platform::AttachmentSources sources = platform::attachmentSources(data, QDateTime::currentDateTime());
    if (sources.isEmpty())
        return;
    const platform::Attached outcome = platform::attachWithProgress(
        this, sharedConnection(), *id, sources, m_attachmentLimit, [this, id](qint64) { emit attached(*id); });
    QStringList lines;
    if (!outcome.ids.isEmpty())
        lines << (outcome.ids.size() == 1
                      ? QStringLiteral("1 file was attached to issue %1.").arg(*id)
                      : QStringLiteral("%1 files were attached to issue %2.").arg(outcome.ids.size()).arg(*id));
    lines << outcome.problems;
    platform::msgBox(lines.join(QStringLiteral("\r\n")), platform::Buttons::Ok,
                     outcome.problems.isEmpty() ? platform::Icon::None : platform::Icon::Warning);
}
