#include "platform/ScreenFit.h"

#include "platform/Twips.h"

#include <QDialog>
#include <QGuiApplication>
#include <QScreen>
#include <QScrollArea>

namespace platform {

void fitWithin(QDialog &window, const QSize &room)
{
    const QSize design = window.size();
    if ((design.width() <= room.width() && design.height() <= room.height()) ||
        window.findChild<QScrollArea *>(QStringLiteral("screenFit"), Qt::FindDirectChildrenOnly))
        return;
    // The order the keyboard visits the controls in, to restore after the
    // move; a control's own parts (a list's viewport) follow it by themselves.
    QList<QWidget *> tabOrder;
    for (QWidget *next = window.nextInFocusChain(); next && next != &window; next = next->nextInFocusChain())
        if (next->parentWidget() == &window)
            tabOrder.append(next);

    auto *content = new QWidget;
    content->setObjectName(QStringLiteral("screenFitContent"));
    content->setFixedSize(design);
    for (QWidget *control : window.findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (control->isWindow())
            continue;
        const bool hidden = control->isHidden();
        control->setParent(content);
        control->setHidden(hidden);
    }
    auto *area = new QScrollArea(&window);
    area->setObjectName(QStringLiteral("screenFit"));
    area->setFrameShape(QFrame::NoFrame);
    area->setWidget(content);
    const QSize fitted = design.boundedTo(room);
    window.setFixedSize(fitted);
    area->setGeometry(0, 0, fitted.width(), fitted.height());
    area->show();
    for (qsizetype i = 1; i < tabOrder.size(); ++i)
        QWidget::setTabOrder(tabOrder[i - 1], tabOrder[i]);
}

void fitOnScreen(QDialog &window)
{
    const QScreen *screen = window.screen();
    if (!screen)
        return;
    // Before the window is first mapped its frame is unknown: allow for a
    // title bar of about twice the font's height.
    QSize frame = window.frameGeometry().size() - window.geometry().size();
    if (frame.isEmpty())
        frame = QSize(0, 2 * window.fontMetrics().height());
    fitWithin(window, screen->availableGeometry().size() - frame);
}

void centreOnScreen(QWidget &window, ScreenArea area)
{
    const QScreen *screen = window.screen() ? window.screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect room = area == ScreenArea::Whole ? screen->geometry() : screen->availableGeometry();
    const QRect frame = window.frameGeometry();
    const double left = (pixelsToTwips(room.width()) - pixelsToTwips(frame.width())) / 2;
    const double top = (pixelsToTwips(room.height()) - pixelsToTwips(frame.height())) / 2;
    window.move(room.left() + twipsToPixels(left), room.top() + twipsToPixels(top));
}

} // namespace platform
