#include "reports/engine/Paginator.h"

#include "data/DateText.h"

#include "data/Error.h"

#include <QDate>
#include <QLocale>

#include <array>
#include <limits>

namespace {

constexpr QChar lineSeparator(0x2028);

bool breaksLine(QChar c)
{
    const char16_t u = c.unicode();
    return u < 0x20 || u == 0x85 || u == 0x2028 || u == 0x2029;
}

// A text for a one-line box: line breaks and other control characters become
// blanks, and the text is cut where no box could show more.
QString singleLine(const QString &text)
{
    qsizetype length = text.size();
    if (length > ReportText::maxLineLength) {
        length = ReportText::maxLineLength;
        if (text.at(length - 1).isHighSurrogate())
            --length;
    }
    qsizetype first = 0;
    while (first < length && !breaksLine(text.at(first)))
        ++first;
    if (first == length)
        return length == text.size() ? text : text.left(length);
    QString line = text.left(length);
    for (qsizetype i = first; i < length; ++i)
        if (breaksLine(line.at(i)))
            line[i] = QLatin1Char(' ');
    return line;
}

// A text for a box that grows: each line break (CR LF, CR or LF) becomes one
// line separator; other control characters but the tab become blanks.
QString multiLine(const QString &text)
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('\r')) {
            if (i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'))
                ++i;
            result.append(lineSeparator);
        } else if (c == QLatin1Char('\n') || c == QChar(0x2029) || c == QChar(0x85)) {
            result.append(lineSeparator);
        } else if (c.unicode() < 0x20 && c != QLatin1Char('\t')) {
            result.append(QLatin1Char(' '));
        } else {
            result.append(c);
        }
    }
    return result;
}

} // namespace

class Paginator {
public:
    Paginator(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper, TextMeasurer &measurer)
        : m_layout(layout), m_rows(rows), m_measurer(measurer)
    {
        m_result.paper = paper;
        m_result.size = paper.twips();
        m_left = layout.leftMargin;
        m_top = layout.topMargin;
        m_bottom = m_result.size.height() - layout.bottomMargin - layout.sections[ReportLayout::PageFooter].height;
        // The footer line stands in the middle of the bottom margin.
        // Its date is written as the body writes dates, with the whole year,
        // and its page number ends where the body's widest line ends.
        m_result.printedOn = QStringLiteral("Printed %1").arg(DateText::toText(QDate::currentDate()));
        m_result.footerBaseline = m_result.size.height() - layout.bottomMargin / 2.0;
        m_result.footerLeft = layout.leftMargin;
        m_result.footerRight = layout.reportWidth > 0 ? layout.leftMargin + layout.reportWidth
                                                      : m_result.size.width() - layout.rightMargin;

        for (int s = 0; s < ReportLayout::SectionCount; ++s) {
            for (const ReportControl &control : layout.sections[s].controls) {
                m_fontOf[s].push_back(fontIndex(control.font));
                int column = -1;
                if (control.kind == ReportControl::Kind::TextBox) {
                    column = rows.columnIndex(control.column);
                    if (column < 0)
                        throw Error(
                            QStringLiteral("The column \"%1\" is not in the result of the query.").arg(control.column));
                }
                m_columnOf[s].push_back(column);
            }
        }
        const std::vector<ReportControl> &detail = layout.sections[ReportLayout::Detail].controls;
        for (size_t i = 0; i < detail.size() && m_grow < 0; ++i)
            if (detail[i].canGrow && detail[i].kind == ReportControl::Kind::TextBox)
                m_grow = static_cast<int>(i);
    }

    bool layOutRows(int count)
    {
        if (m_complete)
            return true;
        const int rowCount = m_rows.rowCount();
        if (m_result.pages.empty()) {
            m_result.pages.reserve(static_cast<size_t>(rowCount) / 20 + 1);
            newPage(true);
        }
        for (; count > 0 && m_next < rowCount; --count)
            placeDetail(m_next++);
        if (m_next == rowCount) {
            placeReportFooter();
            m_complete = true;
            m_result.totalPages = m_result.count();
        }
        return m_complete;
    }

    bool complete() const { return m_complete; }
    int rowsPlaced() const { return m_next; }
    const ReportPages &pages() const { return m_result; }
    ReportPages &pages() { return m_result; }

private:
    quint16 fontIndex(const ReportFont &font)
    {
        for (size_t i = 0; i < m_result.fonts.size(); ++i)
            if (m_result.fonts[i] == font)
                return static_cast<quint16>(i);
        m_result.fonts.push_back(font);
        m_metrics.push_back(m_measurer.metrics(font));
        return static_cast<quint16>(m_result.fonts.size() - 1);
    }

    ReportPage &page() { return m_result.pages.back(); }

    const ReportSection &section(int index) const { return m_layout.sections[index]; }

    void newPage(bool first = false)
    {
        m_result.pages.emplace_back();
        m_y = m_top;
        if (first) {
            placeSection(ReportLayout::ReportHeader, m_y, -1);
            m_y += section(ReportLayout::ReportHeader).height;
        }
        placeSection(ReportLayout::PageHeader, m_y, -1);
        m_y += section(ReportLayout::PageHeader).height;
        placeSection(ReportLayout::PageFooter, m_bottom, -1);
        m_bodyTop = m_y;
    }

    void placeSection(int sectionIndex, qreal top, int row)
    {
        const auto &controls = section(sectionIndex).controls;
        for (size_t i = 0; i < controls.size(); ++i)
            placeOneLine(sectionIndex, static_cast<int>(i), top, row);
    }

    QRectF innerBox(const ReportControl &control, qreal top, qreal height) const
    {
        return QRectF(m_left + control.left + ReportText::padding, top,
                      qMax<qreal>(0, control.width - 2 * ReportText::padding), height);
    }

    // A box of fixed size: its text on one line, cut at the box's edges.
    void placeOneLine(int sectionIndex, int controlIndex, qreal sectionTop, int row)
    {
        const ReportControl &control = section(sectionIndex).controls[controlIndex];
        const quint16 font = m_fontOf[sectionIndex][controlIndex];
        PageItem item;
        item.box = innerBox(control, sectionTop + control.top, control.height);
        item.baseline = item.box.top() + m_metrics[font].ascent;
        item.row = row;
        item.font = font;
        item.control = static_cast<quint16>(controlIndex);
        item.section = static_cast<quint8>(sectionIndex);
        const int column = m_columnOf[sectionIndex][controlIndex];
        item.text = singleLine(column < 0 ? control.caption : m_rows.cell(row, column));
        if (!item.text.isEmpty() && !m_measurer.fits(control.font, item.text, item.box.width()))
            item.text = cutWithEllipsis(control.font, item.text, item.box.width());
        page().items.push_back(std::move(item));
    }

    // The longest start of the text that fits with an ellipsis after it. The
    // ellipsis stands at the text's logical end, so a right-to-left text
    // keeps its first letters and shows it at its left; the cut characters
    // are gone, not hidden, so they are not in a PDF's text either.
    QString cutWithEllipsis(const ReportFont &font, const QString &text, qreal width)
    {
        static const QString ellipsis(QChar(0x2026));
        const qreal room = width - m_measurer.width(font, ellipsis);
        qsizetype keep = room > 0 ? qMin<qsizetype>(m_measurer.fittingLength(font, text, room), text.size()) : 0;
        if (keep > 0 && text.at(keep - 1).isHighSurrogate())
            --keep;
        // The measured start may hold a few characters more than fit: take
        // them off by their own advances, so the start is shaped only once
        // (a report cuts thousands of titles), then check the result whole.
        qreal kept = keep > 0 ? m_measurer.width(font, text.left(keep)) : 0;
        const auto dropLast = [&] {
            const qsizetype size = keep >= 2 && text.at(keep - 1).isLowSurrogate() ? 2 : 1;
            kept -= m_measurer.width(font, text.mid(keep - size, size));
            keep -= size;
        };
        while (keep > 0 && kept > room)
            dropLast();
        QString shown;
        for (;;) {
            shown = text.left(keep);
            while (!shown.isEmpty() && shown.back().isSpace())
                shown.chop(1);
            shown += ellipsis;
            if (keep == 0 || m_measurer.fits(font, shown, width))
                return shown;
            dropLast();
        }
    }

    void placeDetail(int row)
    {
        const ReportSection &detail = section(ReportLayout::Detail);
        const qreal pageCapacity = m_bottom - (m_top + section(ReportLayout::PageHeader).height);

        QString growText;
        std::vector<TextMeasurer::Line> lines;
        qreal linesHeight = 0;
        qreal growth = 0;
        if (m_grow >= 0) {
            const ReportControl &box = detail.controls[m_grow];
            growText = multiLine(m_rows.cell(row, m_columnOf[ReportLayout::Detail][m_grow]));
            lines = m_measurer.wrap(box.font, growText, qMax<qreal>(1, box.width - 2 * ReportText::padding));
            for (const TextMeasurer::Line &line : lines)
                linesHeight += line.height;
            growth = qMax<qreal>(0, linesHeight - box.height);
        }
        const qreal blockHeight = detail.height + growth;

        if (m_y + blockHeight > m_bottom && m_y > m_bodyTop) {
            if (blockHeight <= pageCapacity) {
                newPage();
            } else {
                // Taller than any page: start here when the fixed part and the
                // first line of the growing text fit, else on a new page.
                qreal head = detail.height;
                if (m_grow >= 0)
                    head = detail.controls[m_grow].top + (lines.empty() ? 0 : lines.front().height);
                if (m_y + head > m_bottom)
                    newPage();
            }
        }
        placeBlock(row, growText, lines);
    }

    // Above a text continued on a new page, the boxes of the block's first
    // line again (the issue's ID and title), so the page says whose text it
    // is. Returns where the continued text starts.
    qreal repeatBlockHead(int row, qreal top)
    {
        const ReportSection &detail = section(ReportLayout::Detail);
        qreal height = 0;
        for (size_t i = 0; i < detail.controls.size(); ++i) {
            const ReportControl &control = detail.controls[i];
            if (static_cast<int>(i) == m_grow || control.top != 0)
                continue;
            placeOneLine(ReportLayout::Detail, static_cast<int>(i), top, row);
            height = qMax<qreal>(height, control.height);
        }
        return top + height;
    }

    void placeBlock(int row, const QString &growText, const std::vector<TextMeasurer::Line> &lines)
    {
        const ReportSection &detail = section(ReportLayout::Detail);
        const qreal top = m_y;
        if (m_grow < 0) {
            placeSection(ReportLayout::Detail, top, row);
            m_y = top + detail.height;
            return;
        }
        const ReportControl &box = detail.controls[m_grow];
        const qreal boxBottom = box.top + box.height; // within the section, before growing

        // Boxes that start above the growing box's lower edge keep their places.
        std::vector<int> below;
        for (size_t i = 0; i < detail.controls.size(); ++i) {
            if (static_cast<int>(i) == m_grow)
                continue;
            if (detail.controls[i].top < boxBottom)
                placeOneLine(ReportLayout::Detail, static_cast<int>(i), top, row);
            else
                below.push_back(static_cast<int>(i));
        }

        // The growing text, line by line, continuing on the next page when
        // the page is full.
        const quint16 font = m_fontOf[ReportLayout::Detail][m_grow];
        qreal cursor = top + box.top;
        bool broke = false;
        for (const TextMeasurer::Line &line : lines) {
            if (cursor + line.height > m_bottom && cursor > m_bodyTop) {
                newPage();
                cursor = repeatBlockHead(row, m_y);
                broke = true;
            }
            PageItem item;
            item.box = innerBox(box, cursor, line.height);
            item.baseline = cursor + line.ascent;
            item.row = row;
            item.font = font;
            item.control = static_cast<quint16>(m_grow);
            item.section = ReportLayout::Detail;
            qsizetype length = line.length;
            while (length > 0 && growText.at(line.start + length - 1) == lineSeparator)
                --length;
            item.text = growText.mid(line.start, length);
            page().items.push_back(std::move(item));
            cursor += line.height;
        }

        // The rest of the block follows the growing box's lower edge.
        qreal boxEnd = broke ? cursor : qMax(cursor, top + boxBottom);
        const qreal rest = detail.height - boxBottom;
        if (!below.empty() && boxEnd + rest > m_bottom && boxEnd > m_bodyTop) {
            newPage();
            boxEnd = m_y;
        }
        for (const int i : below)
            placeOneLine(ReportLayout::Detail, i, boxEnd - boxBottom, row);
        m_y = boxEnd + rest;
    }

    void placeReportFooter()
    {
        const ReportSection &footer = section(ReportLayout::ReportFooter);
        // An empty footer only takes up space; it never opens a page of its own.
        if (footer.controls.empty())
            return;
        if (m_y + footer.height > m_bottom && m_y > m_bodyTop)
            newPage();
        placeSection(ReportLayout::ReportFooter, m_y, -1);
        m_y += footer.height;
    }

    const ReportLayout &m_layout;
    const ReportData &m_rows;
    TextMeasurer &m_measurer;
    ReportPages m_result;
    std::vector<TextMeasurer::Metrics> m_metrics; // per font index
    std::array<std::vector<quint16>, ReportLayout::SectionCount> m_fontOf;
    std::array<std::vector<int>, ReportLayout::SectionCount> m_columnOf;
    int m_grow = -1; // the detail control that grows, if any
    qreal m_left = 0;
    qreal m_top = 0;
    qreal m_bottom = 0;  // lowest y a detail may reach on a page
    qreal m_bodyTop = 0; // below the headers of the current page
    qreal m_y = 0;
    int m_next = 0; // the next row to place
    bool m_complete = false;
};

ReportPages paginate(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper,
                     TextMeasurer &measurer)
{
    Paginator paginator(layout, rows, paper, measurer);
    paginator.layOutRows(std::numeric_limits<int>::max());
    return std::move(paginator.pages());
}

ReportPaginator::ReportPaginator(const ReportLayout &layout, const ReportData &rows, const ReportPaper &paper,
                                 TextMeasurer &measurer)
    : m_paginator(std::make_unique<Paginator>(layout, rows, paper, measurer))
{
}

ReportPaginator::~ReportPaginator() = default;

bool ReportPaginator::layOutRows(int count)
{
    return m_paginator->layOutRows(count);
}

bool ReportPaginator::complete() const
{
    return m_paginator->complete();
}

int ReportPaginator::rowsPlaced() const
{
    return m_paginator->rowsPlaced();
}

const ReportPages &ReportPaginator::pages() const
{
    return m_paginator->pages();
}

int ReportPaginator::finishedPages() const
{
    const int count = m_paginator->pages().count();
    return m_paginator->complete() ? count : qMax(0, count - 1);
}
