#pragma once
// Translates the program's SQL dialect into SQLite's, as a pure function of
// the statement text:
//  - bracketed names ([Open Issues]) become double-quoted identifiers;
//  - a binary "+" becomes jet_add(a, b): text joins, numbers add, and a null
//    operand gives a null result;
//  - First(x) and Last(x) become jet_first(x, rowid) and jet_last(x, rowid), so
//    they follow the table's insertion order whatever index a scan uses;
//  - every ORDER BY term orders without regard to letter case.
// String literals, comments and quoted names pass through unchanged.
// Translation takes time in proportion to the statement's length; a
// statement that nests parentheses deeper than maxNesting throws Error.
//
// toPostgres makes the same statement the PostgreSQL server's: names spelt
// as its schema spells them, "+" and First/Last as above (the server has its
// own jet_add; First and Last become ordered array_agg), LIKE as ILIKE, and
// date text written into a date column read here, in the user's locale, into
// ISO text. Text that is not a date throws Error, as SQLite's side refuses it.

#include <QString>

namespace JetSql {

// The collation that compares text without regard to letter case.
inline constexpr const char *caseInsensitiveCollation = "MARROW_NOCASE";

// The deepest nesting of parentheses a statement may have: far beyond what
// anyone writes, and a bound on the work and memory one statement takes.
inline constexpr int maxNesting = 1000;

QString toSqlite(const QString &statement);
QString toPostgres(const QString &statement);

} // namespace JetSql
