#pragma once
// What every SQLite connection of the program needs before its first
// statement: the case-insensitive collation and the SQL functions that the
// translated statements, the schema's views and its triggers call.
//
//  MARROW_NOCASE                 compares text without regard to letter case,
//                                non-ASCII letters included
//  jet_add(a, b)                 "+" of the program's dialect
//  jet_first(x, rowid), jet_last the value in the first / last row by rowid
//  marrow_date_in(x)             date text (ISO or the locale's short form)
//                                to the stored ISO text; fails on non-dates
//  marrow_refuse_duplicate(l, v) fails with a message naming the value

#include <QString>

struct sqlite3;

namespace Engine {

// Registers the collation and the functions. Returns an SQLite result code.
int registerExtensions(sqlite3 *db);

// Compares two UTF-8 texts the way MARROW_NOCASE does.
int compareCaseInsensitive(const char *a, int aLength, const char *b, int bLength);

// The text without its accents and case folded: two texts MARROW_NOCASE
// first compares as equal give the same folded text.
QString withoutCaseAndAccents(const QString &text);

} // namespace Engine
