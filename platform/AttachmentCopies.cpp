#include "platform/AttachmentCopies.h"

#include "data/Error.h"

#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QUrl>

#include <memory>

namespace platform {

namespace {

// Removed with everything in it when the program ends; a read-only file
// goes too, as its folder is writable.
std::unique_ptr<QTemporaryDir> &copiesFolder()
{
    static std::unique_ptr<QTemporaryDir> folder;
    return folder;
}

} // namespace

QString attachmentCopiesFolder()
{
    std::unique_ptr<QTemporaryDir> &folder = copiesFolder();
    if (!folder || !folder->isValid()) {
        folder = std::make_unique<QTemporaryDir>(QDir::temp().filePath(QStringLiteral("marrowdesk-XXXXXX")));
        if (!folder->isValid())
            throw Refusal(QStringLiteral("No temporary folder could be made for the attachment (%1).")
                              .arg(folder->errorString()));
    }
    return folder->path();
}

void removeAttachmentCopies()
{
    copiesFolder().reset();
}

QString attachmentCopy(Connection &connection, const Attachments::Attachment &attachment)
{
    // A folder per content: two attachments of one name never meet.
    const QDir folder(QDir(attachmentCopiesFolder()).filePath(attachment.hash));
    const QString path = folder.filePath(Attachments::safeFileName(attachment.name));
    if (QFile::exists(path))
        return path;
    if (attachment.hash.isEmpty() || !folder.mkpath(QStringLiteral(".")))
        throw Refusal(QStringLiteral("No temporary folder could be made for the attachment \u201c%1\u201d.")
                          .arg(attachment.name));
    Attachments::extract(connection, attachment.id, path);
    QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadUser);
    return path;
}

void openAttachment(Connection &connection, const Attachments::Attachment &attachment)
{
    const QString path = attachmentCopy(connection, attachment);
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        throw Refusal(QStringLiteral("The desktop has no program to open \u201c%1\u201d. Save it with Save As... and "
                                     "open it from there.")
                          .arg(attachment.name));
}

} // namespace platform
