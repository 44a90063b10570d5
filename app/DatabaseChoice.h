#pragma once
// Which database a run opens. In order: the --database option, the
// environment variable MARROWDESK_DATABASE, the choice kept in the settings
// (key "Database"), else the usual file in the data folder. A target is a
// database file or a PostgreSQL server (a postgresql:// URI or libpq's
// key=value form; its password comes from ~/.pgpass or PGPASSWORD).

#include <QString>

struct DatabaseChoice {
    QString target; // empty: the usual file
    QString origin; // where the target came from, as a message names it

    // The choice in force, given the --database option's value (empty when
    // the option was not given).
    static DatabaseChoice resolve(const QString &option);

    // Why the target cannot be opened (a file that does not exist or is not
    // a file, a server target libpq cannot read), or empty text. The server
    // itself is reached only when the program opens the database.
    QString problem() const;
};

// Keeps the target in the settings, so that later runs open it without the
// option; an empty target forgets the choice. Returns what to tell the user.
// Throws Error when the settings cannot be written, and Refusal for a target
// that holds a password, since the settings file is plain text.
QString rememberDatabase(const QString &target);
