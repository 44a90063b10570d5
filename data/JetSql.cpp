#include "data/JetSql.h"

#include "data/JetTokens.h"

#include <QSet>

#include <vector>

namespace JetSql::Tokens {
namespace {

// Words at which an additive expression ends: everything that binds less
// tightly than "+", or separates clauses.
bool isBoundaryWord(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("select"),    QStringLiteral("from"),    QStringLiteral("where"),    QStringLiteral("and"),
        QStringLiteral("or"),        QStringLiteral("not"),     QStringLiteral("as"),       QStringLiteral("order"),
        QStringLiteral("by"),        QStringLiteral("group"),   QStringLiteral("having"),   QStringLiteral("on"),
        QStringLiteral("join"),      QStringLiteral("left"),    QStringLiteral("inner"),    QStringLiteral("outer"),
        QStringLiteral("cross"),     QStringLiteral("values"),  QStringLiteral("set"),      QStringLiteral("case"),
        QStringLiteral("when"),      QStringLiteral("then"),    QStringLiteral("else"),     QStringLiteral("end"),
        QStringLiteral("is"),        QStringLiteral("in"),      QStringLiteral("like"),     QStringLiteral("glob"),
        QStringLiteral("between"),   QStringLiteral("asc"),     QStringLiteral("desc"),     QStringLiteral("limit"),
        QStringLiteral("offset"),    QStringLiteral("union"),   QStringLiteral("except"),   QStringLiteral("intersect"),
        QStringLiteral("into"),      QStringLiteral("update"),  QStringLiteral("delete"),   QStringLiteral("insert"),
        QStringLiteral("collate"),   QStringLiteral("escape"),  QStringLiteral("distinct"), QStringLiteral("all"),
        QStringLiteral("exists"),    QStringLiteral("nulls"),   QStringLiteral("using"),    QStringLiteral("natural"),
        QStringLiteral("isnull"),    QStringLiteral("notnull"), QStringLiteral("with"),     QStringLiteral("create"),
        QStringLiteral("table"),     QStringLiteral("view"),    QStringLiteral("drop"),     QStringLiteral("index"),
        QStringLiteral("pragma"),    QStringLiteral("window"),  QStringLiteral("over"),     QStringLiteral("filter"),
        QStringLiteral("returning"),
    };
    return words.contains(word.toLower());
}

bool isBoundary(const Item &item)
{
    switch (item.kind) {
    case Kind::Comma:
    case Kind::Semicolon:
    case Kind::Collation:
        return true;
    case Kind::Word:
        return isBoundaryWord(item.text);
    case Kind::Operator: {
        static const QSet<QString> lowerPrecedence = {
            QStringLiteral("="), QStringLiteral("=="), QStringLiteral("<>"), QStringLiteral("!="),
            QStringLiteral("<"), QStringLiteral(">"),  QStringLiteral("<="), QStringLiteral(">="),
            QStringLiteral("&"), QStringLiteral("|"),  QStringLiteral("<<"), QStringLiteral(">>"),
        };
        return lowerPrecedence.contains(item.text);
    }
    default:
        return false;
    }
}

bool isOperand(const Item &item)
{
    switch (item.kind) {
    case Kind::Word:
        return !isBoundaryWord(item.text);
    case Kind::Text:
    case Kind::Name:
    case Kind::Number:
    case Kind::Group:
        return true;
    default:
        return false;
    }
}

// Rewrites one expression segment (no boundary inside) with binary "+" and
// "-" folded from the left: a + b - c becomes (jet_add(a, b) - c).
QString foldAdditions(const std::vector<Item> &items, int begin, int end)
{
    bool hasBinaryPlus = false;
    std::vector<int> binaryOperators;
    for (int i = begin; i < end; ++i) {
        const Item &item = items[i];
        if (item.kind != Kind::Operator || (item.text != QLatin1String("+") && item.text != QLatin1String("-")))
            continue;
        const int previous = previousSolid(items, i - 1);
        if (previous >= begin && isOperand(items[previous])) {
            binaryOperators.push_back(i);
            hasBinaryPlus = hasBinaryPlus || item.text == QLatin1String("+");
        }
    }
    if (!hasBinaryPlus)
        return joinText(items, begin, end);

    // Keep leading and trailing blanks outside the rewritten expression.
    int first = begin;
    while (first < binaryOperators.front() && items[first].kind == Kind::Space)
        ++first;
    int last = end;
    while (last > binaryOperators.back() + 1 && items[last - 1].kind == Kind::Space)
        --last;

    QString folded = joinText(items, first, binaryOperators.front()).trimmed();
    for (size_t k = 0; k < binaryOperators.size(); ++k) {
        const int op = binaryOperators[k];
        const int operandEnd = k + 1 < binaryOperators.size() ? binaryOperators[k + 1] : last;
        const QString operand = joinText(items, op + 1, operandEnd).trimmed();
        if (items[op].text == QLatin1String("+"))
            folded = QStringLiteral("jet_add(%1, %2)").arg(folded, operand);
        else
            folded = QStringLiteral("(%1 - %2)").arg(folded, operand);
    }
    return joinText(items, begin, first) + folded + joinText(items, last, end);
}

// For SQLite, marks each ORDER BY term to order without regard to case, by
// inserting a COLLATE item before any ASC/DESC/NULLS that ends the term. On
// the server the columns already order that way, but nulls come last where
// SQLite puts them first; each term without NULLS says where they go.
void collateOrderTerms(std::vector<Item> &items, Target target)
{
    const Item collate{Kind::Collation, QStringLiteral(" COLLATE %1").arg(QLatin1String(caseInsensitiveCollation)), {}};
    const Item nullsFirst{Kind::Collation, QStringLiteral(" NULLS FIRST"), {}};
    const Item nullsLast{Kind::Collation, QStringLiteral(" NULLS LAST"), {}};
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (!isWord(items[i], "order"))
            continue;
        const int by = nextSolid(items, i + 1);
        if (by < 0 || !isWord(items[by], "by"))
            continue;
        int termStart = by + 1;
        bool hasCollate = false;
        bool hasNulls = false;
        bool descending = false;
        int suffixStart = -1;
        for (int j = termStart; j <= static_cast<int>(items.size()); ++j) {
            const bool atEnd = j == static_cast<int>(items.size());
            const bool termEnds = atEnd || items[j].kind == Kind::Comma || items[j].kind == Kind::Semicolon ||
                                  isWord(items[j], "limit") || isWord(items[j], "offset");
            if (termEnds) {
                if (target == Target::Postgres) {
                    const int lastSolid = previousSolid(items, j - 1);
                    if (!hasNulls && lastSolid >= termStart) {
                        items.insert(items.begin() + lastSolid + 1, descending ? nullsLast : nullsFirst);
                        ++j;
                    }
                } else {
                    const int insertAt = suffixStart >= 0 ? suffixStart : j;
                    const int lastSolid = previousSolid(items, insertAt - 1);
                    if (!hasCollate && lastSolid >= termStart) {
                        items.insert(items.begin() + lastSolid + 1, collate);
                        ++j;
                    }
                }
                if (atEnd || items[j].kind != Kind::Comma)
                    break;
                termStart = j + 1;
                hasCollate = false;
                hasNulls = false;
                descending = false;
                suffixStart = -1;
                continue;
            }
            if (isWord(items[j], "collate"))
                hasCollate = true;
            hasNulls = hasNulls || isWord(items[j], "nulls");
            descending = descending || isWord(items[j], "desc");
            if (suffixStart < 0 && (isWord(items[j], "asc") || isWord(items[j], "desc") || isWord(items[j], "nulls")))
                suffixStart = j;
        }
    }
}

QString translateLevel(std::vector<Item> items, Target target);

// Replaces every parenthesised group by one Group item holding its
// translated text, so that each level sees its groups as single operands.
std::vector<Item> groupParentheses(const std::vector<Item> &tokens, size_t &position, bool nested, bool *closed,
                                   Target target)
{
    std::vector<Item> level;
    while (position < tokens.size()) {
        const Item &token = tokens[position++];
        if (token.kind == Kind::Open) {
            bool innerClosed = false;
            std::vector<Item> inner = groupParentheses(tokens, position, true, &innerClosed, target);
            QString qualifier;
            const int a = nextSolid(inner, 0);
            const int dot = a >= 0 ? nextSolid(inner, a + 1) : -1;
            const int b = dot >= 0 ? nextSolid(inner, dot + 1) : -1;
            if (b >= 0 && nextSolid(inner, b + 1) < 0 && (inner[a].kind == Kind::Word || inner[a].kind == Kind::Name) &&
                inner[dot].text == QLatin1String(".") && (inner[b].kind == Kind::Word || inner[b].kind == Kind::Name))
                qualifier = inner[a].text + QLatin1Char('.');
            // An unclosed group stays unclosed, so that SQLite reports the syntax error.
            level.push_back({Kind::Group,
                             QLatin1Char('(') + translateLevel(std::move(inner), target) +
                                 (innerClosed ? QStringLiteral(")") : QString()),
                             innerClosed ? qualifier : QString()});
        } else if (token.kind == Kind::Close && nested) {
            *closed = true;
            return level;
        } else {
            level.push_back(token);
        }
    }
    return level;
}

// What orders the rows of a table by insertion, for First and Last. In
// SQLite that is the rowid. On the server it is the ID of the tables that
// have one; a value list has none, and its rows' physical place stands in:
// insertion order for as long as no deleted row's space is used again.
QString orderKey(const QString &qualifier, Target target)
{
    if (target == Target::Sqlite)
        return QStringLiteral("rowid");
    static const QSet<QString> withId = {QStringLiteral("\"contacts\"."), QStringLiteral("\"issues\"."),
                                         QStringLiteral("contacts."), QStringLiteral("issues.")};
    return qualifier.isEmpty() || withId.contains(qualifier.toLower()) ? QStringLiteral("\"ID\"")
                                                                       : QStringLiteral("ctid");
}

void rewriteFirstAndLast(std::vector<Item> &items, Target target)
{
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const bool first = isWord(items[i], "first");
        if (!first && !isWord(items[i], "last"))
            continue;
        const int group = nextSolid(items, i + 1);
        const int previous = previousSolid(items, i - 1);
        if (group < 0 || items[group].kind != Kind::Group || items[group].text == QLatin1String("()") ||
            !items[group].text.endsWith(QLatin1Char(')')))
            continue;
        if (previous >= 0 && items[previous].text == QLatin1String("."))
            continue;
        QString &call = items[group].text;
        call.chop(1);
        const QString key = items[group].rowidQualifier + orderKey(items[group].rowidQualifier, target);
        if (target == Target::Sqlite) {
            items[i].text = first ? QStringLiteral("jet_first") : QStringLiteral("jet_last");
            call += QStringLiteral(", %1)").arg(key);
        } else {
            // The server's own aggregate, ordered: the first element is the pick.
            items[i].text = QStringLiteral("(array_agg");
            call += QStringLiteral(" ORDER BY %1%2))[1]").arg(key, first ? QString() : QStringLiteral(" DESC"));
        }
    }
}

QString translateLevel(std::vector<Item> items, Target target)
{
    rewriteFirstAndLast(items, target);
    collateOrderTerms(items, target);
    QString out;
    int segmentStart = 0;
    const int n = static_cast<int>(items.size());
    for (int i = 0; i <= n; ++i) {
        if (i == n || isBoundary(items[i])) {
            out += foldAdditions(items, segmentStart, i);
            if (i < n)
                out += items[i].text;
            segmentStart = i + 1;
        }
    }
    return out;
}

} // namespace

QString translate(const std::vector<Item> &tokens, Target target)
{
    size_t position = 0;
    // At the top level a stray ")" closes nothing; it stays, for the engine to report.
    return translateLevel(groupParentheses(tokens, position, false, nullptr, target), target);
}

} // namespace JetSql::Tokens

namespace JetSql {

QString toSqlite(const QString &statement)
{
    return Tokens::translate(Tokens::tokenize(statement), Tokens::Target::Sqlite);
}

} // namespace JetSql
