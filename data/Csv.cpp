#include "data/Csv.h"

#include "data/Utf8.h"

#include <QIODevice>

namespace Csv {
namespace {

constexpr char byteOrderMarkBytes[] = "\xEF\xBB\xBF";

// The buffer is written out once it holds this many characters.
constexpr qsizetype flushAt = 1 << 20;

int lineOfOffset(QByteArrayView bytes, qsizetype offset)
{
    return static_cast<int>(bytes.first(offset).count('\n')) + 1;
}

bool isFormulaStart(QChar c)
{
    return c == QLatin1Char('=') || c == QLatin1Char('+') || c == QLatin1Char('-') || c == QLatin1Char('@') ||
           c == QLatin1Char('\t') || c == QLatin1Char('\r');
}

// Whether the text is apostrophes (none or more) followed by a formula start.
bool looksLikeFormula(const QString &text, qsizetype apostrophesAtLeast)
{
    qsizetype i = 0;
    while (i < text.size() && text[i] == QLatin1Char('\''))
        ++i;
    return i >= apostrophesAtLeast && i < text.size() && isFormulaStart(text[i]);
}

} // namespace

NotUtf8::NotUtf8(int line, unsigned char byte)
    : Error(QStringLiteral("The file is not UTF-8 text: line %1 holds the byte 0x%2, which UTF-8 does not allow "
                           "there. Save the file as UTF-8, or read it as Latin-1 (ISO 8859-1).")
                .arg(line)
                .arg(QString::number(byte, 16).toUpper().rightJustified(2, QLatin1Char('0')))),
      m_line(line)
{
}

QChar detectSeparator(QStringView text)
{
    int commas = 0, semicolons = 0, tabs = 0;
    bool quoted = false;
    for (const QChar c : text) {
        if (c == QLatin1Char('"'))
            quoted = !quoted;
        else if (quoted)
            continue;
        else if (c == QLatin1Char('\n') || c == QLatin1Char('\r'))
            break;
        else if (c == QLatin1Char(','))
            ++commas;
        else if (c == QLatin1Char(';'))
            ++semicolons;
        else if (c == QLatin1Char('\t'))
            ++tabs;
    }
    if (semicolons > commas && semicolons >= tabs)
        return QLatin1Char(';');
    if (tabs > commas && tabs > semicolons)
        return QLatin1Char('\t');
    return QLatin1Char(',');
}

Document read(const QByteArray &bytes, Latin1 latin1)
{
    Document document;
    QByteArrayView body(bytes);
    if (body.startsWith(byteOrderMarkBytes)) {
        document.byteOrderMark = true;
        body = body.sliced(3);
    }
    QString text;
    const qsizetype bad = Utf8::firstInvalid(body);
    if (bad < 0)
        text = QString::fromUtf8(body);
    else if (latin1 == Latin1::Convert)
        text = QString::fromLatin1(body);
    else {
        // Name the byte that began the broken sequence, not the one after it
        // where the sequence was found broken ("Caf\xE9\r\n" breaks at CR).
        const auto byteAt = [&](qsizetype at) { return static_cast<unsigned char>(body[at]); };
        qsizetype lead = bad;
        while (lead > 0 && lead > bad - 3 && byteAt(lead) < 0xC0 && byteAt(lead - 1) >= 0x80)
            --lead;
        throw NotUtf8(lineOfOffset(body, lead), byteAt(lead));
    }

    const QChar separator = detectSeparator(text);
    document.separator = separator;
    const QChar *const data = text.constData();
    const qsizetype size = text.size();
    qsizetype i = 0;
    int line = 1;
    while (i < size) {
        // One record, starting at i on `line`.
        const int recordLine = line;
        QStringList fields;
        bool recordEnded = false;
        while (!recordEnded) {
            QString field;
            if (i < size && data[i] == QLatin1Char('"')) {
                const int openedOn = line;
                ++i;
                for (;;) {
                    qsizetype quote = i;
                    while (quote < size && data[quote] != QLatin1Char('"')) {
                        if (data[quote] == QLatin1Char('\n'))
                            ++line;
                        ++quote;
                    }
                    if (quote >= size)
                        throw Error(QStringLiteral("The quoted field that begins on line %1 never ends: a closing "
                                                   "quote (\") is missing.")
                                        .arg(openedOn));
                    field.append(data + i, quote - i);
                    i = quote + 1;
                    if (i < size && data[i] == QLatin1Char('"')) {
                        field.append(QLatin1Char('"'));
                        ++i;
                        continue;
                    }
                    break;
                }
            }
            // Unquoted text, or whatever follows a closing quote, up to the
            // separator or the end of the line.
            qsizetype end = i;
            while (end < size && data[end] != separator && data[end] != QLatin1Char('\n') &&
                   data[end] != QLatin1Char('\r'))
                ++end;
            field.append(data + i, end - i);
            fields.append(field);
            i = end;
            if (i < size && data[i] == separator) {
                ++i;
                continue;
            }
            // The end of the line or of the text.
            if (i < size && data[i] == QLatin1Char('\r'))
                ++i;
            if (i < size && data[i] == QLatin1Char('\n'))
                ++i;
            ++line;
            recordEnded = true;
        }
        if (fields.size() == 1 && fields.first().isEmpty())
            continue; // an empty line
        document.records.append(fields);
        document.lines.append(recordLine);
    }
    return document;
}

QString guarded(const QString &text)
{
    return looksLikeFormula(text, 0) ? QLatin1Char('\'') + text : text;
}

QString unguarded(const QString &text)
{
    return looksLikeFormula(text, 1) ? text.mid(1) : text;
}

Writer::Writer(QIODevice &device, bool byteOrderMark) : m_device(device)
{
    m_buffer.reserve(flushAt + 4096);
    if (byteOrderMark)
        m_buffer.append(QChar(0xFEFF));
}

Writer::~Writer() = default;

namespace {

void appendField(QString &out, const QString &field)
{
    bool needsQuotes = false;
    for (const QChar c : field)
        if (c == QLatin1Char(',') || c == QLatin1Char(';') || c == QLatin1Char('\t') || c == QLatin1Char('"') ||
            c == QLatin1Char('\n') || c == QLatin1Char('\r')) {
            needsQuotes = true;
            break;
        }
    // A field of blanks only is quoted too, so that no reader trims it away.
    if (!needsQuotes && !field.isEmpty() && field.trimmed().isEmpty())
        needsQuotes = true;
    if (!needsQuotes) {
        out.append(field);
        return;
    }
    out.append(QLatin1Char('"'));
    qsizetype from = 0;
    for (qsizetype quote = field.indexOf(QLatin1Char('"')); quote >= 0;
         quote = field.indexOf(QLatin1Char('"'), quote + 1)) {
        out.append(QStringView(field).sliced(from, quote + 1 - from));
        out.append(QLatin1Char('"'));
        from = quote + 1;
    }
    out.append(QStringView(field).sliced(from));
    out.append(QLatin1Char('"'));
}

} // namespace

void appendRecord(QString &out, const QStringList &fields)
{
    for (qsizetype f = 0; f < fields.size(); ++f) {
        if (f > 0)
            out.append(QLatin1Char(','));
        appendField(out, fields[f]);
    }
    out.append(QLatin1String("\r\n"));
}

void Writer::writeRecord(const QStringList &fields)
{
    appendRecord(m_buffer, fields);
    if (m_buffer.size() >= flushAt)
        flush();
}

void Writer::flush()
{
    const QByteArray bytes = m_buffer.toUtf8();
    m_buffer.clear();
    if (m_device.write(bytes) != bytes.size())
        throw Error(QStringLiteral("The file could not be written: %1").arg(m_device.errorString()));
}

} // namespace Csv
