#pragma once
// Draws report pages with QPainter on any paint device: the preview's
// screen, a printer, a PDF file. Text is drawn as text, so a PDF holds real,
// searchable text.

#include "reports/engine/ReportPages.h"

#include <QString>

#include <functional>

class QIODevice;
class QPagedPaintDevice;
class QPainter;

namespace ReportPainter {

// The footer line's font, and the page number it shows at the right:
// "Page 3 of 12", or "Page 3" while the pages are still being counted.
ReportFont footerFont();
QString pageNumberText(const ReportPages &pages, int pageIndex);

// Draws one page. The painter's coordinates must be twips from the paper's
// top-left corner (see scaleToTwips).
void paintPage(QPainter &painter, const ReportPages &pages, int pageIndex);

// Sets the painter so that one unit is one twip on a device of that resolution.
void scaleToTwips(QPainter &painter, qreal dpiX, qreal dpiY);

// Told after each page drawn: how many are done of how many. Returns false
// to stop (the user cancelled).
using Progress = std::function<bool(int done, int total)>;

// Draws the pages from first to last (0-based, inclusive) on a paged device
// whose painting origin is the paper's corner (a printer set to full page).
// Returns false when progress stopped it (the user cancelled), true when
// every page was drawn. Throws Error when the device cannot be painted on.
bool paintDocument(QPagedPaintDevice &device, const ReportPages &pages, int first, int last,
                   const Progress &progress = {});

// Writes the whole report as a PDF to an open device. Returns false when
// progress stopped it; throws Error when it cannot be written.
bool writePdf(QIODevice &device, const ReportPages &pages, const QString &title, const Progress &progress = {});

// Writes the whole report as a PDF file. The file is replaced only when the
// new one was written completely: when progress stopped it (false is
// returned) or it failed (Error is thrown, saying why), an earlier file stays
// as it was and no new one is left.
bool writePdfFile(const QString &path, const ReportPages &pages, const QString &title, const Progress &progress = {});

// The same for the pages from first to last (0-based, inclusive).
bool writePdfFile(const QString &path, const ReportPages &pages, int first, int last, const QString &title,
                  const Progress &progress = {});

} // namespace ReportPainter
