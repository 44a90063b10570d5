#pragma once
// What a drop or a paste brings to attach to an issue: files on this
// computer by path, and a copied picture (a screenshot) as a PNG. What
// cannot be attached is named in a sentence, before anything is read: a
// folder, a pipe or a device would block a read or mean many files, and a
// web address is not a file here.

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;

namespace platform {

struct AttachmentSources {
    struct Picture {
        QString name;
        QByteArray png;
    };
    QStringList files; // local paths of ordinary files
    QList<Picture> pictures;
    QStringList refused; // one sentence each, nothing read

    bool isEmpty() const { return files.isEmpty() && pictures.isEmpty() && refused.isEmpty(); }
};

// Whether the data holds anything to attach: local files, or a picture.
bool offersAttachments(const QMimeData &data);

// Reads what the data offers. Files win over a picture of them (a file
// manager may give both); a picture is named after `now`.
AttachmentSources attachmentSources(const QMimeData &data, const QDateTime &now);

// "Screenshot 2026-12-08 09.41.07.png": dots, not colons, which some desktops
// refuse in a file name.
QString pictureName(const QDateTime &when);

} // namespace platform
