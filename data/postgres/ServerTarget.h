#pragma once
// What the program may do with the text that names a database server (a
// postgresql:// URI or libpq's key=value form) before connecting to it.

#include <QString>

namespace ServerTarget {

// Whether the target carries a password ("password=..." or the
// "user:secret@" part of a URI). Such a target is never kept in the
// settings: a password belongs in ~/.pgpass or PGPASSWORD.
bool holdsPassword(const QString &target);

// Whether libpq reads the text as a target at all; the reason when not.
bool isReadable(const QString &target, QString *why = nullptr);

} // namespace ServerTarget
