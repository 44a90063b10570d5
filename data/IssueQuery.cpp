#include "data/IssueQuery.h"

#include "data/DateText.h"
#include "data/IssueQueryTokens.h"

#include <QRegularExpression>

#include <optional>

namespace IssueQuery {

namespace {

using Meaning = Condition::Meaning;

// Reads the tokens into a tree of conditions: OR binds looser than the
// terms side by side, '-' and parentheses bind tightest.
class Reader {
public:
    Reader(const QString &text, const QDate &today, const QLocale &locale)
        : m_today(today), m_locale(locale), m_tokens(tokenize(text))
    {
    }

    Node read(bool &namesMe, std::vector<std::pair<int, int>> &spans)
    {
        Node root = readAny(0);
        spans = root.kind == Node::Kind::Any ? std::vector<std::pair<int, int>>() : m_spans;
        if (current().kind == Token::Kind::Close)
            throw Unreadable(QStringLiteral("This \u201c)\u201d has no \u201c(\u201d before it."), current().position,
                             1);
        namesMe = m_namesMe;
        return root;
    }

private:
    const Token &current() const { return m_tokens[m_next]; }

    static bool startsTerm(Token::Kind kind)
    {
        return kind == Token::Kind::Word || kind == Token::Kind::Phrase || kind == Token::Kind::Term ||
               kind == Token::Kind::Open || kind == Token::Kind::Not;
    }

    // Terms joined by OR. Long runs are read in a loop, not by recursion.
    Node readAny(int depth)
    {
        Node any;
        any.kind = Node::Kind::Any;
        any.children.push_back(readAll(depth));
        while (current().kind == Token::Kind::Or) {
            const Token &orToken = current();
            ++m_next;
            if (!startsTerm(current().kind))
                throw Unreadable(QStringLiteral("OR needs a term on each side."), orToken.position, orToken.length);
            any.children.push_back(readAll(depth));
        }
        return any.children.size() == 1 ? std::move(any.children.front()) : any;
    }

    Node readAll(int depth)
    {
        Node all;
        all.kind = Node::Kind::All;
        for (;;) {
            const Token &token = current();
            if (token.kind == Token::Kind::And) {
                ++m_next;
                if (all.children.empty() || !startsTerm(current().kind))
                    throw Unreadable(QStringLiteral("AND needs a term on each side."), token.position, token.length);
                continue;
            }
            if (!startsTerm(token.kind))
                break;
            const int start = token.position;
            all.children.push_back(readOne(depth));
            if (depth == 0) {
                const Token &last = m_tokens[m_next - 1];
                m_spans.emplace_back(start, last.position + last.length - start);
            }
        }
        if (all.children.empty() && current().kind == Token::Kind::Or)
            throw Unreadable(QStringLiteral("OR needs a term on each side."), current().position, current().length);
        return all.children.size() == 1 ? std::move(all.children.front()) : all;
    }

    void deeper(int depth, const Token &token)
    {
        if (depth + 1 > maxDepth)
            throw Unreadable(
                QStringLiteral("The query nests parentheses and \u201c-\u201d more than %1 deep.").arg(maxDepth),
                token.position, token.length);
    }

    Node readOne(int depth)
    {
        const Token token = current();
        ++m_next;
        switch (token.kind) {
        case Token::Kind::Not: {
            deeper(depth, token);
            if (!startsTerm(current().kind))
                throw Unreadable(QStringLiteral("\u201c-\u201d needs a term after it."), token.position, 1);
            Node negated;
            negated.kind = Node::Kind::Not;
            negated.children.push_back(readOne(depth + 1));
            return negated;
        }
        case Token::Kind::Open: {
            deeper(depth, token);
            if (current().kind == Token::Kind::Close)
                throw Unreadable(QStringLiteral("These parentheses hold nothing."), token.position,
                                 current().position + 1 - token.position);
            Node inside = readAny(depth + 1);
            if (current().kind != Token::Kind::Close)
                throw Unreadable(QStringLiteral("This \u201c(\u201d is not closed."), token.position, 1);
            ++m_next;
            return inside;
        }
        case Token::Kind::Word:
        case Token::Kind::Phrase:
            return match(Condition{Field::Anywhere, Meaning::Contains, Comparison::Equal, token.text, {}, {}, 0});
        case Token::Kind::Term:
            return match(condition(token));
        default:
            throw Unreadable(QStringLiteral("A term is missing here."), token.position, std::max(token.length, 1));
        }
    }

    static Node match(Condition condition)
    {
        Node node;
        node.kind = Node::Kind::Match;
        node.condition = std::move(condition);
        return node;
    }

    [[noreturn]] static void refuse(const Token &token, const QString &reason)
    {
        throw Unreadable(reason, token.position, token.length);
    }

    static bool isWord(const Token &token, const char *word)
    {
        return !token.quoted && token.value.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }

    Condition condition(const Token &token)
    {
        const std::optional<Field> field = fieldNamed(token.field);
        if (!field)
            refuse(token, QStringLiteral("There is no field \u201c%1\u201d. Fields: %2.")
                              .arg(token.field, fieldNames().join(QStringLiteral(", "))));
        Condition condition;
        condition.field = *field;
        condition.comparison = token.comparison;
        const bool equal = token.comparison == Comparison::Equal;
        const QString name = token.field.toLower();
        if (*field != Field::Due && *field != Field::Opened && *field != Field::Id && !equal)
            refuse(token,
                   QStringLiteral("\u201c%1\u201d takes \u201c:\u201d, not \u201c<\u201d or \u201c>\u201d.").arg(name));
        if (token.value.isEmpty() && *field != Field::Id && *field != Field::State) {
            condition.meaning = Meaning::Empty;
            if (!equal)
                refuse(token,
                       QStringLiteral("\u201c%1\u201d needs a date after \u201c<\u201d or \u201c>\u201d.").arg(name));
            return condition;
        }
        switch (*field) {
        case Field::Title:
        case Field::Comment:
        case Field::Anywhere:
            condition.meaning = Meaning::Contains;
            condition.text = token.value;
            return condition;
        case Field::Status:
            if (isWord(token, "open") || isWord(token, "closed")) {
                condition.field = Field::State;
                condition.meaning = isWord(token, "open") ? Meaning::Open : Meaning::Closed;
                return condition;
            }
            [[fallthrough]];
        case Field::Category:
        case Field::Priority:
            condition.meaning = Meaning::Is;
            condition.text = token.value;
            return condition;
        case Field::Assignee:
        case Field::Opener:
            if (isWord(token, "me")) {
                condition.meaning = Meaning::Me;
                m_namesMe = true;
                return condition;
            }
            condition.meaning = Meaning::Is;
            condition.text = token.value;
            return condition;
        case Field::State:
            if (isWord(token, "yes") || isWord(token, "true") || isWord(token, "1"))
                condition.meaning = Meaning::Closed;
            else if (isWord(token, "no") || isWord(token, "false") || isWord(token, "0"))
                condition.meaning = Meaning::Open;
            else
                refuse(token, QStringLiteral("\u201cclosed\u201d takes yes or no."));
            return condition;
        case Field::Id: {
            bool isNumber = false;
            condition.number = token.value.toLongLong(&isNumber);
            if (!isNumber)
                refuse(token, QStringLiteral("\u201cid\u201d takes a number, such as id:12 or id>100."));
            condition.meaning = Meaning::Number;
            return condition;
        }
        case Field::Due:
        case Field::Opened:
            return dated(token, condition);
        }
        refuse(token, QStringLiteral("This term cannot be read."));
    }

    // A day range from a date word, a relative day or a date.
    Condition dated(const Token &token, Condition condition)
    {
        const bool equal = token.comparison == Comparison::Equal;
        if (condition.field == Field::Due && isWord(token, "overdue")) {
            if (!equal)
                refuse(token, QStringLiteral("\u201coverdue\u201d takes \u201c:\u201d only: due:overdue."));
            condition.meaning = Meaning::Overdue;
            return condition;
        }
        QDate from, to;
        if (!days(token, from, to))
            refuse(token, QStringLiteral("\u201c%1\u201d takes a date: 2026-12-31, %2, today, -30d, +2w, this-week%3.")
                              .arg(token.field.toLower(), DateText::toText(QDate(2026, 12, 31), m_locale),
                                   condition.field == Field::Due ? QStringLiteral(", overdue") : QString()));
        condition.meaning = Meaning::Days;
        switch (token.comparison) {
        case Comparison::Equal:
            break;
        case Comparison::Less:
            to = from, from = QDate();
            break;
        case Comparison::LessOrEqual:
            from = QDate();
            break;
        case Comparison::Greater:
            from = to, to = QDate();
            break;
        case Comparison::GreaterOrEqual:
            to = QDate();
            break;
        }
        condition.comparison = Comparison::Equal;
        condition.from = from;
        condition.to = to;
        return condition;
    }

    bool days(const Token &token, QDate &from, QDate &to) const
    {
        const auto single = [&](const QDate &day) {
            from = day;
            to = day.addDays(1);
            return day.isValid();
        };
        if (!token.quoted) {
            if (isWord(token, "today"))
                return single(m_today);
            if (isWord(token, "yesterday"))
                return single(m_today.addDays(-1));
            if (isWord(token, "tomorrow"))
                return single(m_today.addDays(1));
            const int back = (m_today.dayOfWeek() - int(m_locale.firstDayOfWeek()) + 7) % 7;
            const QDate weekStart = m_today.addDays(-back);
            const auto week = [&](int offset) {
                from = weekStart.addDays(qint64(7) * offset);
                to = from.addDays(7);
                return true;
            };
            if (isWord(token, "this-week"))
                return week(0);
            if (isWord(token, "last-week"))
                return week(-1);
            if (isWord(token, "next-week"))
                return week(1);
            if (isWord(token, "this-month")) {
                from = QDate(m_today.year(), m_today.month(), 1);
                to = from.addMonths(1);
                return true;
            }
            static const QRegularExpression relative(QStringLiteral("^([+-])(\\d{1,5})([dwmy])$"),
                                                     QRegularExpression::CaseInsensitiveOption);
            const QRegularExpressionMatch found = relative.match(token.value);
            if (found.hasMatch()) {
                const int amount = found.captured(2).toInt() * (found.captured(1) == QLatin1String("-") ? -1 : 1);
                const QChar unit = found.captured(3).at(0).toLower();
                if (unit == u'd')
                    return single(m_today.addDays(amount));
                if (unit == u'w')
                    return single(m_today.addDays(7 * qint64(amount)));
                if (unit == u'm')
                    return single(m_today.addMonths(amount));
                return single(m_today.addYears(amount));
            }
        }
        const auto date = DateText::parse(token.value, m_locale);
        if (!date)
            return false;
        if (const QDate *day = std::get_if<QDate>(&*date))
            return single(*day);
        return single(std::get<QDateTime>(*date).date());
    }

    QDate m_today;
    QLocale m_locale;
    std::vector<Token> m_tokens;
    size_t m_next = 0;
    bool m_namesMe = false;
    std::vector<std::pair<int, int>> m_spans; // of the top-level terms
};

void describe(const Node &node, QString &out)
{
    const auto list = [&](const char *name) {
        out += QLatin1String(name) + u'(';
        for (size_t i = 0; i < node.children.size(); ++i) {
            if (i)
                out += QStringLiteral(", ");
            describe(node.children[i], out);
        }
        out += u')';
    };
    switch (node.kind) {
    case Node::Kind::All:
        return list("all");
    case Node::Kind::Any:
        return list("any");
    case Node::Kind::Not:
        return list("not");
    case Node::Kind::Match:
        break;
    }
    const Condition &c = node.condition;
    const QString field = c.field == Field::Anywhere ? QStringLiteral("any")
                          : c.field == Field::State  ? QStringLiteral("state")
                                                     : fieldName(c.field);
    switch (c.meaning) {
    case Meaning::Contains:
        out += QStringLiteral("has(%1,\"%2\")").arg(field, c.text);
        return;
    case Meaning::Is:
        out += QStringLiteral("is(%1,\"%2\")").arg(field, c.text);
        return;
    case Meaning::Empty:
        out += QStringLiteral("empty(%1)").arg(field);
        return;
    case Meaning::Me:
        out += QStringLiteral("me(%1)").arg(field);
        return;
    case Meaning::Open:
        out += QStringLiteral("open");
        return;
    case Meaning::Closed:
        out += QStringLiteral("closed");
        return;
    case Meaning::Overdue:
        out += QStringLiteral("overdue");
        return;
    case Meaning::Days:
        out += QStringLiteral("days(%1,%2,%3)")
                   .arg(field, c.from.toString(Qt::ISODate),
                        c.to.isValid() ? c.to.addDays(-1).toString(Qt::ISODate) : QString());
        return;
    case Meaning::Number: {
        static const char *const signs[] = {"=", "<", "<=", ">", ">="};
        out += QStringLiteral("id%1%2").arg(QLatin1String(signs[int(c.comparison)])).arg(c.number);
        return;
    }
    }
}

} // namespace

Unreadable::Unreadable(const QString &reason, int position, int length)
    : Error(QStringLiteral("%1 (at character %2)").arg(reason).arg(position + 1)), m_reason(reason),
      m_position(position), m_length(length)
{
}

bool isPlainText(const QString &text)
{
    if (text.contains(u'"') || text.contains(u'(') || text.contains(u')'))
        return false;
    const QStringList words = text.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
    for (const QString &word : words) {
        if (word.startsWith(u'-') && word.size() > 1)
            return false;
        QString name, value;
        Comparison comparison;
        if (splitTerm(word, name, comparison, value) && fieldNamed(name))
            return false;
    }
    return true;
}

Query Query::parse(const QString &text, const QDate &today, const QLocale &locale)
{
    Query query;
    const QString trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return query;
    if (isPlainText(text)) {
        query.m_root.kind = Node::Kind::Match;
        query.m_root.condition.text = trimmed;
        const int start = int(text.indexOf(trimmed));
        query.m_spans.emplace_back(start, int(trimmed.size()));
        return query;
    }
    query.m_plain = false;
    Reader reader(text, today, locale);
    query.m_root = reader.read(query.m_namesMe, query.m_spans);
    return query;
}

QString Query::describe() const
{
    QString out;
    IssueQuery::describe(m_root, out);
    return out;
}

std::vector<Query::Conjunct> Query::conjuncts() const
{
    std::vector<Conjunct> parts;
    if (m_spans.empty())
        return parts;
    if (m_root.kind == Node::Kind::All) {
        for (size_t i = 0; i < m_root.children.size() && i < m_spans.size(); ++i)
            parts.push_back(Conjunct{&m_root.children[i], m_spans[i].first, m_spans[i].second});
    } else {
        parts.push_back(Conjunct{&m_root, m_spans.front().first, m_spans.front().second});
    }
    return parts;
}

} // namespace IssueQuery
