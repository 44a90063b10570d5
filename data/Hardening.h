#pragma once
// What every SQLite connection of the program refuses, whatever statement
// text reaches it: a statement must never reach another file or the machine
// itself. Applied to each connection right after it opens:
//  - defensive mode: no writes to the schema table or to shadow tables;
//  - no extension loading, no fts3 tokenizer pointers, no trust in
//    functions named by the schema beyond those marked innocuous;
//  - an authorizer that refuses ATTACH of any named file (the only way a
//    statement reaches another file: VACUUM INTO attaches its target too;
//    plain VACUUM's private temporary database stays allowed), PRAGMA
//    writable_schema and the other pragmas that bypass these checks, and the
//    functions load_extension and fts3_tokenizer.

#include <QString>

struct sqlite3;

namespace Hardening {

// Applies the protections. Returns an SQLite result code.
int apply(sqlite3 *db);

// Also refuses, from now on, statements that change the schema's own
// objects (data/SchemaObjects.h): dropping, making or altering one, or a
// trigger of another program on one of its tables; and writes to PRAGMA
// user_version and application_id, which say what the file is. Returns an
// SQLite result code.
int guardSchema(sqlite3 *db);

// Why the authorizer refused the last statement prepared on this thread, as
// a sentence a user can read.
QString lastRefusal();

} // namespace Hardening
