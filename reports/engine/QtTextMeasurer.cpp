#include "reports/engine/ReportFonts.h"
#include "reports/engine/TextMeasurer.h"

#include <QFontMetricsF>
#include <QHash>
#include <QTextLayout>
#include <QTextOption>

#include <array>

// Each font is measured through one QFontMetricsF, made once. Table reports
// print the same short texts (names, statuses, dates) on many rows, so
// widths are remembered per font.
struct QtTextMeasurer::FontEntry {
    ReportFont reportFont;
    QFont font;
    QFontMetricsF metrics;
    QHash<QString, qreal> widths;
    // The advance of each character from the blank to U+00FF on its own.
    std::array<qreal, 256> latinAdvances{};
};

namespace {

// Enough remembered widths for the repeated texts of a large report; beyond
// that every text is measured afresh rather than memory growing without end.
constexpr qsizetype maxRememberedWidths = 1 << 16;

// Shaping can only narrow a Latin text against the sum of its characters'
// own advances (kerning pairs, ligatures) by a little; a text whose sum stays
// this far inside a width fits without being shaped.
constexpr qreal fitSafetyFactor = 1.03;
constexpr qreal fitSafetyTwips = 40;

} // namespace

QtTextMeasurer::QtTextMeasurer() = default;
QtTextMeasurer::~QtTextMeasurer() = default;

QtTextMeasurer::FontEntry &QtTextMeasurer::entry(const ReportFont &font)
{
    for (FontEntry &known : m_fonts)
        if (known.reportFont == font)
            return known;
    const QFont qfont = reportQFont(font);
    m_fonts.push_back(FontEntry{font, qfont, QFontMetricsF(qfont), {}, {}});
    FontEntry &added = m_fonts.back();
    for (char16_t c = 0x20; c < 0x100; ++c)
        added.latinAdvances[c] = added.metrics.horizontalAdvance(QChar(c));
    return added;
}

TextMeasurer::Metrics QtTextMeasurer::metrics(const ReportFont &font)
{
    const QFontMetricsF &fm = entry(font).metrics;
    return {fm.ascent(), fm.lineSpacing()};
}

qreal QtTextMeasurer::width(const ReportFont &font, const QString &text)
{
    FontEntry &known = entry(font);
    const auto found = known.widths.constFind(text);
    if (found != known.widths.constEnd())
        return found.value();
    const qreal advance = known.metrics.horizontalAdvance(text);
    if (known.widths.size() < maxRememberedWidths)
        known.widths.insert(text, advance);
    return advance;
}

bool QtTextMeasurer::fits(const ReportFont &font, const QString &text, qreal width)
{
    // Most texts of a report are short Latin texts in wide boxes: adding up
    // the characters' advances settles those without shaping the text.
    const FontEntry &known = entry(font);
    qreal sum = 0;
    bool latin = true;
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        if (u < 0x20 || u > 0xFF) {
            latin = false;
            break;
        }
        sum += known.latinAdvances[u];
    }
    if (latin && sum * fitSafetyFactor + fitSafetyTwips <= width)
        return true;
    if (latin && sum >= (width + fitSafetyTwips) * fitSafetyFactor)
        return false;
    return this->width(font, text) <= width;
}

int QtTextMeasurer::fittingLength(const ReportFont &font, const QString &text, qreal width)
{
    if (text.isEmpty())
        return 0;
    const FontEntry &known = entry(font);
    // A Latin text: count characters until their advances pass the width by
    // the safety margin, which errs towards a few characters more.
    qreal sum = 0;
    qsizetype count = 0;
    for (; count < text.size(); ++count) {
        const char16_t u = text.at(count).unicode();
        if (u < 0x20 || u > 0xFF)
            break;
        if (sum > width * fitSafetyFactor + fitSafetyTwips)
            return static_cast<int>(count);
        sum += known.latinAdvances[u];
    }
    if (count == text.size())
        return static_cast<int>(count);
    QTextLayout layout(text, known.font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine line = layout.createLine();
    int length = 0;
    if (line.isValid()) {
        line.setLineWidth(width);
        length = line.textLength();
    }
    layout.endLayout();
    return length;
}

std::vector<TextMeasurer::Line> QtTextMeasurer::wrap(const ReportFont &font, const QString &text, qreal width)
{
    std::vector<Line> lines;
    if (text.isEmpty())
        return lines;
    const FontEntry &known = entry(font);
    const qreal minHeight = known.metrics.lineSpacing();
    const qreal minAscent = known.metrics.ascent();

    QTextLayout layout(text, known.font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.setCacheEnabled(false);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(width);
        // A line in a taller fallback font (another script, an emoji) keeps
        // its own height, so lines never overlap.
        lines.push_back(
            {line.textStart(), line.textLength(), qMax(minHeight, line.height()), qMax(minAscent, line.ascent())});
    }
    layout.endLayout();
    return lines;
}
