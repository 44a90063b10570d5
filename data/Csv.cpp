#include "data/Csv.h"

#include "data/Utf8.h"

#include <QBuffer>
#include <QIODevice>

#include <algorithm>

namespace Csv {
namespace {

constexpr char byteOrderMarkBytes[] = "\xEF\xBB\xBF";

// The buffer is written out once it holds this many bytes.
constexpr qsizetype flushAt = 1 << 20;

// A reader reads this many bytes at a time.
constexpr qsizetype chunkSize = 1 << 20;

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

// Appends without room to spare when the field is still empty, as most are:
// an import holds a million of them.
void appendExactly(QString &field, const QChar *text, qsizetype length)
{
    if (field.isEmpty())
        field = QString(text, length);
    else
        field.append(text, length);
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
    QByteArray data = bytes;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    // Latin-1 only for text that is not UTF-8 already.
    const QByteArrayView body = bytes.startsWith(byteOrderMarkBytes) ? QByteArrayView(bytes).sliced(3) : bytes;
    if (latin1 == Latin1::Convert && Utf8::firstInvalid(body) < 0)
        latin1 = Latin1::Refuse;
    Reader reader(buffer, latin1);
    Document document;
    QStringList fields;
    int line = 0;
    while (reader.next(fields, line)) {
        document.records.append(fields);
        document.lines.append(line);
    }
    document.separator = reader.separator();
    document.byteOrderMark = reader.byteOrderMark();
    return document;
}

Reader::Reader(QIODevice &device, Latin1 latin1)
    : m_device(device), m_encoding(latin1 == Latin1::Convert ? Encoding::Latin1 : Encoding::Utf8)
{
}

Reader::~Reader() = default;

void Reader::start()
{
    m_started = true;
    QByteArray head = m_device.read(chunkSize);
    m_bytesRead += head.size();
    if (head.startsWith(byteOrderMarkBytes)) {
        m_byteOrderMark = true;
        head.remove(0, 3);
    } else if (head.startsWith("\xFF\xFE") || head.startsWith("\xFE\xFF")) {
        m_byteOrderMark = true;
        const bool little = head.startsWith("\xFF\xFE");
        m_encoding = little ? Encoding::Utf16LittleEndian : Encoding::Utf16BigEndian;
        m_utf16 = QStringDecoder(little ? QStringDecoder::Utf16LE : QStringDecoder::Utf16BE);
        head.remove(0, 2);
    }
    m_atEnd = m_device.atEnd();
    decode(head);
    // The separator is told from the first line, so that line is read whole.
    while (!m_atEnd && !m_text.contains(QLatin1Char('\n')) && !m_text.contains(QLatin1Char('\r')))
        fill(chunkSize);
    m_separator = detectSeparator(m_text);
}

void Reader::fill(qsizetype atLeast)
{
    // Drop what was parsed; a record longer than a chunk is read in ever
    // larger ones, so that it is parsed again only a few times.
    m_text.remove(0, m_position);
    m_position = 0;
    const QByteArray bytes = m_device.read(std::max(atLeast, m_text.size()));
    m_bytesRead += bytes.size();
    m_atEnd = bytes.isEmpty() || m_device.atEnd();
    decode(bytes);
}

void Reader::decode(QByteArray bytes)
{
    switch (m_encoding) {
    case Encoding::Latin1:
        m_text += QString::fromLatin1(bytes);
        return;
    case Encoding::Utf16LittleEndian:
    case Encoding::Utf16BigEndian: {
        // The decoder passes surrogates through unpaired; a pair may be
        // split between two reads.
        const qsizetype from = m_text.size();
        m_text += m_utf16.decode(bytes);
        qsizetype broken = -1;
        qsizetype k = from > 0 && m_text[from - 1].isHighSurrogate() ? from - 1 : from;
        for (; k < m_text.size() && broken < 0; ++k) {
            if (m_text[k].isHighSurrogate()) {
                if (k + 1 < m_text.size() && m_text[k + 1].isLowSurrogate())
                    ++k;
                else if (k + 1 < m_text.size() || m_atEnd)
                    broken = k;
            } else if (m_text[k].isLowSurrogate()) {
                broken = k;
            }
        }
        if (broken < 0 && (m_utf16.hasError() || (m_atEnd && m_bytesRead % 2 != 0)))
            broken = m_text.size();
        if (broken >= 0) {
            const QStringView before = QStringView(m_text).sliced(from, std::max(broken - from, qsizetype(0)));
            throw Error(QStringLiteral("The file is not UTF-16 text as its byte-order mark says: line %1 holds a "
                                       "broken character. Save the file again as UTF-16 or UTF-8.")
                            .arg(m_linesDecoded + static_cast<int>(before.count(u'\n')) + 1));
        }
        m_linesDecoded += static_cast<int>(QStringView(m_text).sliced(from).count(u'\n'));
        return;
    }
    case Encoding::Utf8:
        break;
    }
    bytes.prepend(m_undecoded);
    m_undecoded.clear();
    if (!m_atEnd) {
        // A character split between this read and the next waits for it.
        qsizetype lead = bytes.size();
        while (lead > 0 && lead > bytes.size() - 4 && (static_cast<unsigned char>(bytes[lead - 1]) & 0xC0) == 0x80)
            --lead;
        if (lead > 0) {
            const auto first = static_cast<unsigned char>(bytes[lead - 1]);
            const qsizetype length = first >= 0xF0 ? 4 : first >= 0xE0 ? 3 : first >= 0xC0 ? 2 : 1;
            if (lead - 1 + length > bytes.size()) {
                m_undecoded = bytes.sliced(lead - 1);
                bytes.truncate(lead - 1);
            }
        }
    }
    const qsizetype bad = Utf8::firstInvalid(bytes);
    if (bad >= 0) {
        // Name the byte that began the broken sequence, not the one after it
        // where the sequence was found broken ("Caf\xE9\r\n" breaks at CR).
        const auto byteAt = [&](qsizetype at) { return static_cast<unsigned char>(bytes[at]); };
        qsizetype lead = bad;
        while (lead > 0 && lead > bad - 3 && byteAt(lead) < 0xC0 && byteAt(lead - 1) >= 0x80)
            --lead;
        throw NotUtf8(m_linesDecoded + lineOfOffset(bytes, lead), byteAt(lead));
    }
    m_linesDecoded += static_cast<int>(bytes.count('\n'));
    m_text += QString::fromUtf8(bytes);
}

bool Reader::next(QStringList &fields, int &line)
{
    if (!m_started)
        start();
    for (;;) {
        if (m_position >= m_text.size()) {
            if (m_atEnd)
                return false;
            fill(chunkSize);
            continue;
        }
        line = m_line;
        if (!parseRecord(fields)) {
            fill(chunkSize);
            continue;
        }
        if (fields.size() == 1 && fields.first().isEmpty())
            continue; // an empty line
        return true;
    }
}

// Parses the record at m_position into fields and moves past it. Returns
// false, having moved nowhere, when the text read so far ends before the
// record surely does and more is to come.
bool Reader::parseRecord(QStringList &fields)
{
    const QChar *const data = m_text.constData();
    const qsizetype size = m_text.size();
    const QChar separator = m_separator;
    qsizetype i = m_position;
    int line = m_line;
    fields.clear();
    for (;;) {
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
                if (quote >= size) {
                    if (!m_atEnd)
                        return false;
                    throw Error(QStringLiteral("The quoted field that begins on line %1 never ends: a closing "
                                               "quote (\") is missing.")
                                    .arg(openedOn));
                }
                appendExactly(field, data + i, quote - i);
                i = quote + 1;
                if (i >= size && !m_atEnd)
                    return false; // a doubled quote may follow
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
        while (end < size && data[end] != separator && data[end] != QLatin1Char('\n') && data[end] != QLatin1Char('\r'))
            ++end;
        // The line's end must be seen, LF after CR included.
        if (!m_atEnd && (end >= size || (data[end] == QLatin1Char('\r') && end + 1 >= size)))
            return false;
        appendExactly(field, data + i, end - i);
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
        m_position = i;
        m_line = line + 1;
        return true;
    }
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
