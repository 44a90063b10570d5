#include "data/postgres/PgTeam.h"

#include "data/Error.h"
#include "data/postgres/PgSchemaText.h"
#include "data/postgres/PgSession.h"

#include <libpq-fe.h>

namespace PgTeam {
namespace {

// libpq's quoting of a name or a text for the statements that take no
// parameters (CREATE ROLE, GRANT, DROP ROLE).
QString quoted(PgSession &session, const QString &text, bool asName)
{
    const QByteArray bytes = text.toUtf8();
    char *escaped = asName ? PQescapeIdentifier(session.handle(), bytes.constData(), size_t(bytes.size()))
                           : PQescapeLiteral(session.handle(), bytes.constData(), size_t(bytes.size()));
    if (!escaped)
        throw Error(QString::fromUtf8(PQerrorMessage(session.handle())).trimmed());
    const QString result = QString::fromUtf8(escaped);
    PQfreemem(escaped);
    return result;
}

QString identifier(PgSession &session, const QString &text)
{
    return quoted(session, text, true);
}

QString literal(PgSession &session, const QString &text)
{
    return quoted(session, text, false);
}

// One transaction, opened with a script (the member role's grants) and
// rolled back unless committed, also when what follows throws.
class Change {
public:
    explicit Change(PgSession &session, const QByteArray &firstScript) : m_session(session)
    {
        m_session.runScript("BEGIN;\n" + firstScript);
    }
    ~Change()
    {
        if (!m_committed) {
            try {
                m_session.execute(QStringLiteral("ROLLBACK"));
            } catch (const Error &) {
                // The server ends a transaction whose session is gone.
            }
        }
    }
    Change(const Change &) = delete;
    Change &operator=(const Change &) = delete;
    void commit()
    {
        m_session.execute(QStringLiteral("COMMIT"));
        m_committed = true;
    }

private:
    PgSession &m_session;
    bool m_committed = false;
};

QString memberRoleOf(PgSession &session)
{
    return session.query(QStringLiteral("SELECT marrow_member_role()")).value(0, 0).toText();
}

void refuseBadName(const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Refusal(QStringLiteral("A member needs a name: the login the person connects with."));
    if (name.contains(QChar(0)) || name.toUtf8().size() > 63)
        throw Refusal(QStringLiteral("\"%1\" cannot name a role: the server takes names of up to 63 bytes, "
                                     "without NUL.")
                          .arg(name));
}

} // namespace

QString memberRole(PgSession &session)
{
    if (!session.query(QStringLiteral("SELECT to_regproc('marrow_member_role') IS NOT NULL")).value(0, 0).toInteger())
        return QString();
    return memberRoleOf(session);
}

bool roleExists(PgSession &session, const QString &name)
{
    return session.query(QStringLiteral("SELECT count(*) FROM pg_roles WHERE rolname = %1").arg(literal(session, name)))
        .value(0, 0)
        .toInteger();
}

Added addMember(PgSession &session, const QString &name, const QByteArray &password)
{
    refuseBadName(name);
    Change change(session, pgMembersText);
    const QString members = memberRoleOf(session);
    const PgResult found = session.query(
        QStringLiteral("SELECT rolcanlogin, EXISTS (SELECT 1 FROM pg_auth_members m WHERE m.member = r.oid AND "
                       "m.roleid = (SELECT oid FROM pg_roles WHERE rolname = %2)) FROM pg_roles r WHERE rolname = %1")
            .arg(literal(session, name), literal(session, members)));
    Added added = Added::Made;
    if (found.rowCount() == 0) {
        if (password.isEmpty())
            throw Refusal(QStringLiteral("A new member needs a password; nothing was changed."));
        // The server's own hash (its password_encryption, normally SCRAM):
        // the password never travels or lands anywhere as it is.
        char *hash = PQencryptPasswordConn(session.handle(), password.constData(), name.toUtf8().constData(), nullptr);
        if (!hash)
            throw Error(QStringLiteral("The password could not be prepared for the server: %1")
                            .arg(QString::fromUtf8(PQerrorMessage(session.handle())).trimmed()));
        const QString hashText = QString::fromUtf8(hash);
        PQfreemem(hash);
        session.execute(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD %2 IN ROLE %3")
                            .arg(identifier(session, name), literal(session, hashText), identifier(session, members)));
    } else if (!found.value(0, 0).toInteger()) {
        // A group role (another team's members, say) would bring all of its
        // people in at once.
        throw Refusal(QStringLiteral("The role %1 cannot log in, so it is no person's login; nothing was changed. "
                                     "Choose the name of a person.")
                          .arg(name));
    } else if (found.value(0, 1).toInteger()) {
        added = Added::AlreadyMember;
    } else {
        session.execute(QStringLiteral("GRANT %1 TO %2").arg(identifier(session, members), identifier(session, name)));
        added = Added::Granted;
    }
    change.commit();
    return added;
}

Removed removeMember(PgSession &session, const QString &name)
{
    refuseBadName(name);
    const QString members = memberRole(session);
    if (members.isEmpty())
        throw Refusal(QStringLiteral("The %1 has no members yet; nothing was changed.").arg(session.displayName()));
    const PgResult role = session.query(
        QStringLiteral("SELECT EXISTS (SELECT 1 FROM pg_auth_members m WHERE m.member = r.oid AND m.roleid = "
                       "(SELECT oid FROM pg_roles WHERE rolname = %2)), "
                       "pg_has_role(r.oid, (SELECT relowner FROM pg_class WHERE oid = '\"Issues\"'::regclass), "
                       "'MEMBER') FROM pg_roles r WHERE r.rolname = %1")
            .arg(literal(session, name), literal(session, members)));
    if (role.rowCount() == 0 || !role.value(0, 0).toInteger())
        throw Refusal(QStringLiteral("%1 is not a member of %2; nothing was changed.").arg(name, members));
    if (role.value(0, 1).toInteger())
        throw Refusal(QStringLiteral("%1 can act as the owner of the tables, which taking it out of %2 would not "
                                     "change; nothing was changed. Change that role on the server itself.")
                          .arg(name, members));
    session.execute(QStringLiteral("REVOKE %1 FROM %2").arg(identifier(session, members), identifier(session, name)));
    Removed removed;
    const PgResult other = session.query(
        QStringLiteral("SELECT rolsuper OR rolcreaterole OR rolcreatedb OR rolreplication OR rolbypassrls OR "
                       "EXISTS (SELECT 1 FROM pg_auth_members m WHERE m.member = r.oid) "
                       "FROM pg_roles r WHERE r.rolname = %1")
            .arg(literal(session, name)));
    if (other.value(0, 0).toInteger()) {
        removed.keptBecause = QStringLiteral("it has rights or memberships beyond this database");
        return removed;
    }
    try {
        session.execute(QStringLiteral("DROP ROLE %1").arg(identifier(session, name)));
        removed.dropped = true;
    } catch (const Error &error) {
        removed.keptBecause = error.description();
    }
    return removed;
}

QStringList members(PgSession &session)
{
    QStringList names;
    if (memberRole(session).isEmpty())
        return names;
    const PgResult found = session.query(
        QStringLiteral("SELECT r.rolname FROM pg_auth_members m JOIN pg_roles r ON r.oid = m.member "
                       "WHERE m.roleid = (SELECT oid FROM pg_roles WHERE rolname = marrow_member_role()) ORDER BY 1"));
    for (int row = 0; row < found.rowCount(); ++row)
        names << found.value(row, 0).toText();
    return names;
}

} // namespace PgTeam
