#include "data/SchemaUpgrade.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/PreparedStatement.h"

#include <QString>

#include <sqlite3.h>

namespace SchemaUpgrade {
namespace {

// Triggers rather than a foreign key: SQLite cannot add one to an existing
// table without rebuilding it, and files holding issues of deleted contacts
// must still open. A missing contact (Null) is not a contact that does not
// exist, and stays allowed.
const char *const toVersion2 = R"sql(
CREATE TRIGGER IssuesContactsOnInsert BEFORE INSERT ON Issues
WHEN (NEW.[Assigned To] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Assigned To]))
  OR (NEW.[Opened By] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Opened By]))
BEGIN
    SELECT RAISE(ABORT, 'The issue names a contact that does not exist (it may have been deleted meanwhile). Choose another contact.');
END;

CREATE TRIGGER IssuesContactsOnUpdate BEFORE UPDATE OF [Assigned To], [Opened By] ON Issues
WHEN (NEW.[Assigned To] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Assigned To]))
  OR (NEW.[Opened By] IS NOT NULL AND NOT EXISTS (SELECT 1 FROM Contacts WHERE ID = NEW.[Opened By]))
BEGIN
    SELECT RAISE(ABORT, 'The issue names a contact that does not exist (it may have been deleted meanwhile). Choose another contact.');
END;
)sql";

const char *const steps[] = {toVersion2};

void run(sqlite3 *db, const char *sql, const QString &fileName)
{
    const int rc = sqlite3_exec(db, sql, nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK)
        throw Error(DbErrors::describe(db, rc, fileName));
}

int userVersion(sqlite3 *db, const QString &fileName)
{
    PreparedStatement pragma(db, QStringLiteral("PRAGMA user_version"), fileName);
    return pragma.step() ? sqlite3_column_int(pragma.handle(), 0) : 0;
}

} // namespace

void upgrade(sqlite3 *db, const QString &fileName)
{
    if (sqlite3_db_readonly(db, "main") == 1)
        return;
    int version = userVersion(db, fileName);
    if (version < 1)
        throw Error(QStringLiteral("The database \"%1\" has no Marrowdesk tables (schema version %2).")
                        .arg(fileName)
                        .arg(version));
    for (; version < currentVersion; ++version) {
        // Another program may have made the step since the version was read;
        // the immediate transaction holds it off while the step runs.
        run(db, "BEGIN IMMEDIATE", fileName);
        try {
            if (userVersion(db, fileName) == version) {
                run(db, steps[version - 1], fileName);
                run(db, QStringLiteral("PRAGMA user_version = %1").arg(version + 1).toUtf8().constData(), fileName);
            }
            run(db, "COMMIT", fileName);
        } catch (...) {
            sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
            throw;
        }
    }
}

} // namespace SchemaUpgrade
