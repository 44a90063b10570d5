// The detail pane's attachments: attaching what is chosen, dropped or
// pasted; opening, saving, dragging out and removing what is listed.

#include "app/DetailPane.h"

#include "app/AttachmentList.h"
#include "app/AttachmentThumbnails.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SessionBeside.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "platform/AttachProgress.h"
#include "platform/AttachmentCopies.h"
#include "platform/AttachmentSources.h"
#include "platform/Dialogs.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>

#include <algorithm>

namespace {

// Rows the list shows before it scrolls: the pane's room is for reading.
constexpr int rowsShown = 3;

} // namespace

void DetailPane::attachFiles()
{
    if (!SqlText::idOf(m_issueId))
        return;
    platform::AttachmentSources sources;
    sources.files = platform::dialogs().openFileNames(QStringLiteral("Attach Files"), QStringLiteral("All files (*)"));
    if (!sources.isEmpty())
        attach(sources);
}

void DetailPane::attachFrom(const QMimeData &data)
{
    if (!SqlText::idOf(m_issueId))
        return;
    const platform::AttachmentSources sources = platform::attachmentSources(data, QDateTime::currentDateTime());
    if (!sources.isEmpty())
        attach(sources);
}

void DetailPane::paste()
{
    if (const QMimeData *data = QGuiApplication::clipboard()->mimeData())
        attachFrom(*data);
}

void DetailPane::attach(const platform::AttachmentSources &sources)
{
    const qint64 id = *SqlText::idOf(m_issueId);
    const platform::Attached outcome = platform::attachWithProgress(
        this, sharedConnection(), id, sources, m_attachmentLimit, [this, id](qint64) { emit attached(id); });
    if (outcome.problems.isEmpty())
        m_noteProblem->hide();
    else
        showProblem(outcome.problems.join(QLatin1Char('\n')));
    reread();
}

void DetailPane::showAttachments(QList<Attachments::Attachment> attachments)
{
    // Pictures are read from the database open now, also after another was
    // chosen in this run.
    const QString target =
        attachments.isEmpty() || !hasSharedConnection() ? QString() : SessionBeside::targetOf(sharedConnection());
    if (!target.isEmpty() && (!m_thumbnails || m_thumbnails->target() != target)) {
        delete m_thumbnails;
        m_thumbnails = new AttachmentThumbnails(target, this);
        m_attachmentList->attachments()->usePictures(m_thumbnails);
    }
    const int rows = int(std::min<qsizetype>(attachments.size(), rowsShown));
    m_attachmentList->attachments()->show(std::move(attachments));
    m_attachmentList->setVisible(rows > 0);
    if (rows > 0)
        m_attachmentList->setFixedHeight(rows * m_attachmentList->sizeHintForRow(0) +
                                         2 * m_attachmentList->frameWidth() + 2);
}

void DetailPane::openAttachment(const Attachments::Attachment &attachment)
{
    try {
        platform::openAttachment(sharedConnection(), attachment);
        m_noteProblem->hide();
    } catch (const Error &error) {
        showProblem(error.description());
    }
}

QString DetailPane::dragCopy(const Attachments::Attachment &attachment)
{
    try {
        return platform::attachmentCopy(sharedConnection(), attachment);
    } catch (const Error &error) {
        showProblem(error.description());
        return QString();
    }
}

void DetailPane::saveAttachment(const Attachments::Attachment &attachment)
{
    const QString path =
        platform::saveFileName(QStringLiteral("Save Attachment As"), Attachments::safeFileName(attachment.name),
                               QStringLiteral("All files (*)"));
    if (path.isEmpty())
        return;
    try {
        Attachments::extract(sharedConnection(), attachment.id, path);
        m_noteProblem->hide();
    } catch (const Error &error) {
        showProblem(error.description());
    }
}

void DetailPane::removeAttachment(const Attachments::Attachment &attachment)
{
    try {
        Attachments::remove(sharedConnection(), attachment.id);
        m_noteProblem->hide();
        emit attachmentRemoved(attachment.issueId);
    } catch (const Error &error) {
        showProblem(error.description());
    }
    reread();
}
