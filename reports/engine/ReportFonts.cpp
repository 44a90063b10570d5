#include "reports/engine/ReportFonts.h"

#include <QtMath>

QFont reportQFont(const ReportFont &font)
{
    QFont qfont(font.family);
    qfont.setPixelSize(qMax(1, qRound(font.pointSize * 20.0)));
    qfont.setBold(font.bold);
    qfont.setItalic(font.italic);
    // Hinting would fit glyphs to the measuring size; the pages are drawn at
    // many scales, so measure and draw the outlines as designed.
    qfont.setHintingPreference(QFont::PreferNoHinting);
    return qfont;
}
