#pragma once
// The tables, indexes, triggers and views of the newest schema, as a new
// database file has them: made once per process by running schema.sql and
// every upgrade step on a database held in memory, the way the template is
// made. The one list of what belongs to the schema, for making again what a
// file lost and for refusing statements that would change it.

#include <QString>

#include <vector>

namespace SchemaObjects {

struct Object {
    QString type; // "table", "index", "trigger" or "view"
    QString name;
    QString table; // the table an index or trigger belongs to; a table's and a view's own name
    QString sql;   // the statement that makes it
};

// In the order they were made, so that each can be made again after what it
// uses. Throws Error when the schema cannot be built (a fault of the build).
const std::vector<Object> &all();

// The object of that name, in any letter case; null when the schema has none.
const Object *find(const QString &name);

} // namespace SchemaObjects
