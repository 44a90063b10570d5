// The query language's words: the field names and the words a value may
// be, and the terms the find bar's choices read from a query and write into
// it (data/IssueQuery.h).

#include "data/IssueQuery.h"

namespace IssueQuery {

namespace {

struct FieldName {
    const char *name;
    Field field;
};

// Long form first: fieldNames() offers those.
constexpr FieldName fieldTable[] = {
    {"status", Field::Status},     {"st", Field::Status},         {"assignee", Field::Assignee},
    {"assigned", Field::Assignee}, {"to", Field::Assignee},       {"opener", Field::Opener},
    {"by", Field::Opener},         {"priority", Field::Priority}, {"prio", Field::Priority},
    {"category", Field::Category}, {"cat", Field::Category},      {"due", Field::Due},
    {"opened", Field::Opened},     {"closed", Field::State},      {"title", Field::Title},
    {"comment", Field::Comment},   {"com", Field::Comment},       {"id", Field::Id},
};

constexpr const char *longNames[] = {"status", "assignee", "opener", "priority", "category", "due",
                                     "opened", "closed",   "title",  "comment",  "id"};

// Words a bare value gives a meaning; quoted, they are plain text.
constexpr const char *valueWords[] = {"open",      "closed",     "me",       "yes",       "no",
                                      "today",     "yesterday",  "tomorrow", "this-week", "last-week",
                                      "next-week", "this-month", "overdue",  "or",        "and"};

} // namespace

bool endsWord(QChar c)
{
    return c.isSpace() || c == u'(' || c == u')' || c == u'"';
}

QString fieldName(Field field)
{
    for (const FieldName &entry : fieldTable)
        if (entry.field == field)
            return QLatin1String(entry.name);
    return QString();
}

std::optional<Field> fieldNamed(const QString &name)
{
    for (const FieldName &entry : fieldTable)
        if (name.compare(QLatin1String(entry.name), Qt::CaseInsensitive) == 0)
            return entry.field;
    return std::nullopt;
}

QStringList allFieldNames()
{
    QStringList names;
    for (const FieldName &entry : fieldTable)
        names << QLatin1String(entry.name);
    return names;
}

QStringList valueWordsOf(Field field)
{
    switch (field) {
    case Field::Status:
        return {QStringLiteral("open"), QStringLiteral("closed")};
    case Field::Assignee:
    case Field::Opener:
        return {QStringLiteral("me")};
    case Field::State:
        return {QStringLiteral("yes"), QStringLiteral("no")};
    case Field::Due:
        return {QStringLiteral("overdue"), QStringLiteral("today"), QStringLiteral("this-week"),
                QStringLiteral("next-week"), QStringLiteral("this-month")};
    case Field::Opened:
        return {QStringLiteral("today"), QStringLiteral("this-week"), QStringLiteral("last-week"),
                QStringLiteral("this-month"), QStringLiteral("-30d")};
    default:
        return {};
    }
}

QStringList fieldNames()
{
    QStringList names;
    for (const char *name : longNames)
        names << QLatin1String(name);
    return names;
}

QString quotedValue(const QString &value)
{
    if (value.contains(u'"'))
        return QString();
    bool bare = !value.isEmpty() && !value.startsWith(u'-');
    for (const QChar c : value)
        bare = bare && !endsWord(c);
    for (const char *word : valueWords)
        bare = bare && value.compare(QLatin1String(word), Qt::CaseInsensitive) != 0;
    return bare ? value : u'"' + value + u'"';
}

namespace {

int mentions(const Node &node, Field field)
{
    int count = node.kind == Node::Kind::Match && node.condition.field == field ? 1 : 0;
    for (const Node &child : node.children)
        count += mentions(child, field);
    return count;
}

} // namespace

std::optional<QString> soleValue(const Query &query, Field field)
{
    if (mentions(query.root(), field) != 1)
        return std::nullopt;
    for (const Query::Conjunct &part : query.conjuncts())
        if (part.node->kind == Node::Kind::Match && part.node->condition.field == field &&
            part.node->condition.meaning == Condition::Meaning::Is)
            return part.node->condition.text;
    return std::nullopt;
}

QString withTerm(const QString &text, const QDate &today, const std::function<bool(const Node &)> &replaced,
                 const QString &term)
{
    QString rest = text;
    try {
        const Query query = Query::parse(text, today);
        const std::vector<Query::Conjunct> parts = query.conjuncts();
        for (auto part = parts.rbegin(); part != parts.rend(); ++part)
            if (replaced(*part->node))
                rest.remove(part->position, part->length);
        rest = rest.simplified();
        if (!rest.isEmpty() && !term.isEmpty()) {
            const Query left = Query::parse(rest, today);
            if (left.isPlain() && rest.contains(u' '))
                rest = u'"' + rest + u'"';
            else if (left.conjuncts().empty())
                rest = u'(' + rest + u')';
        }
    } catch (const Unreadable &) {
        rest = text.trimmed();
    }
    if (term.isEmpty())
        return rest;
    return rest.isEmpty() ? term : rest + u' ' + term;
}

} // namespace IssueQuery
