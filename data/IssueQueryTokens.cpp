#include "data/IssueQueryTokens.h"

namespace IssueQuery {
namespace {

bool isSpace(QChar c)
{
    return c.isSpace();
}

class Tokenizer {
public:
    explicit Tokenizer(const QString &text) : m_text(text) {}

    std::vector<Token> run()
    {
        tokenize();
        return std::move(m_tokens);
    }

private:
    void tokenize()
    {
        int i = 0;
        const int size = int(m_text.size());
        bool termStart = true;
        while (i < size) {
            const QChar c = m_text[i];
            if (isSpace(c)) {
                ++i;
                termStart = true;
                continue;
            }
            Token token;
            token.position = i;
            if (c == u'(' || c == u')') {
                token.kind = c == u'(' ? Token::Kind::Open : Token::Kind::Close;
                token.length = 1;
                m_tokens.push_back(token);
                ++i;
                termStart = true;
                continue;
            }
            if (c == u'-' && termStart && i + 1 < size && !isSpace(m_text[i + 1])) {
                token.kind = Token::Kind::Not;
                token.length = 1;
                m_tokens.push_back(token);
                ++i;
                continue;
            }
            termStart = false;
            if (c == u'"') {
                token.kind = Token::Kind::Phrase;
                token.text = quoted(i);
                token.length = i - token.position;
                m_tokens.push_back(token);
                continue;
            }
            while (i < size && !endsWord(m_text[i]))
                ++i;
            token.text = m_text.mid(token.position, i - token.position);
            if (splitTerm(token.text, token.field, token.comparison, token.value)) {
                token.kind = Token::Kind::Term;
                // A quoted value follows the operator directly: assignee:"Ada O'Lane".
                if (token.value.isEmpty() && i < size && m_text[i] == u'"') {
                    token.value = quoted(i);
                    token.quoted = true;
                }
            } else if (token.text.compare(u"or", Qt::CaseInsensitive) == 0) {
                token.kind = Token::Kind::Or;
            } else if (token.text.compare(u"and", Qt::CaseInsensitive) == 0) {
                token.kind = Token::Kind::And;
            } else {
                token.kind = Token::Kind::Word;
            }
            token.length = i - token.position;
            m_tokens.push_back(token);
        }
        Token end;
        end.position = size;
        m_tokens.push_back(end);
    }

    // The text between the quote at i and the next one; i moves past it.
    QString quoted(int &i)
    {
        const int opening = i;
        const int closing = int(m_text.indexOf(u'"', i + 1));
        if (closing < 0)
            throw Unreadable(QStringLiteral("This quote is not closed."), opening, 1);
        i = closing + 1;
        return m_text.mid(opening + 1, closing - opening - 1);
    }

    const QString &m_text;
    std::vector<Token> m_tokens;
};

} // namespace

bool splitTerm(const QString &word, QString &name, Comparison &comparison, QString &value)
{
    int i = 0;
    while (i < word.size() && (word[i].isLetter() || word[i] == u'-'))
        ++i;
    if (i == 0 || i == word.size())
        return false;
    name = word.left(i);
    const QStringView rest = QStringView(word).mid(i);
    int operatorLength = 1;
    if (rest.startsWith(u"<="))
        comparison = Comparison::LessOrEqual, operatorLength = 2;
    else if (rest.startsWith(u">="))
        comparison = Comparison::GreaterOrEqual, operatorLength = 2;
    else if (rest[0] == u'<')
        comparison = Comparison::Less;
    else if (rest[0] == u'>')
        comparison = Comparison::Greater;
    else if (rest[0] == u':' || rest[0] == u'=')
        comparison = Comparison::Equal;
    else
        return false;
    value = rest.mid(operatorLength).toString();
    return true;
}

std::vector<Token> tokenize(const QString &text)
{
    return Tokenizer(text).run();
}

} // namespace IssueQuery
