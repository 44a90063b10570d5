#pragma once
// The Marrowdesk tables on a PostgreSQL server (PgSchema.sql, PgNotify.sql,
// PgTeam.sql, PgHistory.sql, PgViews.sql, PgAttachments.sql, PgWatches.sql and PgClosing.sql): making them in an empty database, bringing an older one
// up to date, and telling a Marrowdesk database from any other.

#include <QtGlobal>

class PgSession;

namespace PgSchema {

// The schema version the server's tables are at (marrow_schema_version()).
inline constexpr int version = 11;
// The oldest version upgrade brings up to this one.
inline constexpr int oldestUpgraded = 5;

// Throws Error unless the session's database holds Marrowdesk tables of
// this version. An older one is a Refusal that names its owner and the
// command that upgrades it (marrowdesk-sql --upgrade).
void check(PgSession &session);

// Brings a database of version 5 (before roles per person), 6 (before
// the history), 7 (before saved views), 8 (before attachments), 9 (before watches) or 10 (before closing statuses) up to this version in one transaction, as the owner of its
// tables (or a role that can act as it); returns the version it found,
// this one when there was nothing to do. Anyone else, and a database this
// program cannot upgrade, is refused with nothing changed.
qint64 upgrade(PgSession &session);

// Makes the tables, views, rules and trash in one transaction, owned by the
// session's user, with the database's member role (PgTeam) and its rights;
// making that role needs CREATEROLE. Refuses, with Error and nothing made,
// a database that already holds any table.
void create(PgSession &session);

} // namespace PgSchema
