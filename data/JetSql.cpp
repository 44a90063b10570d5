#include "data/JetSql.h"

#include <QSet>

#include <vector>

namespace JetSql {
namespace {

enum class Kind { Space, Word, Text, Name, Number, Operator, Comma, Semicolon, Open, Close, Group, Collation };

struct Item {
    Kind kind;
    QString text;
    QString rowidQualifier; // Group only: "Contacts." when the group holds "Contacts.X"
};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() >= 0x80;
}

bool isWordPart(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == QLatin1Char('$');
}

QString quoteName(const QString &name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

// Splits the statement into tokens. Unterminated literals and names run to the
// end of the text, which SQLite then reports as its own syntax error.
std::vector<Item> tokenize(const QString &sql)
{
    std::vector<Item> items;
    const int n = sql.size();
    int i = 0;
    auto until = [&](int start, QChar close, bool doubledEscapes) {
        int j = start + 1;
        while (j < n) {
            if (sql[j] == close) {
                if (doubledEscapes && j + 1 < n && sql[j + 1] == close) {
                    j += 2;
                    continue;
                }
                return j + 1;
            }
            ++j;
        }
        return n;
    };
    while (i < n) {
        const QChar c = sql[i];
        int end = i + 1;
        Kind kind = Kind::Operator;
        QString text;
        if (c.isSpace()) {
            while (end < n && sql[end].isSpace())
                ++end;
            kind = Kind::Space;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            while (end < n && sql[end] != QLatin1Char('\n'))
                ++end;
            kind = Kind::Space;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            const int close = sql.indexOf(QLatin1String("*/"), i + 2);
            end = close < 0 ? n : close + 2;
            kind = Kind::Space;
        } else if (c == QLatin1Char('\'')) {
            end = until(i, c, true);
            kind = Kind::Text;
        } else if (c == QLatin1Char('"') || c == QLatin1Char('`')) {
            end = until(i, c, true);
            kind = Kind::Name;
        } else if (c == QLatin1Char('[')) {
            end = until(i, QLatin1Char(']'), false);
            const bool closed = sql[end - 1] == QLatin1Char(']') && end - i >= 2;
            text = closed ? quoteName(sql.mid(i + 1, end - i - 2)) : sql.mid(i, end - i);
            kind = Kind::Name;
        } else if (c.isDigit() || (c == QLatin1Char('.') && i + 1 < n && sql[i + 1].isDigit())) {
            while (end < n && (sql[end].isLetterOrNumber() || sql[end] == QLatin1Char('.') ||
                               ((sql[end] == QLatin1Char('+') || sql[end] == QLatin1Char('-')) &&
                                (sql[end - 1] == QLatin1Char('e') || sql[end - 1] == QLatin1Char('E')))))
                ++end;
            kind = Kind::Number;
        } else if (isWordStart(c)) {
            while (end < n && isWordPart(sql[end]))
                ++end;
            kind = Kind::Word;
        } else if (c == QLatin1Char(',')) {
            kind = Kind::Comma;
        } else if (c == QLatin1Char(';')) {
            kind = Kind::Semicolon;
        } else if (c == QLatin1Char('(')) {
            kind = Kind::Open;
        } else if (c == QLatin1Char(')')) {
            kind = Kind::Close;
        } else {
            static const QString twoCharOperators[] = {QStringLiteral("<>"), QStringLiteral("<="), QStringLiteral(">="),
                                                       QStringLiteral("!="), QStringLiteral("=="), QStringLiteral("||"),
                                                       QStringLiteral("<<"), QStringLiteral(">>")};
            for (const QString &op : twoCharOperators) {
                if (QStringView(sql).mid(i, 2) == op) {
                    end = i + 2;
                    break;
                }
            }
        }
        items.push_back({kind, text.isNull() ? sql.mid(i, end - i) : text, {}});
        i = end;
    }
    return items;
}

// Words at which an additive expression ends: everything that binds less
// tightly than "+", or separates clauses.
bool isBoundaryWord(const QString &word)
{
    static const QSet<QString> words = {
        QStringLiteral("select"), QStringLiteral("from"),    QStringLiteral("where"),   QStringLiteral("and"),
        QStringLiteral("or"),     QStringLiteral("not"),     QStringLiteral("as"),      QStringLiteral("order"),
        QStringLiteral("by"),     QStringLiteral("group"),   QStringLiteral("having"),  QStringLiteral("on"),
        QStringLiteral("join"),   QStringLiteral("left"),    QStringLiteral("inner"),   QStringLiteral("outer"),
        QStringLiteral("cross"),  QStringLiteral("values"),  QStringLiteral("set"),     QStringLiteral("case"),
        QStringLiteral("when"),   QStringLiteral("then"),    QStringLiteral("else"),    QStringLiteral("end"),
        QStringLiteral("is"),     QStringLiteral("in"),      QStringLiteral("like"),    QStringLiteral("glob"),
        QStringLiteral("between"), QStringLiteral("asc"),    QStringLiteral("desc"),    QStringLiteral("limit"),
        QStringLiteral("offset"), QStringLiteral("union"),   QStringLiteral("except"),  QStringLiteral("intersect"),
        QStringLiteral("into"),   QStringLiteral("update"),  QStringLiteral("delete"),  QStringLiteral("insert"),
        QStringLiteral("collate"), QStringLiteral("escape"), QStringLiteral("distinct"), QStringLiteral("all"),
        QStringLiteral("exists"), QStringLiteral("nulls"),   QStringLiteral("using"),   QStringLiteral("natural"),
        QStringLiteral("isnull"), QStringLiteral("notnull"), QStringLiteral("with"),    QStringLiteral("create"),
        QStringLiteral("table"),  QStringLiteral("view"),
        QStringLiteral("drop"),   QStringLiteral("index"),   QStringLiteral("pragma"),  QStringLiteral("window"),
        QStringLiteral("over"),   QStringLiteral("filter"),  QStringLiteral("returning"),
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
            QStringLiteral("="),  QStringLiteral("=="), QStringLiteral("<>"), QStringLiteral("!="),
            QStringLiteral("<"),  QStringLiteral(">"),  QStringLiteral("<="), QStringLiteral(">="),
            QStringLiteral("&"),  QStringLiteral("|"),  QStringLiteral("<<"), QStringLiteral(">>"),
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

bool isWord(const Item &item, const char *word)
{
    return item.kind == Kind::Word && item.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

// Index of the next item that is not blank, or -1.
int nextSolid(const std::vector<Item> &items, int from)
{
    for (int i = from; i < static_cast<int>(items.size()); ++i)
        if (items[i].kind != Kind::Space)
            return i;
    return -1;
}

int previousSolid(const std::vector<Item> &items, int from)
{
    for (int i = from; i >= 0; --i)
        if (items[i].kind != Kind::Space)
            return i;
    return -1;
}

QString joinText(const std::vector<Item> &items, int begin, int end)
{
    QString text;
    for (int i = begin; i < end; ++i)
        text += items[i].text;
    return text;
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

// Marks each ORDER BY term to order without regard to case, by inserting a
// COLLATE item before any ASC/DESC/NULLS that ends the term.
void collateOrderTerms(std::vector<Item> &items)
{
    const Item collate{Kind::Collation, QStringLiteral(" COLLATE %1").arg(QLatin1String(caseInsensitiveCollation)), {}};
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (!isWord(items[i], "order"))
            continue;
        const int by = nextSolid(items, i + 1);
        if (by < 0 || !isWord(items[by], "by"))
            continue;
        int termStart = by + 1;
        bool hasCollate = false;
        int suffixStart = -1;
        for (int j = termStart; j <= static_cast<int>(items.size()); ++j) {
            const bool atEnd = j == static_cast<int>(items.size());
            const bool termEnds = atEnd || items[j].kind == Kind::Comma || items[j].kind == Kind::Semicolon ||
                                  isWord(items[j], "limit") || isWord(items[j], "offset");
            if (termEnds) {
                const int insertAt = suffixStart >= 0 ? suffixStart : j;
                const int lastSolid = previousSolid(items, insertAt - 1);
                if (!hasCollate && lastSolid >= termStart) {
                    items.insert(items.begin() + lastSolid + 1, collate);
                    ++j;
                }
                if (atEnd || items[j].kind != Kind::Comma)
                    break;
                termStart = j + 1;
                hasCollate = false;
                suffixStart = -1;
                continue;
            }
            if (isWord(items[j], "collate"))
                hasCollate = true;
            if (suffixStart < 0 && (isWord(items[j], "asc") || isWord(items[j], "desc") || isWord(items[j], "nulls")))
                suffixStart = j;
        }
    }
}

QString translateLevel(std::vector<Item> items);

// Replaces every parenthesised group by one Group item holding its
// translated text, so that each level sees its groups as single operands.
std::vector<Item> groupParentheses(const std::vector<Item> &tokens, size_t &position, bool nested, bool *closed)
{
    std::vector<Item> level;
    while (position < tokens.size()) {
        const Item &token = tokens[position++];
        if (token.kind == Kind::Open) {
            bool innerClosed = false;
            std::vector<Item> inner = groupParentheses(tokens, position, true, &innerClosed);
            QString qualifier;
            const int a = nextSolid(inner, 0);
            const int dot = a >= 0 ? nextSolid(inner, a + 1) : -1;
            const int b = dot >= 0 ? nextSolid(inner, dot + 1) : -1;
            if (b >= 0 && nextSolid(inner, b + 1) < 0 && (inner[a].kind == Kind::Word || inner[a].kind == Kind::Name) &&
                inner[dot].text == QLatin1String(".") && (inner[b].kind == Kind::Word || inner[b].kind == Kind::Name))
                qualifier = inner[a].text + QLatin1Char('.');
            // An unclosed group stays unclosed, so that SQLite reports the syntax error.
            level.push_back({Kind::Group,
                             QLatin1Char('(') + translateLevel(std::move(inner)) +
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

void rewriteFirstAndLast(std::vector<Item> &items)
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
        items[i].text = first ? QStringLiteral("jet_first") : QStringLiteral("jet_last");
        QString &call = items[group].text;
        call.chop(1);
        call += QStringLiteral(", %1rowid)").arg(items[group].rowidQualifier);
    }
}

QString translateLevel(std::vector<Item> items)
{
    rewriteFirstAndLast(items);
    collateOrderTerms(items);
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

QString toSqlite(const QString &statement)
{
    const std::vector<Item> tokens = tokenize(statement);
    size_t position = 0;
    // At the top level a stray ")" closes nothing; it stays, for SQLite to report.
    return translateLevel(groupParentheses(tokens, position, false, nullptr));
}

} // namespace JetSql
