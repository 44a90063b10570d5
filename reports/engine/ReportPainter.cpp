#include "reports/engine/ReportPainter.h"

#include "data/Error.h"

#include "reports/engine/ReportFonts.h"

#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace ReportPainter {

void scaleToTwips(QPainter &painter, qreal dpiX, qreal dpiY)
{
    painter.scale(dpiX / 1440.0, dpiY / 1440.0);
}

ReportFont footerFont()
{
    return {QStringLiteral("Arial"), 8.25, false, false};
}

QString pageNumberText(const ReportPages &pages, int pageIndex)
{
    return pages.totalPages > 0 ? QStringLiteral("Page %1 of %2").arg(pageIndex + 1).arg(pages.totalPages)
                                : QStringLiteral("Page %1").arg(pageIndex + 1);
}

namespace {

// The date the report was made at the left, the page's number at the right.
void paintFooter(QPainter &painter, const ReportPages &pages, int pageIndex)
{
    if (pages.printedOn.isEmpty())
        return;
    painter.setFont(reportQFont(footerFont()));
    const QString number = pageNumberText(pages, pageIndex);
    painter.drawText(QPointF(pages.footerLeft, pages.footerBaseline), pages.printedOn);
    const qreal width = painter.fontMetrics().horizontalAdvance(number);
    painter.drawText(QPointF(pages.footerRight - width, pages.footerBaseline), number);
}

} // namespace

void paintPage(QPainter &painter, const ReportPages &pages, int pageIndex)
{
    if (pageIndex < 0 || pageIndex >= pages.count())
        return;
    std::vector<QFont> fonts;
    fonts.reserve(pages.fonts.size());
    for (const ReportFont &font : pages.fonts)
        fonts.push_back(reportQFont(font));

    painter.save();
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    int currentFont = -1;
    for (const PageItem &item : pages.pages[pageIndex].items) {
        if (item.text.isEmpty())
            continue;
        if (item.font != currentFont) {
            painter.setFont(fonts[item.font]);
            currentFont = item.font;
        }
        const QPointF origin(item.box.left(), item.baseline);
        if (item.clip) {
            painter.save();
            painter.setClipRect(item.box, Qt::IntersectClip);
            painter.drawText(origin, item.text);
            painter.restore();
        } else {
            painter.drawText(origin, item.text);
        }
    }
    paintFooter(painter, pages, pageIndex);
    painter.restore();
}

bool paintDocument(QPagedPaintDevice &device, const ReportPages &pages, int first, int last, const Progress &progress)
{
    const QString cannotDraw = QStringLiteral("The report could not be drawn.");
    first = qMax(0, first);
    last = qMin(last, pages.count() - 1);
    QPainter painter;
    if (!painter.begin(&device))
        throw Error(cannotDraw);
    for (int index = first; index <= last; ++index) {
        if (index > first && !device.newPage()) {
            painter.end();
            throw Error(cannotDraw);
        }
        painter.resetTransform();
        scaleToTwips(painter, device.logicalDpiX(), device.logicalDpiY());
        paintPage(painter, pages, index);
        if (progress && !progress(index - first + 1, last - first + 1)) {
            painter.end();
            return false;
        }
    }
    if (!painter.end())
        throw Error(cannotDraw);
    return true;
}

namespace {

bool writePdfPages(QIODevice &device, const ReportPages &pages, int first, int last, const QString &title,
                   const Progress &progress)
{
    QPdfWriter writer(&device);
    writer.setTitle(title);
    writer.setCreator(QStringLiteral("Marrowdesk"));
    writer.setResolution(1200);
    // No margins: the pages carry their own, so the origin is the paper's corner.
    if (!writer.setPageLayout(QPageLayout(pages.paper.size, pages.paper.orientation, QMarginsF())))
        throw Error(QStringLiteral("The report could not be drawn."));
    return paintDocument(writer, pages, first, last, progress);
}

} // namespace

bool writePdf(QIODevice &device, const ReportPages &pages, const QString &title, const Progress &progress)
{
    return writePdfPages(device, pages, 0, pages.count() - 1, title, progress);
}

bool writePdfFile(const QString &path, const ReportPages &pages, const QString &title, const Progress &progress)
{
    return writePdfFile(path, pages, 0, pages.count() - 1, title, progress);
}

bool writePdfFile(const QString &path, const ReportPages &pages, int first, int last, const QString &title,
                  const Progress &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(file.errorString());
    bool completed = false;
    try {
        completed = writePdfPages(file, pages, first, last, title, progress);
    } catch (const Error &) {
        file.cancelWriting();
        // A failed write to the file says more than a failed drawing.
        if (file.error() != QFileDevice::NoError)
            throw Error(file.errorString());
        throw;
    }
    if (!completed) {
        file.cancelWriting();
        return false;
    }
    if (!file.commit())
        throw Error(file.errorString());
    return true;
}

} // namespace ReportPainter
