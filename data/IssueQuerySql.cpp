#include "data/IssueQuerySql.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/Session.h"
#include "data/TextCollator.h"
#include "data/sqlite/Engine.h"

namespace IssueQuerySql {

namespace {

using IssueQuery::Condition;
using IssueQuery::Field;
using IssueQuery::Node;
using Meaning = Condition::Meaning;

// The columns of the issue list, which a bare word is looked for in.
constexpr const char *listColumns[] = {"ID",       "Title",  "Assigned To Name", "Opened By Name", "Opened Date",
                                       "Due Date", "Status", "Category",         "Priority",       "Comment"};

const char *columnOf(Field field)
{
    switch (field) {
    case Field::Title:
        return "Title";
    case Field::Comment:
        return "Comment";
    case Field::Status:
        return "Status";
    case Field::Category:
        return "Category";
    case Field::Priority:
        return "Priority";
    case Field::Assignee:
        return "Assigned To Name";
    case Field::Opener:
        return "Opened By Name";
    case Field::Due:
        return "Due Date";
    case Field::Opened:
        return "Opened Date";
    case Field::Id:
        return "ID";
    case Field::Anywhere:
    case Field::State:
        break;
    }
    return "ID";
}

QString quotedName(const char *name)
{
    return u'"' + QLatin1String(name) + u'"';
}

class Compiler {
public:
    Compiler(const Session &session, const QString &me, const QDate &today)
        : m_session(session), m_me(me), m_today(today)
    {
    }

    QString condition(const Node &node)
    {
        switch (node.kind) {
        case Node::Kind::Match:
            // Two-valued: a missing value makes a condition false, never
            // unknown, so that "-" keeps what the condition drops.
            return u'(' + match(node.condition) + QStringLiteral(") IS TRUE");
        case Node::Kind::Not:
            return QStringLiteral("NOT (") + condition(node.children.front()) + u')';
        case Node::Kind::All:
            return node.children.empty() ? QStringLiteral("1 = 1")
                                         : joined(node.children, 0, node.children.size(), "AND");
        case Node::Kind::Any:
            return joined(node.children, 0, node.children.size(), "OR");
        }
        return QStringLiteral("1 = 0");
    }

    QStringList parameters;

private:
    // Long runs of terms nest as a balanced tree: an engine parses
    // "a AND b AND c ..." one level deeper per term, and limits the depth.
    QString joined(const std::vector<Node> &nodes, size_t from, size_t to, const char *join)
    {
        if (to - from == 1)
            return condition(nodes[from]);
        const size_t middle = from + (to - from) / 2;
        return u'(' + joined(nodes, from, middle, join) + u' ' + QLatin1String(join) + u' ' +
               joined(nodes, middle, to, join) + u')';
    }

    QString parameter(const QString &value)
    {
        parameters << value;
        return QStringLiteral("$%1").arg(parameters.size());
    }

    QString closed() const { return QStringLiteral("\"ID\" IN (SELECT \"ID\" FROM \"Closed Issues\")"); }

    QString match(const Condition &c)
    {
        const QString column = quotedName(columnOf(c.field));
        switch (c.meaning) {
        case Meaning::Contains: {
            const QString needle = parameter(Engine::withoutCaseAndAccents(c.text));
            if (c.field != Field::Anywhere)
                return m_session.foldedContains(column, needle);
            QStringList each;
            for (const char *name : listColumns)
                each << m_session.foldedContains(quotedName(name), needle);
            return each.join(QStringLiteral(" OR "));
        }
        case Meaning::Is:
            return column + QStringLiteral(" = ") + parameter(c.text);
        case Meaning::Me:
            return m_me.isEmpty() ? QStringLiteral("1 = 0") : column + QStringLiteral(" = ") + parameter(m_me);
        case Meaning::Empty:
            if (c.field == Field::Due || c.field == Field::Opened)
                return column + QStringLiteral(" IS NULL");
            return column + QStringLiteral(" IS NULL OR ") + column + QStringLiteral(" = ''");
        case Meaning::Open:
            return QStringLiteral("NOT ") + closed();
        case Meaning::Closed:
            return closed();
        case Meaning::Overdue:
            return column + QStringLiteral(" < ") + parameter(m_today.toString(Qt::ISODate)) +
                   QStringLiteral(" AND NOT ") + closed();
        case Meaning::Days: {
            QStringList bounds;
            if (c.from.isValid())
                bounds << column + QStringLiteral(" >= ") + parameter(c.from.toString(Qt::ISODate));
            if (c.to.isValid())
                bounds << column + QStringLiteral(" < ") + parameter(c.to.toString(Qt::ISODate));
            return bounds.isEmpty() ? column + QStringLiteral(" IS NOT NULL") : bounds.join(QStringLiteral(" AND "));
        }
        case Meaning::Number: {
            static const char *const signs[] = {" = ", " < ", " <= ", " > ", " >= "};
            return column + QLatin1String(signs[int(c.comparison)]) + parameter(QString::number(c.number));
        }
        }
        return QStringLiteral("1 = 0");
    }

    const Session &m_session;
    QString m_me;
    QDate m_today;
};

QString nameOf(const Value &first, const Value &last)
{
    return first.isNull() || last.isNull() ? QString() : first.toText() + u' ' + last.toText();
}

// The name of the contact the account is, or empty text.
QString accountContact(Connection &connection)
{
    if (!connection.isShared())
        return QString();
    // The member's login: the name the team knows the person by.
    Recordset login;
    login.Open(QStringLiteral("SELECT CAST(session_user AS text)"), {}, connection);
    const QString member = login.Eof() ? QString() : login.field(0).toTextOrEmpty();
    if (member.isEmpty())
        return QString();
    Recordset rs;
    rs.Open(QStringLiteral("SELECT \"First Name\", \"Last Name\", \"E-mail Address\" FROM \"Contacts\""), {},
            connection);
    const TextCollator &collator = TextCollator::ofThisThread();
    QStringList found;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString name = nameOf(rs.field(0), rs.field(1));
        if (collator.equal(rs.field(0).toTextOrEmpty(), member) || collator.equal(name, member) ||
            collator.equal(rs.field(2).toTextOrEmpty().section(u'@', 0, 0), member))
            found << name;
    }
    return found.size() == 1 ? found.front() : QString();
}

} // namespace

QString meName(Connection &connection, qint64 chosenContact)
{
    if (const QString name = accountContact(connection); !name.isEmpty())
        return name;
    if (chosenContact <= 0)
        return QString();
    Recordset rs;
    rs.Open(QStringLiteral("SELECT \"First Name\", \"Last Name\" FROM \"Contacts\" WHERE \"ID\" = $1"),
            {QString::number(chosenContact)}, connection);
    return rs.Eof() ? QString() : nameOf(rs.field(0), rs.field(1));
}

qint64 meContactId(Connection &connection, qint64 chosenContact)
{
    if (!connection.isShared())
        return chosenContact;
    // As meName finds the login's contact, by ID.
    Recordset login;
    login.Open(QStringLiteral("SELECT CAST(session_user AS text)"), {}, connection);
    const QString member = login.Eof() ? QString() : login.field(0).toTextOrEmpty();
    if (member.isEmpty())
        return chosenContact;
    Recordset rs;
    rs.Open(QStringLiteral("SELECT \"ID\", \"First Name\", \"Last Name\", \"E-mail Address\" FROM \"Contacts\""), {},
            connection);
    const TextCollator &collator = TextCollator::ofThisThread();
    QList<qint64> found;
    for (; !rs.Eof(); rs.MoveNext()) {
        const QString name = nameOf(rs.field(1), rs.field(2));
        if (collator.equal(rs.field(1).toTextOrEmpty(), member) || collator.equal(name, member) ||
            collator.equal(rs.field(3).toTextOrEmpty().section(u'@', 0, 0), member))
            found << rs.field(0).toInteger();
    }
    return found.size() == 1 ? found.front() : chosenContact;
}

QList<std::pair<qint64, QString>> contactChoices(Connection &connection)
{
    Recordset rs;
    rs.Open(QStringLiteral("SELECT \"ID\", \"First Name\", \"Last Name\" FROM \"Contacts\" "
                           "ORDER BY \"First Name\", \"Last Name\", \"ID\""),
            {}, connection);
    QList<std::pair<qint64, QString>> choices;
    for (; !rs.Eof(); rs.MoveNext())
        choices.append({rs.field(0).toText().toLongLong(),
                        (rs.field(1).toTextOrEmpty() + u' ' + rs.field(2).toTextOrEmpty()).trimmed()});
    return choices;
}

Statement select(const IssueQuery::Query &query, const Session &session, const QString &me, const QDate &today)
{
    Compiler compiler(session, me, today);
    Statement statement;
    statement.text = QStringLiteral("SELECT * FROM \"Issues With Names\" WHERE ") + compiler.condition(query.root()) +
                     QStringLiteral(" ORDER BY \"ID\"");
    statement.parameters = compiler.parameters;
    return statement;
}

void open(Recordset &rs, Connection &connection, const IssueQuery::Query &query, const QString &me, const QDate &today)
{
    const Session *session = connection.session();
    if (!session)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    const Statement statement = select(query, *session, me, today);
    rs.Open(statement.text, statement.parameters, connection);
}

} // namespace IssueQuerySql
