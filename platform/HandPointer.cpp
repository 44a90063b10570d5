#include "platform/HandPointer.h"

#include "data/Error.h"
#include "data/FileUtil.h"
#include "platform/ErrorBlock.h"

#include <QEnterEvent>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMouseEvent>
#include <QPixmap>
#include <QWidget>
#include <QtEndian>

namespace {

bool isBusyShape(Qt::CursorShape shape)
{
    return shape == Qt::WaitCursor || shape == Qt::BusyCursor;
}

// A surface that holds other controls: only its bare surface counts as being
// over it; its controls are separate targets (or none).
bool holdsControls(const QWidget &surface)
{
    return surface.isWindow() || qobject_cast<const QGroupBox *>(&surface) ||
           surface.metaObject() == &QFrame::staticMetaObject || surface.metaObject() == &QWidget::staticMetaObject;
}

// The hotspot stored in the first directory entry of a cursor file: the
// file starts with reserved 0, type 2 (cursor), an entry count, and each
// 16-byte entry holds the hotspot's x and y at bytes 4 to 7.
std::optional<QPoint> cursorHotspot(const QByteArray &head)
{
    if (head.size() < 6 + 16)
        return std::nullopt;
    const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
    if (qFromLittleEndian<quint16>(bytes) != 0 || qFromLittleEndian<quint16>(bytes + 2) != 2 ||
        qFromLittleEndian<quint16>(bytes + 4) == 0)
        return std::nullopt;
    return QPoint(qFromLittleEndian<quint16>(bytes + 6 + 4), qFromLittleEndian<quint16>(bytes + 6 + 6));
}

} // namespace

HandPointer::HandPointer(QWidget &window) : QObject(&window), m_window(window)
{
    setObjectName(QStringLiteral("HandPointer"));
}

void HandPointer::applyInSteps(ErrorBlock &step, int fileStep, QWidget &window, const QList<QWidget *> &buttons,
                               const QList<QWidget *> &arrowSurfaces)
{
    const auto followHoverConvention = [&] { apply(window, buttons, arrowSurfaces); };
    bool fileFound = false;
    step(fileStep, [&] {
        fileFound = FileExists(cursorFilePath());
        if (!fileFound)
            followHoverConvention();
    });
    if (fileFound)
        step(fileStep + 2, followHoverConvention);
}

HandPointer *HandPointer::of(const QWidget &window)
{
    return window.findChild<HandPointer *>(QStringLiteral("HandPointer"), Qt::FindDirectChildrenOnly);
}

QString HandPointer::cursorFilePath()
{
    return programFolder() + QStringLiteral("/HAND-M.CUR");
}

std::optional<QCursor> HandPointer::loadCursorFile(const QString &path)
{
    if (!FileExists(path))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Error(QStringLiteral("The pointer file \"%1\" cannot be read: %2.").arg(path, file.errorString()));
    const std::optional<QPoint> hotspot = cursorHotspot(file.read(6 + 16));
    file.close();
    QImageReader reader(path, "cur");
    const QImage image = reader.read();
    if (!hotspot || image.isNull())
        throw Error(QStringLiteral("The pointer file \"%1\" is not a cursor image.").arg(path));
    const QPoint spot(qBound(0, hotspot->x(), image.width() - 1), qBound(0, hotspot->y(), image.height() - 1));
    return QCursor(QPixmap::fromImage(image), spot.x(), spot.y());
}

HandPointer *HandPointer::apply(QWidget &window, const QList<QWidget *> &buttons, const QList<QWidget *> &arrowSurfaces)
{
    delete of(window);
    auto *pointer = new HandPointer(window);
    for (QWidget *surface : arrowSurfaces) {
        if (!surface)
            continue;
        if (holdsControls(*surface)) {
            pointer->watch(surface, Target::ArrowBareSurface);
        } else {
            pointer->watch(surface, Target::ArrowWhole);
            for (QWidget *part : surface->findChildren<QWidget *>())
                pointer->watch(part, Target::ArrowWhole);
        }
    }
    // Buttons last: a button inside a listed surface still shows the hand.
    for (QWidget *button : buttons) {
        if (button)
            pointer->watch(button, Target::Hand);
    }
    pointer->m_ownImage = loadCursorFile(cursorFilePath());
    return pointer;
}

void HandPointer::watch(QWidget *widget, Target target)
{
    if (!m_targets.contains(widget))
        widget->installEventFilter(this);
    m_targets.insert(widget, target);
    // Movement inside a widget reaches it only while it tracks the mouse.
    widget->setMouseTracking(true);
}

bool HandPointer::isBusy(const QWidget &window)
{
    if (const QCursor *override = QGuiApplication::overrideCursor(); override && isBusyShape(override->shape()))
        return true;
    return window.testAttribute(Qt::WA_SetCursor) && isBusyShape(window.cursor().shape());
}

int HandPointer::MousePointer() const
{
    return isBusy(m_window) ? Hourglass : m_state;
}

void HandPointer::setMousePointer(State state)
{
    if (isBusy(m_window))
        return;
    m_state = state;
    if (state == OwnImage && m_ownImage)
        m_window.setCursor(*m_ownImage);
    else
        m_window.unsetCursor(); // the default arrow; also state 99 without an own image
}

bool HandPointer::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::Enter && event->type() != QEvent::MouseMove)
        return false;
    const auto found = m_targets.constFind(watched);
    if (found == m_targets.constEnd())
        return false;
    switch (*found) {
    case Target::Hand:
        setMousePointer(OwnImage);
        break;
    case Target::ArrowWhole:
        setMousePointer(DefaultArrow);
        break;
    case Target::ArrowBareSurface: {
        // A move that a control passed on to its container lies over that
        // control, not over the bare surface.
        const auto *pointEvent = static_cast<const QSinglePointEvent *>(event);
        const auto *surface = static_cast<QWidget *>(watched);
        if (!surface->childAt(pointEvent->position().toPoint()))
            setMousePointer(DefaultArrow);
        break;
    }
    }
    return false;
}
