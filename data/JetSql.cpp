#include "data/JetSql.h"

#include "data/Error.h"
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

// Translated text, kept as pieces until the whole statement is done: a
// group's translation is referred to, never copied into the text around it,
// so that nesting and long sums cost time in proportion to the statement's
// length.
struct Piece {
    QString text;
    int group = -1; // when >= 0, stands for that group's pieces
};
using Pieces = std::vector<Piece>;

// The translated groups of one statement, by number.
struct Groups {
    std::vector<Pieces> pieces;
    std::vector<bool> closed;
};

void appendItems(const std::vector<Item> &items, int begin, int end, Pieces &out)
{
    for (int i = begin; i < end; ++i)
        out.push_back({items[i].kind == Kind::Group ? QString() : items[i].text, items[i].group});
}

bool isBlank(const Item &item)
{
    return item.kind == Kind::Space && item.text.trimmed().isEmpty();
}

// The items without the blanks at either end (a comment stays, and a line
// comment keeps its line end, or it would swallow what follows it).
void appendTrimmed(const std::vector<Item> &items, int begin, int end, Pieces &out)
{
    while (begin < end && isBlank(items[begin]))
        ++begin;
    while (end > begin && isBlank(items[end - 1]))
        --end;
    appendItems(items, begin, end, out);
    if (end > begin && items[end - 1].kind == Kind::Space && items[end - 1].text.startsWith(QLatin1String("--")))
        out.push_back({QStringLiteral("\n")});
}

// Rewrites one expression segment (no boundary inside) with binary "+" and
// "-" folded from the left: a + b - c becomes (jet_add(a, b) - c). The
// openings of all the calls are written at once, so that a sum of n terms
// takes time in proportion to n.
void foldAdditions(const std::vector<Item> &items, int begin, int end, Pieces &out)
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
    if (!hasBinaryPlus) {
        appendItems(items, begin, end, out);
        return;
    }

    // Keep leading and trailing blanks outside the rewritten expression.
    int first = begin;
    while (first < binaryOperators.front() && items[first].kind == Kind::Space)
        ++first;
    int last = end;
    while (last > binaryOperators.back() + 1 && items[last - 1].kind == Kind::Space)
        --last;

    appendItems(items, begin, first, out);
    QString openings;
    for (auto op = binaryOperators.rbegin(); op != binaryOperators.rend(); ++op)
        openings += items[*op].text == QLatin1String("+") ? QLatin1String("jet_add(") : QLatin1String("(");
    out.push_back({openings});
    appendTrimmed(items, first, binaryOperators.front(), out);
    for (size_t k = 0; k < binaryOperators.size(); ++k) {
        const int op = binaryOperators[k];
        const int operandEnd = k + 1 < binaryOperators.size() ? binaryOperators[k + 1] : last;
        out.push_back({items[op].text == QLatin1String("+") ? QStringLiteral(", ") : QStringLiteral(" - ")});
        appendTrimmed(items, op + 1, operandEnd, out);
        out.push_back({QStringLiteral(")")});
    }
    appendItems(items, last, end, out);
}

// For SQLite, marks each ORDER BY term to order without regard to case, by
// inserting a COLLATE item before any ASC/DESC/NULLS that ends the term. On
// the server the columns already order that way, but nulls come last where
// SQLite puts them first; each term without NULLS says where they go. The
// items are placed in one pass at the end, so that a long ORDER BY costs
// no more than its length.
void collateOrderTerms(std::vector<Item> &items, Target target)
{
    const Item collate{Kind::Collation, QStringLiteral(" COLLATE %1").arg(QLatin1String(caseInsensitiveCollation)), {}};
    const Item nullsFirst{Kind::Collation, QStringLiteral(" NULLS FIRST"), {}};
    const Item nullsLast{Kind::Collation, QStringLiteral(" NULLS LAST"), {}};
    std::vector<std::pair<int, const Item *>> insertions; // before which item, in rising order
    const int n = static_cast<int>(items.size());
    for (int i = 0; i < n; ++i) {
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
        int j = termStart;
        for (; j <= n; ++j) {
            const bool atEnd = j == n;
            const bool termEnds = atEnd || items[j].kind == Kind::Comma || items[j].kind == Kind::Semicolon ||
                                  isWord(items[j], "limit") || isWord(items[j], "offset");
            if (termEnds) {
                if (target == Target::Postgres) {
                    const int lastSolid = previousSolid(items, j - 1);
                    if (!hasNulls && lastSolid >= termStart)
                        insertions.emplace_back(lastSolid + 1, descending ? &nullsLast : &nullsFirst);
                } else {
                    const int insertAt = suffixStart >= 0 ? suffixStart : j;
                    const int lastSolid = previousSolid(items, insertAt - 1);
                    if (!hasCollate && lastSolid >= termStart)
                        insertions.emplace_back(lastSolid + 1, &collate);
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
        i = j; // the terms hold no further ORDER BY of this level
    }
    if (insertions.empty())
        return;
    std::vector<Item> placed;
    placed.reserve(items.size() + insertions.size());
    size_t next = 0;
    for (int i = 0; i <= n; ++i) {
        for (; next < insertions.size() && insertions[next].first == i; ++next)
            placed.push_back(*insertions[next].second);
        if (i < n)
            placed.push_back(std::move(items[i]));
    }
    items = std::move(placed);
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

void rewriteFirstAndLast(std::vector<Item> &items, Target target, Groups &groups)
{
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        const bool first = isWord(items[i], "first");
        if (!first && !isWord(items[i], "last"))
            continue;
        const int group = nextSolid(items, i + 1);
        const int previous = previousSolid(items, i - 1);
        if (group < 0 || items[group].kind != Kind::Group || !groups.closed[items[group].group])
            continue;
        Pieces &call = groups.pieces[items[group].group];
        if (call.size() == 2) // "()"
            continue;
        if (previous >= 0 && items[previous].text == QLatin1String("."))
            continue;
        const QString key = items[group].rowidQualifier + orderKey(items[group].rowidQualifier, target);
        const auto closing = call.end() - 1;
        if (target == Target::Sqlite) {
            items[i].text = first ? QStringLiteral("jet_first") : QStringLiteral("jet_last");
            call.insert(closing, {QStringLiteral(", %1").arg(key)});
        } else {
            // The server's own aggregate, ordered: the first element is the pick.
            items[i].text = QStringLiteral("(array_agg");
            call.insert(closing,
                        {QStringLiteral(" ORDER BY %1%2").arg(key, first ? QString() : QStringLiteral(" DESC"))});
            call.push_back({QStringLiteral(")[1]")});
        }
    }
}

Pieces translateLevel(std::vector<Item> items, Target target, Groups &groups)
{
    rewriteFirstAndLast(items, target, groups);
    collateOrderTerms(items, target);
    Pieces out;
    int segmentStart = 0;
    const int n = static_cast<int>(items.size());
    for (int i = 0; i <= n; ++i) {
        if (i == n || isBoundary(items[i])) {
            foldAdditions(items, segmentStart, i, out);
            if (i < n)
                appendItems(items, i, i + 1, out);
            segmentStart = i + 1;
        }
    }
    return out;
}

// The group of the items between "(" and its ")" (or the end, when closed is
// false), translated; the item that stands for it in the level around it.
Item makeGroup(std::vector<Item> inner, bool closed, Target target, Groups &groups)
{
    QString qualifier;
    const int a = nextSolid(inner, 0);
    const int dot = a >= 0 ? nextSolid(inner, a + 1) : -1;
    const int b = dot >= 0 ? nextSolid(inner, dot + 1) : -1;
    if (closed && b >= 0 && nextSolid(inner, b + 1) < 0 &&
        (inner[a].kind == Kind::Word || inner[a].kind == Kind::Name) && inner[dot].text == QLatin1String(".") &&
        (inner[b].kind == Kind::Word || inner[b].kind == Kind::Name))
        qualifier = inner[a].text + QLatin1Char('.');
    Pieces pieces{{QStringLiteral("(")}};
    Pieces translated = translateLevel(std::move(inner), target, groups);
    pieces.insert(pieces.end(), std::make_move_iterator(translated.begin()), std::make_move_iterator(translated.end()));
    // An unclosed group stays unclosed, so that the engine reports the syntax error.
    if (closed)
        pieces.push_back({QStringLiteral(")")});
    groups.pieces.push_back(std::move(pieces));
    groups.closed.push_back(closed);
    Item item{Kind::Group, QString(), qualifier};
    item.group = static_cast<int>(groups.pieces.size()) - 1;
    return item;
}

// Joins the pieces, each group's in its place.
QString render(const Pieces &top, const Groups &groups)
{
    QString text;
    std::vector<std::pair<const Pieces *, size_t>> stack{{&top, 0}};
    while (!stack.empty()) {
        auto &[pieces, next] = stack.back();
        if (next == pieces->size()) {
            stack.pop_back();
            continue;
        }
        const Piece &piece = (*pieces)[next++];
        if (piece.group >= 0)
            stack.emplace_back(&groups.pieces[piece.group], 0);
        else
            text += piece.text;
    }
    return text;
}

} // namespace

QString translate(const std::vector<Item> &tokens, Target target)
{
    // Each group becomes one Group item of the level around it, translated
    // once, so that each level sees its groups as single operands.
    Groups groups;
    std::vector<std::vector<Item>> open(1);
    for (const Item &token : tokens) {
        if (token.kind == Kind::Open) {
            if (open.size() > static_cast<size_t>(maxNesting))
                throw Error(QStringLiteral("The statement nests parentheses more than %1 levels deep, which "
                                           "Marrowdesk cannot read. Write it with fewer levels.")
                                .arg(maxNesting));
            open.emplace_back();
        } else if (token.kind == Kind::Close && open.size() > 1) {
            Item group = makeGroup(std::move(open.back()), true, target, groups);
            open.pop_back();
            open.back().push_back(std::move(group));
        } else {
            // At the top level a stray ")" closes nothing; it stays, for the engine to report.
            open.back().push_back(token);
        }
    }
    while (open.size() > 1) {
        Item group = makeGroup(std::move(open.back()), false, target, groups);
        open.pop_back();
        open.back().push_back(std::move(group));
    }
    return render(translateLevel(std::move(open.front()), target, groups), groups);
}

} // namespace JetSql::Tokens

namespace JetSql {

QString toSqlite(const QString &statement)
{
    return Tokens::translate(Tokens::tokenize(statement), Tokens::Target::Sqlite);
}

} // namespace JetSql
