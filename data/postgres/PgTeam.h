#pragma once
// The people of a team database on a server: each has a login role of their
// own in the database's member role, which may do what the program needs
// and nothing more (PgMembers.sql, PgTeam.sql). The tables' owner manages
// them (marrowdesk-sql --add-member, --remove-member); that role needs
// CREATEROLE. Failures are Error or Refusal with a message for the user.

#include <QByteArray>
#include <QString>
#include <QStringList>

class PgSession;

namespace PgTeam {

// The member role of the session's database; empty before it has one
// (a database brought up from version 5 gets it with its first member).
QString memberRole(PgSession &session);

// Whether a role of this name exists on the server.
bool roleExists(PgSession &session, const QString &name);

// Makes a login role for a person, in the member role, with the password
// (sent to the server only as its SCRAM hash, so that no log or view of
// the server ever holds it). A role that exists already is made a member
// as it is, its password unchanged (password is then ignored); one that
// cannot log in is refused, as is an empty name or password. Makes the
// member role first when missing, and grants its rights again, so that a
// later schema's new tables are granted too. One transaction.
// What addMember did: made a login, made an existing one a member, or
// found it a member already.
enum class Added { Made, Granted, AlreadyMember };
Added addMember(PgSession &session, const QString &name, const QByteArray &password);

// What removeMember did with the role itself.
struct Removed {
    bool dropped = false; // the login role is gone
    QString keptBecause;  // why not, when it has other uses on the server
};

// Takes the person out of the member role, so that their sessions lose
// every right at their next statement, then drops their login role when
// it is a plain one (no other role membership, nothing it owns). Refuses a
// role that is not a member, and one that can act as the tables' owner.
Removed removeMember(PgSession &session, const QString &name);

// The roles in the member role, by name.
QStringList members(PgSession &session);

} // namespace PgTeam
