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
// it to be read as Latin-1) and a quoted field that never closes.

#include "data/Error.h"

#include <QByteArray>
#include <QList>
#include <QString>
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
// Latin1::Refuse), Error for a quoted field left open.
Document read(const QByteArray &bytes, Latin1 latin1 = Latin1::Refuse);

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
