#pragma once
// The find box's query language, read in one place: text becomes a tree of
// conditions that the list engine matches in memory (app/list) and that
// IssueQuerySql turns into a statement, so that both keep the same issues.
//
//   status:open  assignee:"Ada O'Lane"  assignee:me  prio:high  -cat:docs
//   due<2026-12-31  due:overdue  due:this-week  opened>-30d  closed:yes
//   printer "exact phrase"  (cat:docs OR cat:web)
//
// Terms side by side must all hold; OR between them lets either; "-" before
// a term or a group keeps the issues it would drop. Field names have a long
// and a short form and, like OR and the value words (open, me, today, ...),
// any letter case. A value in quotes is taken as written: status:"Open" is
// the status spelt "Open", status:open any issue the closed rule leaves open.
//
// Text without a field, a quote, a parenthesis or a leading "-" is the plain
// find of old: one text looked for in every column, as typed.

#include "data/Error.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>
#include <vector>

namespace IssueQuery {

enum class Field {
    Anywhere, // a bare word or phrase: any column
    Title,
    Comment,
    Status,
    Category,
    Priority,
    Assignee,
    Opener,
    Due,
    Opened,
    State, // open or closed, by the one closed rule (status:open, closed:yes)
    Id,
};

enum class Comparison { Equal, Less, LessOrEqual, Greater, GreaterOrEqual };

// One condition on an issue, its value resolved.
struct Condition {
    enum class Meaning {
        Contains, // the column holds the text (letter case and accents aside)
        Is,       // the column is the text (the program's text collation)
        Empty,    // the column holds nothing (an empty value: "due:")
        Me,       // the contact chosen as the user (assignee, opener)
        Open,     // State only
        Closed,   // State only
        Overdue,  // Due only: before today, on an open issue
        Days,     // Due, Opened: within [from, to); a null bound is open
        Number,   // Id: compared with number
    };
    Field field = Field::Anywhere;
    Meaning meaning = Meaning::Contains;
    Comparison comparison = Comparison::Equal; // Number only
    QString text;                              // Contains, Is
    QDate from, to;                            // Days
    qint64 number = 0;                         // Number
};

struct Node {
    enum class Kind { Match, All, Any, Not };
    Kind kind = Kind::All; // an All without children keeps every issue
    Condition condition;   // Match
    std::vector<Node> children;
};

// A text that cannot be read: why, and where (in characters from 0).
class Unreadable : public Error {
public:
    Unreadable(const QString &reason, int position, int length);
    const QString &reason() const { return m_reason; }
    int position() const { return m_position; }
    int length() const { return m_length; }

private:
    QString m_reason;
    int m_position;
    int m_length;
};

// Groups and "-" may nest this deep; a deeper query is refused, so that
// no query, however long, exhausts the stack of the code that walks it.
inline constexpr int maxDepth = 64;

class Query {
public:
    // Reads a query; relative days count from today, and dates may be
    // written as ISO or as the locale writes them. Throws Unreadable.
    static Query parse(const QString &text, const QDate &today, const QLocale &locale = QLocale());

    const Node &root() const { return m_root; }
    bool keepsEverything() const { return m_root.kind == Node::Kind::All && m_root.children.empty(); }
    // Whether a condition names the user ("me"), who is then to be known.
    bool namesMe() const { return m_namesMe; }
    // Whether the text is one plain find, with no syntax of the language.
    bool isPlain() const { return m_plain; }

    // The tree as text, one line, for tests and messages:
    // all(is(status,"Waiting"), not(days(due,2026-12-01,)))
    QString describe() const;

    // The terms every kept issue meets, side by side at the top (none when
    // an OR joins the top), each with where its text stands in the query.
    struct Conjunct {
        const Node *node;
        int position;
        int length;
    };
    std::vector<Conjunct> conjuncts() const;

private:
    Node m_root;
    std::vector<std::pair<int, int>> m_spans; // of the conjuncts, in order
    bool m_namesMe = false;
    bool m_plain = true;
};

// Whether a text is read as a plain find (no field, quote, parenthesis or
// leading "-"): it is then looked for whole, as typed.
bool isPlainText(const QString &text);

// What the find bar's choices read from a query: the value the query sets
// the field to with one top-level term (cat:docs), when no other term names
// the field; nothing otherwise.
std::optional<QString> soleValue(const Query &query, Field field);

// The query with the top-level terms `replaced` picks taken out and `term`
// (query text; empty for none) added at the end, keeping what the rest of
// the text kept: a top-level OR goes in parentheses, a plain find of several
// words in quotes. A text that cannot be read keeps all of it.
QString withTerm(const QString &text, const QDate &today, const std::function<bool(const Node &)> &replaced,
                 const QString &term);

// Whether a character ends a bare word or value: a blank, a parenthesis or
// a quote.
bool endsWord(QChar c);

// A field's long name ("category"); empty for Anywhere.
QString fieldName(Field field);

// The field names, long forms only, for messages.
QStringList fieldNames();
// Every name of every field, long and short, for completion.
QStringList allFieldNames();
// The field a name (any letter case) stands for.
std::optional<Field> fieldNamed(const QString &name);
// The words a field's value may be (open, me, overdue, ...), for completion.
QStringList valueWordsOf(Field field);

// A value as a query writes it: bare when it reads back as itself, quoted
// otherwise (blanks, quotes, parentheses, or a word the language gives a
// meaning, such as "open" or "me"). A value holding '"' cannot be written
// and comes back empty.
QString quotedValue(const QString &value);

} // namespace IssueQuery
