#pragma once
// Comma-separated values as RFC 4180 writes them and spreadsheet programs
// read them: fields holding the separator, a quote or a line break stand in
// double quotes with each quote doubled; records end with CR LF. Text is
// UTF-8, optionally after a byte-order mark.
//
// Reading is forgiving where spreadsheets differ: the separator may be a
// comma, semicolon or tab (told from the first line), records may end with
// LF or CR alone, and empty lines are skipped. It refuses what it cannot
// read without guessing: text that is not UTF-8 (unless the caller asks for
// it to be read as Latin-1), broken UTF-16, and a quoted field that never
// closes.
//
// A Reader reads a file record by record, holding only the record at hand,
// so a file of any length is read in little memory.

#include "data/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QStringList>

class QIODevice;

namespace Csv {

// A file read into records.
struct Document {
    QList<QStringList> records;
    QList<int> lines; // per record: the line it starts on, counting from 1
    QChar separator = QLatin1Char(',');
    bool byteOrderMark = false;
};

// Thrown when the bytes are not UTF-8; the description names the line.
class NotUtf8 : public Error {
public:
    NotUtf8(int line, unsigned char byte);
    int line() const { return m_line; }

private:
    int m_line;
};

enum class Latin1 { Refuse, Convert };

// Reads CSV bytes. Throws NotUtf8 for bytes that are not UTF-8 (with
// Latin1::Refuse), Error for broken UTF-16 or a quoted field left open.
// With Latin1::Convert, bytes that are all UTF-8 are still read as UTF-8.
Document read(const QByteArray &bytes, Latin1 latin1 = Latin1::Refuse);

// Reads records from a device as they come. With Latin1::Convert every byte
// is a Latin-1 character (a caller asks for it once the file was found not
// to be UTF-8).
class Reader {
public:
    explicit Reader(QIODevice &device, Latin1 latin1 = Latin1::Refuse);
    ~Reader();
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

    // The next record, and the line it starts on; false after the last one.
    // Empty lines are skipped. Throws as read() does.
    bool next(QStringList &fields, int &line);

    QChar separator() const { return m_separator; }
    bool byteOrderMark() const { return m_byteOrderMark; }
    // How many of the device's bytes have been read so far.
    qint64 bytesRead() const { return m_bytesRead; }

private:
    enum class Encoding { Utf8, Utf16LittleEndian, Utf16BigEndian, Latin1 };
    void start();
    void fill(qsizetype atLeast);
    void decode(QByteArray bytes);
    bool parseRecord(QStringList &fields);

    QIODevice &m_device;
    Encoding m_encoding = Encoding::Utf8;
    QStringDecoder m_utf16;
    bool m_started = false;
    bool m_atEnd = false;
    bool m_byteOrderMark = false;
    QChar m_separator = QLatin1Char(',');
    QString m_text; // decoded, not yet parsed from m_position on
    qsizetype m_position = 0;
    int m_line = 1;         // the line at m_position
    QByteArray m_undecoded; // the start of a character the next bytes end
    int m_linesDecoded = 0; // line breaks in the bytes decoded so far
    qint64 m_bytesRead = 0;
};

// The separator of a file's first line: the one of comma, semicolon and tab
// that occurs most often outside quotes; a comma when none does.
QChar detectSeparator(QStringView text);

// Spreadsheets run a cell that starts with =, +, -, @, tab or CR as a
// formula. guarded() puts an apostrophe before such text (and before text
// that already is apostrophes followed by one, so that unguarded() can tell
// the two apart); unguarded() takes exactly that apostrophe away again.
QString guarded(const QString &text);
QString unguarded(const QString &text);

// Appends one record, its fields separated by commas and ended by CR LF.
void appendRecord(QString &out, const QStringList &fields);

// Writes records to a device, UTF-8 in chunks. Throws Error when the device
// refuses to write.
class Writer {
public:
    Writer(QIODevice &device, bool byteOrderMark);
    ~Writer();
    Writer(const Writer &) = delete;
    Writer &operator=(const Writer &) = delete;

    void writeRecord(const QStringList &fields);
    // Writes whatever is buffered; call before closing the device.
    void flush();

private:
    void put(QStringView text);

    QIODevice &m_device;
    QStringEncoder m_encoder{QStringEncoder::Utf8};
    QByteArray m_bytes; // the UTF-8 not yet written, m_used bytes of it
    qsizetype m_used = 0;
};

} // namespace Csv
