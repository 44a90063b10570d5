#include "tools/SqlShell.h"

#include "data/Connection.h"
#include "data/Csv.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Recordset.h"

#include <QRegularExpression>

namespace SqlShell {
namespace {

bool isQuery(const QString &statement)
{
    static const QRegularExpression firstWordSelect(QStringLiteral("^\\s*select\\b"),
                                                    QRegularExpression::CaseInsensitiveOption);
    return firstWordSelect.match(statement).hasMatch();
}

QString escaped(const QString &text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            out += QLatin1String("\\\\");
            break;
        case '\t':
            out += QLatin1String("\\t");
            break;
        case '\n':
            out += QLatin1String("\\n");
            break;
        case '\r':
            out += QLatin1String("\\r");
            break;
        default:
            out += c;
        }
    }
    return out;
}

} // namespace

QString formatField(const Value &value)
{
    return value.isNull() ? QStringLiteral("\\N") : escaped(value.toText());
}

namespace {

// Numbers and dates stand as they are: a spreadsheet reads "-5" as a number.
QString csvField(const Value &value, Output output)
{
    if (const QDate *date = value.date())
        return DateText::toIso(*date);
    if (const QDateTime *dateTime = value.dateTime())
        return DateText::toIso(*dateTime);
    if (const QString *text = value.text(); text && output == Output::Csv)
        return Csv::guarded(*text);
    return value.toTextOrEmpty();
}

void printCsv(Recordset &rs, QTextStream &out, Output output)
{
    QStringList fields;
    for (int c = 0; c < rs.fieldCount(); ++c)
        fields << csvField(Value(rs.fieldName(c)), output);
    QString text;
    Csv::appendRecord(text, fields);
    for (; !rs.Eof(); rs.MoveNext()) {
        for (int c = 0; c < rs.fieldCount(); ++c)
            fields[c] = csvField(rs.field(c), output);
        Csv::appendRecord(text, fields);
        if (text.size() > (1 << 16)) {
            out << text;
            text.clear();
        }
    }
    out << text;
}

} // namespace

void print(Recordset &rs, QTextStream &out, Output output)
{
    if (output != Output::Tabs) {
        printCsv(rs, out, output);
        rs.Close();
        out.flush();
        return;
    }
    QStringList line;
    for (int c = 0; c < rs.fieldCount(); ++c)
        line << escaped(rs.fieldName(c));
    out << line.join(QLatin1Char('\t')) << '\n';
    for (; !rs.Eof(); rs.MoveNext()) {
        line.clear();
        for (int c = 0; c < rs.fieldCount(); ++c)
            line << formatField(rs.field(c));
        out << line.join(QLatin1Char('\t')) << '\n';
    }
    rs.Close();
    out.flush();
}

bool run(Connection &connection, const QString &statement, QTextStream &out, QTextStream &err, Output output)
{
    try {
        if (!isQuery(statement)) {
            connection.Execute(statement);
            return true;
        }
        Recordset rs;
        rs.Open(statement, connection);
        print(rs, out, output);
        return true;
    } catch (const Error &error) {
        out.flush();
        err << "error: " << error.description() << '\n';
        err.flush();
        return false;
    }
}

} // namespace SqlShell
