#pragma once
// The Marrowdesk tables on a PostgreSQL server (PgSchema.sql): making them
// in an empty database, and telling a Marrowdesk database from any other.

class PgSession;

namespace PgSchema {

// The schema version the server's tables are at (marrow_schema_version()).
inline constexpr int version = 5;

// Throws Error unless the session's database holds Marrowdesk tables of
// this version. Adds the change notifications (PgNotify.sql) to a database
// made before them, when the user owns its tables.
void check(PgSession &session);

// Makes the tables, views, rules and trash in one transaction. Refuses,
// with Error and nothing made, a database that already holds any table.
void create(PgSession &session);

} // namespace PgSchema
