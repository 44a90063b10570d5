#include "app/AttachmentThumbnails.h"

#include "platform/BackgroundSession.h"

#include <QBuffer>
#include <QImageReader>
#include <QPainter>

AttachmentThumbnails::AttachmentThumbnails(QString target, QObject *parent)
    : QObject(parent), m_target(std::move(target))
{
}

AttachmentThumbnails::~AttachmentThumbnails() = default;

void AttachmentThumbnails::request(const Attachments::Attachment &attachment)
{
    if (!attachment.type.startsWith(QLatin1String("image/")) || attachment.size > sourceLimit ||
        m_asked.contains(attachment.hash) || m_target.isEmpty())
        return;
    // A run that pages through many issues keeps a bounded number.
    if (m_asked.size() >= 2000) {
        m_asked.clear();
        m_made.clear();
    }
    m_asked.insert(attachment.hash);
    if (!m_worker)
        m_worker = new platform::BackgroundSession(m_target, this);
    m_worker->run(this,
                  [id = attachment.id, hash = attachment.hash,
                   this](Connection &session) -> platform::BackgroundSession::Delivery {
                      QBuffer bytes;
                      bytes.open(QIODevice::WriteOnly);
                      // Content that does not match its hash throws, and shows no picture.
                      Attachments::extract(session, id, bytes);
                      bytes.close();
                      bytes.open(QIODevice::ReadOnly);
                      QImageReader reader(&bytes);
                      const QSize size = reader.size();
                      if (!size.isValid() || qint64(size.width()) * size.height() > pixelLimit)
                          return {};
                      reader.setScaledSize(size.scaled(QSize(edge, edge), Qt::KeepAspectRatio).expandedTo(QSize(1, 1)));
                      const QImage read = reader.read();
                      if (read.isNull())
                          return {};
                      // Centred in a square of the icons' size, so that a
                      // picture's row is as high as a file's and the list's
                      // height, made from one row, fits every row.
                      QImage picture(edge, edge, QImage::Format_ARGB32_Premultiplied);
                      picture.fill(Qt::transparent);
                      QPainter(&picture).drawImage((edge - read.width()) / 2, (edge - read.height()) / 2, read);
                      return [this, hash, picture = std::move(picture)] {
                          m_made.insert(hash, picture);
                          emit ready(hash);
                      };
                  },
                  {});
}

void AttachmentThumbnails::waitUntilMade()
{
    if (m_worker)
        m_worker->waitUntilDelivered();
}
