#include "data/SchemaObjects.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/PreparedStatement.h"
#include "data/SchemaText.h"
#include "data/SchemaUpgrade.h"
#include "data/sqlite/SqliteFile.h"

#include <QHash>

#include <sqlite3.h>

namespace SchemaObjects {
namespace {

std::vector<Object> build()
{
    const QString where = QStringLiteral("the schema held in memory");
    sqlite3 *db = SqliteFile::openRaw(QStringLiteral(":memory:"), true);
    std::vector<Object> objects;
    try {
        const int rc = sqlite3_exec(db, schemaText, nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK)
            throw Error(DbErrors::describe(db, rc, where));
        SchemaUpgrade::runSteps(db, 1, where);
        PreparedStatement list(
            db,
            QStringLiteral("SELECT type, name, tbl_name, sql FROM sqlite_master WHERE sql IS NOT NULL "
                           "AND name NOT LIKE 'sqlite\\_%' ESCAPE '\\' ORDER BY rowid"),
            where);
        while (list.step()) {
            const auto text = [&](int column) {
                return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(list.handle(), column)));
            };
            objects.push_back({text(0), text(1), text(2), text(3)});
        }
    } catch (...) {
        sqlite3_close(db);
        throw;
    }
    sqlite3_close(db);
    return objects;
}

} // namespace

const std::vector<Object> &all()
{
    static const std::vector<Object> objects = build();
    return objects;
}

const Object *find(const QString &name)
{
    static const QHash<QString, const Object *> byLowerName = [] {
        QHash<QString, const Object *> names;
        for (const Object &object : all())
            names.insert(object.name.toLower(), &object);
        return names;
    }();
    return byLowerName.value(name.toLower());
}

} // namespace SchemaObjects
