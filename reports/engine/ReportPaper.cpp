#include "reports/engine/ReportPages.h"

#include <QLocale>

QSizeF ReportPaper::twips() const
{
    // From the size's own units, so that A4 stays exactly 210 by 297 mm.
    QSizeF defined = size.definitionSize();
    qreal perUnit = 1440.0;
    if (size.definitionUnits() == QPageSize::Millimeter) {
        perUnit = 1440.0 / 25.4;
    } else if (size.definitionUnits() != QPageSize::Inch) {
        defined = size.size(QPageSize::Point);
        perUnit = 20.0;
    }
    QSizeF portrait(defined.width() * perUnit, defined.height() * perUnit);
    if (portrait.width() > portrait.height())
        portrait.transpose();
    return orientation == QPageLayout::Landscape ? portrait.transposed() : portrait;
}

ReportPaper ReportPaper::forLocale(QPageLayout::Orientation orientation)
{
    const bool inches = QLocale().measurementSystem() == QLocale::ImperialUSSystem;
    return {QPageSize(inches ? QPageSize::Letter : QPageSize::A4), orientation};
}
