#include "data/ICalendar.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QHash>
#include <QIODevice>

#include <algorithm>
#include <array>

namespace ICalendar {
namespace {

constexpr int maxOctets = 75;

const char exportQueryText[] = "select ID, Title, Comment, Status, Category, Priority, [Due Date] from Issues "
                               "where [Due Date] is not null order by ID";

enum Column { Id, Title, Comment, Status, Category, Priority, Due };

// Whether a byte starts a character in UTF-8 (is not a continuation byte).
bool startsCharacter(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) != 0x80;
}

struct PriorityWord {
    const char *word;
    int priority;
};

// The words trackers name priorities by, on RFC 5545's scale: 1 to 4 high,
// 5 medium, 6 to 9 low.
const std::array<PriorityWord, 14> priorityWords = {{{"blocker", 1},
                                                     {"critical", 1},
                                                     {"urgent", 1},
                                                     {"immediate", 1},
                                                     {"highest", 1},
                                                     {"very high", 2},
                                                     {"high", 3},
                                                     {"medium", 5},
                                                     {"normal", 5},
                                                     {"moderate", 5},
                                                     {"low", 7},
                                                     {"very low", 8},
                                                     {"lowest", 9},
                                                     {"trivial", 9}}};

QString dueText(const Value &due)
{
    QDate date;
    if (const QDate *day = due.date())
        date = *day;
    else if (const QDateTime *moment = due.dateTime())
        date = moment->date();
    return date.isValid() ? date.toString(QStringLiteral("yyyyMMdd")) : QString();
}

// Appends a content line folded: see foldedLine.
void appendFolded(QByteArray &out, const QString &line)
{
    const QByteArray utf8 = line.toUtf8();
    qsizetype start = 0;
    qsizetype room = maxOctets;
    while (utf8.size() - start > room) {
        qsizetype end = start + room;
        while (end > start && !startsCharacter(utf8[end]))
            --end;
        out.append(utf8.constData() + start, end - start);
        out.append("\r\n ");
        start = end;
        room = maxOctets - 1;
    }
    out.append(utf8.constData() + start, utf8.size() - start);
    out.append("\r\n");
}

// Collects lines and hands them to the device in large pieces.
class Writer {
public:
    explicit Writer(QIODevice &device) : m_device(device) { m_buffer.reserve(chunk + 4096); }
    void line(const QString &text)
    {
        appendFolded(m_buffer, text);
        if (m_buffer.size() >= chunk)
            flush();
    }
    void text(const char *name, const QString &value)
    {
        if (!value.isEmpty())
            line(QLatin1String(name) + QLatin1Char(':') + escapedText(value));
    }
    void flush()
    {
        if (m_device.write(m_buffer) != m_buffer.size())
            throw Error(QStringLiteral("The calendar could not be written: %1").arg(m_device.errorString()));
        m_buffer.clear();
    }

private:
    static constexpr qsizetype chunk = qsizetype(64) * 1024;
    QIODevice &m_device;
    QByteArray m_buffer;
};

void writeTodo(Writer &out, const Recordset &rs, int row, const QString &uidSuffix, const QString &stamp,
               const IssueStatus::ClosingRule &rule)
{
    const QString due = dueText(rs.field(row, Due));
    if (due.isEmpty())
        return;
    out.line(QStringLiteral("BEGIN:VTODO"));
    out.line(QStringLiteral("UID:issue-%1@%2").arg(rs.field(row, Id).toInteger()).arg(uidSuffix));
    out.line(QStringLiteral("DTSTAMP:") + stamp);
    out.line(QStringLiteral("DUE;VALUE=DATE:") + due);
    out.text("SUMMARY", rs.field(row, Title).toTextOrEmpty());
    out.text("DESCRIPTION", rs.field(row, Comment).toTextOrEmpty());
    const bool closed = rule.closes(rs.field(row, Status).toTextOrEmpty());
    out.line(closed ? QStringLiteral("STATUS:COMPLETED") : QStringLiteral("STATUS:NEEDS-ACTION"));
    if (const int priority = priorityOf(rs.field(row, Priority).toTextOrEmpty()))
        out.line(QStringLiteral("PRIORITY:%1").arg(priority));
    out.text("CATEGORIES", rs.field(row, Category).toTextOrEmpty());
    out.line(QStringLiteral("END:VTODO"));
}

} // namespace

QString escapedText(const QString &text)
{
    const auto plain = [](QChar c) {
        return c.unicode() >= 0x20 && c.unicode() != 0x7F && c != QLatin1Char('\\') && c != QLatin1Char(';') &&
               c != QLatin1Char(',');
    };
    if (std::all_of(text.cbegin(), text.cend(), plain))
        return text;
    QString escaped;
    escaped.reserve(text.size() + 8);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        switch (c.unicode()) {
        case '\\':
            escaped += QLatin1String("\\\\");
            break;
        case ';':
            escaped += QLatin1String("\\;");
            break;
        case ',':
            escaped += QLatin1String("\\,");
            break;
        case '\r':
            // CRLF and a lone CR are one line break each.
            if (i + 1 < text.size() && text[i + 1] == QLatin1Char('\n'))
                ++i;
            escaped += QLatin1String("\\n");
            break;
        case '\n':
            escaped += QLatin1String("\\n");
            break;
        case '\t':
            escaped += c;
            break;
        default:
            if (c.unicode() >= 0x20 && c.unicode() != 0x7F)
                escaped += c;
            break;
        }
    }
    return escaped;
}

QByteArray foldedLine(const QString &line)
{
    QByteArray folded;
    appendFolded(folded, line);
    return folded;
}

int priorityOf(const QString &priority)
{
    const QString word = priority.simplified().toCaseFolded();
    bool isNumber = false;
    const int number = word.toInt(&isNumber);
    if (isNumber)
        return number >= 1 && number <= 9 ? number : 0;
    for (const PriorityWord &known : priorityWords)
        if (word == QLatin1String(known.word))
            return known.priority;
    return 0;
}

QString databaseTag(Connection &connection)
{
    QString name;
    if (connection.isShared()) {
        Recordset rs;
        rs.Open(QStringLiteral("select current_database()"), connection);
        name = QStringLiteral("server:") + rs.field(0).toTextOrEmpty();
        rs.Close();
    } else {
        const QFileInfo file(connection.fileName());
        name = QStringLiteral("file:") +
               (file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath());
    }
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256);
    return QString::fromLatin1(hash.left(8).toHex()) + QStringLiteral(".marrowdesk");
}

int exportIssues(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device,
                 const QDateTime &stamp)
{
    const QString uidSuffix = databaseTag(connection);
    const QString stampText = stamp.toUTC().toString(QStringLiteral("yyyyMMdd'T'HHmmss'Z'"));
    Recordset rs;
    rs.Open(QString::fromLatin1(exportQueryText), connection);
    const IssueStatus::ClosingRule rule = IssueStatus::ClosingRule::read(connection);
    Writer out(device);
    out.line(QStringLiteral("BEGIN:VCALENDAR"));
    out.line(QStringLiteral("VERSION:2.0"));
    out.line(QStringLiteral("PRODID:-//Tamberlyn//Marrowdesk//EN"));
    out.line(QStringLiteral("CALSCALE:GREGORIAN"));
    out.line(QStringLiteral("X-WR-CALNAME:Marrowdesk"));
    int written = 0;
    const auto write = [&](int row) {
        if (!dueText(rs.field(row, Due)).isEmpty())
            ++written;
        writeTodo(out, rs, row, uidSuffix, stampText, rule);
    };
    if (!ids) {
        for (int row = 0; row < rs.rowCount(); ++row)
            write(row);
    } else {
        QHash<qint64, int> rowOfId;
        rowOfId.reserve(rs.rowCount());
        for (int row = 0; row < rs.rowCount(); ++row)
            rowOfId.insert(rs.field(row, Id).toInteger(), row);
        for (const qint64 id : *ids)
            if (const auto found = rowOfId.constFind(id); found != rowOfId.cend())
                write(*found);
    }
    out.line(QStringLiteral("END:VCALENDAR"));
    out.flush();
    rs.Close();
    return written;
}

int exportToFile(Connection &connection, const std::optional<std::vector<qint64>> &ids, const QString &path)
{
    return writeAside(path, [&](QIODevice &file) { return exportIssues(connection, ids, file); });
}

} // namespace ICalendar
