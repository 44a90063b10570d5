#include "platform/AttachmentSources.h"

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QMimeData>
#include <QUrl>

namespace platform {

namespace {

QString shown(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

} // namespace

bool offersAttachments(const QMimeData &data)
{
    if (data.hasImage())
        return true;
    for (const QUrl &url : data.urls())
        if (url.isLocalFile())
            return true;
    return false;
}

QString pictureName(const QDateTime &when)
{
    return QStringLiteral("Screenshot %1.png").arg(when.toString(QStringLiteral("yyyy-MM-dd HH.mm.ss")));
}

AttachmentSources attachmentSources(const QMimeData &data, const QDateTime &now)
{
    AttachmentSources found;
    for (const QUrl &url : data.urls()) {
        if (!url.isLocalFile()) {
            found.refused << QStringLiteral("%1 is not a file on this computer; only files can be attached.")
                                 .arg(url.toDisplayString());
            continue;
        }
        const QString path = url.toLocalFile();
        const QFileInfo info(path);
        if (!info.exists())
            found.refused << QStringLiteral("The file %1 no longer exists; nothing was attached.").arg(shown(path));
        else if (info.isDir())
            found.refused << QStringLiteral("%1 is a folder; only files can be attached, so nothing of it was "
                                            "stored.")
                                 .arg(shown(path));
        else if (!info.isFile())
            found.refused << QStringLiteral("%1 is not an ordinary file (a pipe, a device or a socket); only files "
                                            "can be attached, so nothing was stored.")
                                 .arg(shown(path));
        else
            found.files << path;
    }
    if (found.files.isEmpty() && found.refused.isEmpty() && data.hasImage()) {
        const QImage picture = qvariant_cast<QImage>(data.imageData());
        QByteArray png;
        QBuffer buffer(&png);
        if (picture.isNull() || !buffer.open(QIODevice::WriteOnly) || !picture.save(&buffer, "PNG"))
            found.refused << QStringLiteral("The copied picture could not be read; nothing was attached.");
        else
            found.pictures.append({pictureName(now), png});
    }
    return found;
}

} // namespace platform
