#pragma once
// The statement runner behind marrowdesk-sql: a select prints its rows as
// tab-separated lines (or CSV), any other statement runs and prints nothing.

#include <QByteArrayView>
#include <QString>
#include <QTextStream>

class Connection;
class Recordset;
class Value;

namespace SqlShell {

// One field as printed: \N for null; backslash, tab, line feed and carriage
// return escaped as \\, \t, \n, \r; dates in the short date form.
QString formatField(const Value &value);

// How a select's rows print: tab-separated lines (formatField), or CSV
// records (RFC 4180, CR LF, a null as an empty field, dates as ISO 8601)
// with text that a spreadsheet would run as a formula guarded as the
// window's export guards it (Csv::guarded), or raw CSV with all text as it
// is, for scripts.
enum class Output { Tabs, Csv, RawCsv };

// Prints an open result's rows and closes it.
void print(Recordset &rs, QTextStream &out, Output output = Output::Tabs);

// Runs one statement; prints rows to out and failures to err ("error: ...").
// Returns false when the statement failed.
bool run(Connection &connection, const QString &statement, QTextStream &out, QTextStream &err,
         Output output = Output::Tabs);

} // namespace SqlShell
