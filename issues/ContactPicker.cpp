#include "issues/ContactPicker.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QMouseEvent>

ContactPicker::ContactPicker(QWidget *parent) : QComboBox(parent) {}

void ContactPicker::showPopup()
{
    m_sincePopup.start();
    QComboBox::showPopup();
    // The list lives in a container window of its own, made on first use;
    // where the style lays the list over the box, the press lands on the
    // list's viewport instead.
    QWidget *popup = view() ? view()->window() : nullptr;
    if (popup && popup != window() && popup != m_watchedPopup) {
        popup->installEventFilter(this);
        view()->viewport()->installEventFilter(this);
        m_watchedPopup = popup;
        m_watchedViewport = view()->viewport();
    }
}

void ContactPicker::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        reportDoubleClick();
        return;
    }
    QComboBox::mouseDoubleClickEvent(event);
}

bool ContactPicker::eventFilter(QObject *watched, QEvent *event)
{
    if ((watched == m_watchedPopup || watched == m_watchedViewport) &&
        (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick)) {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const bool onBox = rect().contains(mapFromGlobal(mouse->globalPosition().toPoint()));
        if (mouse->button() == Qt::LeftButton && onBox && m_sincePopup.isValid() &&
            m_sincePopup.elapsed() <= QApplication::doubleClickInterval()) {
            reportDoubleClick();
            return true;
        }
    }
    return QComboBox::eventFilter(watched, event);
}

void ContactPicker::reportDoubleClick()
{
    m_sincePopup.invalidate();
    hidePopup();
    emit doubleClicked();
}
