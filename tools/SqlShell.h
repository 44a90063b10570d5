#pragma once
// The statement runner behind marrowdesk-sql: a select prints its rows as
// tab-separated lines, any other statement runs and prints nothing.

#include <QByteArrayView>
#include <QString>
#include <QTextStream>

class Connection;
class Value;

namespace SqlShell {

// One field as printed: \N for null; backslash, tab, line feed and carriage
// return escaped as \\, \t, \n, \r; dates in the short date form.
QString formatField(const Value &value);

// Runs one statement; prints rows to out and failures to err ("error: ...").
// Returns false when the statement failed.
bool run(Connection &connection, const QString &statement, QTextStream &out, QTextStream &err);

// The offset of the first byte that does not belong to well-formed UTF-8
// (overlong forms, surrogates and code points past U+10FFFF included), or
// -1 when all of the text is well-formed.
qsizetype firstInvalidUtf8(QByteArrayView bytes);

} // namespace SqlShell
