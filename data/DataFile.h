#pragma once
// Where the database lives and how the first run makes it: the data folder
// $XDG_DATA_HOME/Tamberlyn/Marrowdesk holds dbData.mdb, copied on the first
// run from the empty template dbBlank.mdb beside the program. An existing
// dbData.mdb is never replaced.

#include "data/FileUtil.h"

#include <QFileInfo>
#include <QString>

namespace DataFile {

QString companyFolder(); // C + "/Tamberlyn"
QString dataFolder();    // C + "/Tamberlyn/Marrowdesk"
QString databasePath();  // the data folder + "/dbData.mdb", or the file chosen by useDatabase
QString templatePath();  // the program folder + "/dbBlank.mdb"

// "provider=microsoft.jet.oledb.4.0;data source=" + the database path +
// ";JET OLEDB:Database Password=" (nothing follows: no password). A path that
// holds a ';' stands in double quotes (see ConnectionText::dataSource).
QString connectionString();

// Makes databasePath() and connectionString() name another existing file,
// or a database server (a postgresql:// URI or libpq's key=value form), for
// the rest of the run (marrowdesk --database TARGET). The data folder, its
// lock and the settings stay where they are.
void useDatabase(const QString &target);

// Whether the database in use is on a server: then there is no file to
// prepare, back up or restore, and connectionString() is the target itself.
bool onServer();

// Makes a folder, and every missing folder above it, readable by the user
// only. Throws Error.
void makeFolder(const QString &path);

// Copies the template to the database path, readable by the user only.
// Throws Error, and never replaces an existing file.
void copyTemplate();

// The preparation start-up runs as its steps 100 to 110: make each folder
// level that is missing (with any missing folder above it), and copy the
// template when the database is missing. `step` is the operation's error
// block (step(number, body)), which reports a failing step and goes on.
template <typename Steps>
void prepare(Steps &step)
{
    bool missing = false;
    step(100, [&] { missing = !QFileInfo::exists(companyFolder()); });
    if (missing)
        step(102, [&] { makeFolder(companyFolder()); });
    missing = false;
    step(104, [&] { missing = !QFileInfo::exists(dataFolder()); });
    if (missing)
        step(106, [&] { makeFolder(dataFolder()); });
    if (onServer())
        return;
    missing = false;
    step(108, [&] { missing = !FileExists(databasePath()); });
    if (missing)
        step(110, [&] { copyTemplate(); });
}

} // namespace DataFile
