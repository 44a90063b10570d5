#include "ReportTestSupport.h"

#include <QProcess>
#include <QTest>

QStringList issueColumns()
{
    return {QStringLiteral("ID"),       QStringLiteral("Title"),          QStringLiteral("Assigned To Name"),
            QStringLiteral("Priority"), QStringLiteral("Status"),         QStringLiteral("Category"),
            QStringLiteral("Due Date"), QStringLiteral("Opened By Name"), QStringLiteral("Opened Date"),
            QStringLiteral("Comment")};
}

ReportData numberedRows(int count)
{
    ReportData rows(issueColumns());
    for (int i = 0; i < count; ++i) {
        const QString n = QStringLiteral("%1").arg(i, 4, 10, QLatin1Char('0'));
        rows.appendRow({QString::number(i + 1), QStringLiteral("Issue ") + n, QStringLiteral("Ann ") + n,
                        QStringLiteral("P") + n, QStringLiteral("S") + n, QStringLiteral("C") + n,
                        QStringLiteral("1/2/2030"), QStringLiteral("Bob ") + n, QStringLiteral("8/31/2021"),
                        QString()});
    }
    return rows;
}

int FixedMeasurer::fittingLength(const ReportFont &, const QString &text, qreal width)
{
    return qMin<int>(text.size(), qMax(1, static_cast<int>(width / charWidth)));
}

std::vector<TextMeasurer::Line> FixedMeasurer::wrap(const ReportFont &, const QString &text, qreal width)
{
    std::vector<Line> lines;
    const int perLine = qMax(1, static_cast<int>(width / charWidth));
    int start = 0;
    while (start < text.size()) {
        int end = start;
        while (end < text.size() && end - start < perLine && text.at(end) != QChar(0x2028))
            ++end;
        if (end < text.size() && text.at(end) == QChar(0x2028))
            ++end; // the separator ends its line
        lines.push_back({start, end - start, lineHeight, 160});
        start = end;
    }
    return lines;
}

std::vector<PageItem> itemsOf(const ReportPage &page, int section, int row)
{
    std::vector<PageItem> found;
    for (const PageItem &item : page.items)
        if (item.section == section && (row == -2 || item.row == row))
            found.push_back(item);
    return found;
}

QList<int> rowsOnPage(const ReportPage &page)
{
    QList<int> rows;
    for (const PageItem &item : page.items)
        if (item.row >= 0 && (rows.isEmpty() || rows.last() != item.row) && !rows.contains(item.row))
            rows.append(item.row);
    return rows;
}

QString textOf(const ReportPages &pages, int row, int control)
{
    QString text;
    for (const ReportPage &page : pages.pages)
        for (const PageItem &item : page.items)
            if (item.row == row && item.control == control && item.section == ReportLayout::Detail)
                text += item.text;
    return text;
}

QString pdfText(const QString &path)
{
    QProcess process;
    process.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), QStringLiteral("-enc"),
                                                QStringLiteral("UTF-8"), path, QStringLiteral("-")});
    if (!process.waitForFinished(60000) || process.exitCode() != 0) {
        qWarning("pdftotext failed on %s: %s", qPrintable(path), process.readAllStandardError().constData());
        return QString();
    }
    return QString::fromUtf8(process.readAllStandardOutput());
}

bool inOrder(const QString &haystack, const QStringList &needles, QString *missing)
{
    qsizetype from = 0;
    for (const QString &needle : needles) {
        const qsizetype at = haystack.indexOf(needle, from);
        if (at < 0) {
            if (missing)
                *missing = needle;
            return false;
        }
        from = at + needle.size();
    }
    return true;
}
