#pragma once
// The words of a query as the find box's language reads them: terms
// (field, comparison, value), plain words, quoted phrases, parentheses,
// OR, AND and a leading '-'. Private to data/IssueQuery*.cpp.

#include "data/IssueQuery.h"

#include <vector>

namespace IssueQuery {

struct Token {
    enum class Kind { Word, Phrase, Term, Open, Close, Or, And, Not, End };
    Kind kind = Kind::End;
    int position = 0;
    int length = 0;
    // Word, Phrase: the text; Term: the field's name as written, its
    // comparison and its value.
    QString text;
    QString field;
    Comparison comparison = Comparison::Equal;
    QString value;
    bool quoted = false;
};

// Splits a word into a term's field name, comparison and value when it
// starts with a name of letters and '-' followed by an operator ("due<",
// "assignee:"); false otherwise.
bool splitTerm(const QString &word, QString &name, Comparison &comparison, QString &value);

// The tokens of text, in order, ending with an End token at its length.
// Throws Unreadable for a quote that is not closed.
std::vector<Token> tokenize(const QString &text);

} // namespace IssueQuery
