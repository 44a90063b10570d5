#include "reports/ReportPageView.h"

#include "reports/engine/ReportPainter.h"

#include <QPaintEvent>
#include <QPainter>

ReportPageView::ReportPageView(QWidget *parent) : QWidget(parent)
{
    setAttribute(Qt::WA_OpaquePaintEvent);
}

QSizeF ReportPageView::paperPixels() const
{
    if (!m_pages)
        return {};
    return QSizeF(m_pages->size.width() * logicalDpiX() / 1440.0, m_pages->size.height() * logicalDpiY() / 1440.0);
}

void ReportPageView::showPage(const ReportPages *pages, int index, qreal zoom)
{
    m_pages = pages;
    m_index = index;
    m_zoom = zoom;
    const QSizeF paper = paperPixels() * m_zoom;
    resize(qCeil(paper.width()) + 2 * deskMargin, qCeil(paper.height()) + 2 * deskMargin);
    update();
}

void ReportPageView::paintEvent(QPaintEvent *event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().color(QPalette::Dark));
    if (!m_pages)
        return;
    const QSizeF paper = paperPixels() * m_zoom;
    const QRectF sheet(deskMargin, deskMargin, paper.width(), paper.height());
    painter.fillRect(sheet.translated(3, 3), QColor(0, 0, 0, 60));
    painter.fillRect(sheet, Qt::white);
    painter.setPen(QColor(120, 120, 120));
    painter.drawRect(sheet.adjusted(-0.5, -0.5, 0.5, 0.5));

    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setClipRect(sheet.intersected(QRectF(event->rect())));
    painter.translate(sheet.topLeft());
    ReportPainter::scaleToTwips(painter, logicalDpiX() * m_zoom, logicalDpiY() * m_zoom);
    ReportPainter::paintPage(painter, *m_pages, m_index);
}
