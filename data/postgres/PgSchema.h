#pragma once
// The Marrowdesk tables on a PostgreSQL server (PgSchema.sql, PgNotify.sql
// and PgTeam.sql): making them in an empty database, bringing an older one
// up to date, and telling a Marrowdesk database from any other.

class PgSession;

namespace PgSchema {

// The schema version the server's tables are at (marrow_schema_version()).
inline constexpr int version = 6;

// Throws Error unless the session's database holds Marrowdesk tables of
// this version. A database of version 5 (before roles per person) is
// brought up to this one in one transaction when the session's user owns
// its tables; anyone else is refused with a message naming the owner.
void check(PgSession &session);

// Makes the tables, views, rules and trash in one transaction, owned by the
// session's user, with the database's member role (PgTeam) and its rights;
// making that role needs CREATEROLE. Refuses, with Error and nothing made,
// a database that already holds any table.
void create(PgSession &session);

} // namespace PgSchema
