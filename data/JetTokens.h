#pragma once
// The tokens of the program's SQL dialect, shared by its translations to
// SQLite (JetSql.cpp) and to PostgreSQL (JetSqlPostgres.cpp). Internal to
// the data layer.

#include <QString>

#include <vector>

namespace JetSql::Tokens {

enum class Kind { Space, Word, Text, Name, Number, Operator, Comma, Semicolon, Open, Close, Group, Collation };

struct Item {
    Kind kind;
    QString text;
    QString rowidQualifier; // Group only: "Contacts." when the group holds "Contacts.X"
    int group = -1;         // Group only: its number among the statement's translated groups
};

QString quoteName(const QString &name);

// Splits the statement into tokens. Unterminated literals and names run to the
// end of the text, which the engine then reports as its own syntax error.
// Literals of one engine only ($$...$$, E'...') throw Refusal, on both.
std::vector<Item> tokenize(const QString &sql);

bool isWord(const Item &item, const char *word);

// Index of the next item that is not blank, or -1.
int nextSolid(const std::vector<Item> &items, int from);
int previousSolid(const std::vector<Item> &items, int from);

QString joinText(const std::vector<Item> &items, int begin, int end);

// Which engine a translation is for.
enum class Target { Sqlite, Postgres };

// Translates the tokens, with their names already in the target's form: "+"
// folded into jet_add, First and Last into jet_first and jet_last with the
// row order named by orderKey(qualifier), and, for SQLite, ORDER BY terms
// made case-insensitive. Throws Error past maxNesting levels of parentheses.
QString translate(const std::vector<Item> &tokens, Target target);

} // namespace JetSql::Tokens
