#pragma once
// What pagination needs to know about text: how wide a line is, how many
// characters fit in a width, and how a text wraps into lines. Everything is
// in twips. Pagination takes the measurer as an argument, so it can be
// driven by the real fonts or by fixed numbers.

#include "reports/engine/ReportLayout.h"

#include <QString>

#include <vector>

class TextMeasurer {
public:
    struct Metrics {
        qreal ascent = 0;      // baseline below the top of a line
        qreal lineSpacing = 0; // from one line's top to the next
    };
    struct Line {
        int start = 0;  // first character in the text
        int length = 0; // characters, the line break included
        qreal height = 0;
        qreal ascent = 0;
    };

    virtual ~TextMeasurer() = default;

    virtual Metrics metrics(const ReportFont &font) = 0;

    // The advance of a text written on one line.
    virtual qreal width(const ReportFont &font, const QString &text) = 0;

    // True when a text written on one line is no wider than the width.
    virtual bool fits(const ReportFont &font, const QString &text, qreal width)
    {
        return this->width(font, text) <= width;
    }

    // How many characters from the start of a one-line text fit in the
    // width: never fewer, and at most a few more (their glyphs then cross
    // the edge, where a clip cuts them).
    virtual int fittingLength(const ReportFont &font, const QString &text, qreal width) = 0;

    // Breaks a text into lines no wider than the width: at word boundaries
    // where there are any, anywhere inside a word longer than a line, and at
    // every line separator (U+2028).
    virtual std::vector<Line> wrap(const ReportFont &font, const QString &text, qreal width) = 0;
};

// Measures with the real fonts (the program's fonts are sized so that one
// pixel is one twip).
class QtTextMeasurer final : public TextMeasurer {
public:
    QtTextMeasurer();
    ~QtTextMeasurer() override;

    Metrics metrics(const ReportFont &font) override;
    qreal width(const ReportFont &font, const QString &text) override;
    bool fits(const ReportFont &font, const QString &text, qreal width) override;
    int fittingLength(const ReportFont &font, const QString &text, qreal width) override;
    std::vector<Line> wrap(const ReportFont &font, const QString &text, qreal width) override;

private:
    struct FontEntry;
    FontEntry &entry(const ReportFont &font);
    std::vector<FontEntry> m_fonts;
};
