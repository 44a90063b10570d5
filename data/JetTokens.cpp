#include "data/JetTokens.h"

#include "data/Error.h"

namespace JetSql::Tokens {
namespace {

bool isWordStart(QChar c)
{
    return c.isLetter() || c == QLatin1Char('_') || c.unicode() >= 0x80;
}

bool isWordPart(QChar c)
{
    return isWordStart(c) || c.isDigit() || c == QLatin1Char('$');
}

// The end of the opening tag of PostgreSQL's dollar-quoted text at i ("$$",
// "$tag$"), or -1. "$1" and "$name" are parameters, not quotes.
int dollarTagEnd(const QString &sql, int i)
{
    int j = i + 1;
    if (j < sql.size() && isWordStart(sql[j]))
        while (j < sql.size() && isWordPart(sql[j]) && sql[j] != QLatin1Char('$'))
            ++j;
    return j < sql.size() && sql[j] == QLatin1Char('$') ? j + 1 : -1;
}

// Literals only one engine reads: PostgreSQL's dollar-quoted text and escape
// strings (E'\n'). A file would read them as something else, and a
// translation could rewrite what is inside; the dialect refuses them on
// both engines alike.
void refuseOneEngineLiterals(const std::vector<Item> &items)
{
    for (size_t i = 0; i < items.size(); ++i) {
        if (items[i].kind != Kind::Text)
            continue;
        if (items[i].text.startsWith(QLatin1Char('$')))
            throw Refusal(QStringLiteral("Dollar-quoted text (%1...) is not part of Marrowdesk's SQL, so the statement "
                                         "was not run. Write the text in single quotes, with each quote inside "
                                         "doubled: 'it''s'.")
                              .arg(items[i].text.left(dollarTagEnd(items[i].text, 0))));
        if (i > 0 && (items[i - 1].text == QLatin1String("E") || items[i - 1].text == QLatin1String("e")) &&
            items[i - 1].kind == Kind::Word)
            throw Refusal(QStringLiteral("Escape strings (E'...') are not part of Marrowdesk's SQL, so the statement "
                                         "was not run. Write the text in single quotes as it is: a backslash stands "
                                         "for itself, a line break may stand inside the quotes, and a quote is "
                                         "doubled."));
    }
}

} // namespace

QString quoteName(const QString &name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + escaped + QLatin1Char('"');
}

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
        } else if (const int tagEnd = c == QLatin1Char('$') ? dollarTagEnd(sql, i) : -1; tagEnd > 0) {
            const int close = sql.indexOf(QStringView(sql).mid(i, tagEnd - i), tagEnd);
            end = close < 0 ? n : close + (tagEnd - i);
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
    refuseOneEngineLiterals(items);
    return items;
}

bool isWord(const Item &item, const char *word)
{
    return item.kind == Kind::Word && item.text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
}

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

} // namespace JetSql::Tokens
