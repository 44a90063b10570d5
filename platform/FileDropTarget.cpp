#include "platform/FileDropTarget.h"

#include "platform/AttachmentSources.h"

#include <QDropEvent>
#include <QMimeData>
#include <QWidget>

namespace platform {

FileDropTarget::FileDropTarget(QWidget *window, Dropped dropped)
    : QObject(window), m_window(window), m_dropped(std::move(dropped))
{
    window->setAcceptDrops(true);
    window->installEventFilter(this);
    // A control that takes drops of its own (a text box) would take the
    // files' addresses as text; its drops pass through here first.
    for (QWidget *control : window->findChildren<QWidget *>())
        if (control->acceptDrops())
            control->installEventFilter(this);
}

bool FileDropTarget::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QObject::eventFilter(watched, event);
    auto *drop = static_cast<QDropEvent *>(event);
    // An attachment dragged out of this window and let go over it again
    // would be stored twice.
    const auto *from = qobject_cast<const QWidget *>(drop->source());
    const bool ownDrag = from && (from == m_window || m_window->isAncestorOf(from));
    if (ownDrag || !drop->mimeData() || !offersAttachments(*drop->mimeData()))
        return QObject::eventFilter(watched, event);
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop)
        m_dropped(*drop->mimeData());
    return true;
}

} // namespace platform
