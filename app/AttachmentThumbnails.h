#pragma once
// Small pictures of image attachments for the detail pane's list, made on a
// worker with a database session of its own so that the window never waits
// for a large image to be read or decoded. A picture is made once per
// content (by its SHA-256) in a run; content larger than sourceLimit, or
// an image of more than pixelLimit pixels, gets none: its type's icon
// shows instead, and memory stays bounded.

#include "data/Attachments.h"

#include <QHash>
#include <QImage>
#include <QObject>
#include <QSet>

namespace platform {
class BackgroundSession;
}

class AttachmentThumbnails : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 sourceLimit = qint64(32) * 1024 * 1024;
    static constexpr qint64 pixelLimit = qint64(25) * 1000 * 1000; // a 6000 x 4000 photo
    static constexpr int edge = 48;                                // the largest side, in pixels

    // target: the database, as SessionBeside::targetOf names it.
    AttachmentThumbnails(QString target, QObject *parent = nullptr);
    ~AttachmentThumbnails() override;
    QString target() const { return m_target; }

    // The picture of this content when made; a null image until then.
    QImage picture(const QString &hash) const { return m_made.value(hash); }
    // Asks for the attachment's picture when it has an image type and none
    // was asked for its content yet; ready() tells when it is made.
    void request(const Attachments::Attachment &attachment);

    // Waits until every picture asked for is made (tests).
    void waitUntilMade();

signals:
    void ready(const QString &hash);

private:
    QString m_target;
    platform::BackgroundSession *m_worker = nullptr;
    QHash<QString, QImage> m_made;
    QSet<QString> m_asked;
};
