#include "data/Csv.h"

#include "data/Utf8.h"

#include <QIODevice>

namespace Csv {
namespace {

constexpr char byteOrderMarkBytes[] = "\xEF\xBB\xBF";

// The buffer is written out once it holds this many bytes.
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

namespace {

// Writes one field through put(QStringView), in quotes when it needs them.
template <typename Put>
void putField(const QString &field, Put &&put)
{
    // The characters that make a field need quotes all lie below '@', so
    // most characters are passed over with one comparison.
    constexpr quint64 special =
        (1ull << ',') | (1ull << ';') | (1ull << '\t') | (1ull << '"') | (1ull << '\n') | (1ull << '\r');
    bool needsQuotes = false;
    for (const QChar c : field) {
        const char16_t u = c.unicode();
        if (u < 64 && (special >> u) & 1) {
            needsQuotes = true;
            break;
        }
    }
    // A field of blanks only is quoted too, so that no reader trims it away.
    if (!needsQuotes && !field.isEmpty() && field.front().isSpace()) {
        needsQuotes = true;
        for (const QChar c : field)
            needsQuotes = needsQuotes && c.isSpace();
    }
    if (!needsQuotes) {
        put(QStringView(field));
        return;
    }
    static const QChar quote = QLatin1Char('"');
    put(QStringView(&quote, 1));
    qsizetype from = 0;
    for (qsizetype at = field.indexOf(quote); at >= 0; at = field.indexOf(quote, at + 1)) {
        put(QStringView(field).sliced(from, at + 1 - from)); // up to and with the quote ...
        put(QStringView(&quote, 1));                         // ... which is doubled
        from = at + 1;
    }
    put(QStringView(field).sliced(from));
    put(QStringView(&quote, 1));
}

template <typename Put>
void putRecord(const QStringList &fields, Put &&put)
{
    static const QChar comma = QLatin1Char(',');
    static const QChar lineEnd[] = {QLatin1Char('\r'), QLatin1Char('\n')};
    for (qsizetype f = 0; f < fields.size(); ++f) {
        if (f > 0)
            put(QStringView(&comma, 1));
        putField(fields[f], put);
    }
    put(QStringView(lineEnd, 2));
}

} // namespace

void appendRecord(QString &out, const QStringList &fields)
{
    putRecord(fields, [&out](QStringView text) { out.append(text); });
}

Writer::Writer(QIODevice &device, bool byteOrderMark) : m_device(device)
{
    m_bytes.resize(flushAt + 4096);
    if (byteOrderMark)
        put(u"\uFEFF");
}

Writer::~Writer() = default;

void Writer::put(QStringView text)
{
    const qsizetype room = m_encoder.requiredSpace(text.size());
    if (m_used + room > m_bytes.size())
        m_bytes.resize(std::max(m_bytes.size() * 2, m_used + room));
    m_used = m_encoder.appendToBuffer(m_bytes.data() + m_used, text) - m_bytes.data();
}

void Writer::writeRecord(const QStringList &fields)
{
    // Texts go straight into UTF-8, with no copy of the record as text.
    putRecord(fields, [this](QStringView text) { put(text); });
    if (m_used >= flushAt)
        flush();
}

void Writer::flush()
{
    const qsizetype used = m_used;
    m_used = 0;
    if (m_device.write(m_bytes.constData(), used) != used)
        throw Error(QStringLiteral("The file could not be written: %1").arg(m_device.errorString()));
}

} // namespace Csv
