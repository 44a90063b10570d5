#include "tools/ServerCommands.h"

#include "data/ChangeSource.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/postgres/PgSchema.h"
#include "data/postgres/PgSession.h"
#include "data/postgres/PgTeam.h"
#include "tools/PasswordPrompt.h"

#include <QTextStream>

#include <functional>

namespace ServerCommands {
namespace {

// Runs a command on a session as the target's user; a target that names no
// server is refused, since a file has no roles.
int onServer(const QString &option, const QString &target, QTextStream &err,
             const std::function<void(PgSession &)> &command)
{
    if (!ConnectionText::namesServer(target)) {
        err << "error: " << option << " works on a PostgreSQL server; \"" << target
            << "\" is not a server's URI or key=value target.\n";
        return 1;
    }
    try {
        PgSession session(target);
        command(session);
    } catch (const Error &error) {
        err << "error: " << error.description() << '\n';
        return 1;
    }
    return 0;
}

} // namespace

int init(const QString &target, QTextStream &out, QTextStream &err)
{
    return onServer(QStringLiteral("--init"), target, err, [&](PgSession &session) {
        PgSchema::create(session);
        const QString members = PgTeam::memberRole(session);
        out << "Made the Marrowdesk tables (schema version " << PgSchema::version << ") in the "
            << session.displayName() << ", with the member role " << members
            << ". Give each person a login with marrowdesk-sql --add-member NAME SERVER.\n";
        const QStringList already = PgTeam::members(session);
        if (!already.isEmpty())
            out << "The role " << members
                << " existed already; its members may use this database too: " << already.join(QStringLiteral(", "))
                << ".\n";
    });
}

int upgrade(const QString &target, QTextStream &out, QTextStream &err)
{
    return onServer(QStringLiteral("--upgrade"), target, err, [&](PgSession &session) {
        // The upgrade's "known since" entries name this tool.
        session.nameChanges(QByteArray(ChangeSource::sqlShell));
        const qint64 found = PgSchema::upgrade(session);
        if (found == PgSchema::version)
            out << "The " << session.displayName() << " holds Marrowdesk tables of schema version " << found
                << " already; nothing was changed.\n";
        else
            out << "Brought the Marrowdesk tables in the " << session.displayName() << " from schema version " << found
                << " up to version " << PgSchema::version << ".\n";
    });
}

int addMember(const QString &name, const QString &target, QTextStream &out, QTextStream &err)
{
    return onServer(QStringLiteral("--add-member"), target, err, [&](PgSession &session) {
        PgSchema::check(session);
        const bool existed = PgTeam::roleExists(session, name);
        QByteArray password;
        if (!existed) {
            QString why;
            out.flush();
            password = PasswordPrompt::ask(name, &why);
            if (password.isEmpty())
                throw Refusal(QStringLiteral("No login was made: %1.").arg(why));
        }
        const PgTeam::Added added = PgTeam::addMember(session, name, password);
        const QString members = PgTeam::memberRole(session);
        if (added == PgTeam::Added::AlreadyMember)
            out << name << " is a member of " << members << " already; nothing was changed.\n";
        else if (added == PgTeam::Added::Granted)
            out << "The role " << name << " existed already; it is now a member of " << members
                << ", with its password unchanged.\n";
        else
            out << "Made the login role " << name << ", a member of " << members << " in the " << session.displayName()
                << ".\n";
    });
}

int removeMember(const QString &name, const QString &target, QTextStream &out, QTextStream &err)
{
    return onServer(QStringLiteral("--remove-member"), target, err, [&](PgSession &session) {
        PgSchema::check(session);
        const QString members = PgTeam::memberRole(session);
        const PgTeam::Removed removed = PgTeam::removeMember(session, name);
        out << name << " is no longer a member of " << members << "; ";
        if (removed.dropped)
            out << "the login role " << name << " is removed.\n";
        else
            out << "the role itself stays: " << removed.keptBecause.chopped(removed.keptBecause.endsWith('.')) << ".\n";
    });
}

} // namespace ServerCommands
