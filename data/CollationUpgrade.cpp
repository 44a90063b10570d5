#include "data/CollationUpgrade.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/PreparedStatement.h"
#include "data/TextCollator.h"

#include <sqlite3.h>

namespace CollationUpgrade {
namespace {

QString textAt(sqlite3_stmt *statement, int column)
{
    return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column)),
                             sqlite3_column_bytes(statement, column));
}

QString quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QLatin1String("\"\"")) + QLatin1Char('"');
}

// Runs one statement; false when the engine refuses it, with the refusal's
// code in rc. Throws Error for nothing: the caller decides.
bool tryRun(sqlite3 *db, const QString &sql, int &rc)
{
    rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
    return rc == SQLITE_OK;
}

void run(sqlite3 *db, const QString &sql, const QString &fileName)
{
    int rc = SQLITE_OK;
    if (!tryRun(db, sql, rc))
        throw Error(DbErrors::describe(db, rc, fileName));
}

struct ValueList {
    const char *table;
    const char *column;
};
const ValueList valueLists[] = {{"Status", "Status"}, {"Categories", "Category"}, {"Priorities", "Priority"}};

// The groups of values of one list that the collation holds equal, each as
// "\"a\" and \"b\"".
QStringList sameValues(sqlite3 *db, const ValueList &list, const QString &fileName)
{
    PreparedStatement repeated(db,
                               QStringLiteral("SELECT v.%2 FROM %1 v WHERE (SELECT count(*) FROM %1 w "
                                              "WHERE w.%2 = v.%2) > 1 ORDER BY v.%2, v.rowid")
                                   .arg(QLatin1String(list.table), QLatin1String(list.column)),
                               fileName);
    const TextCollator &collator = TextCollator::ofThisThread();
    QList<QStringList> groups;
    QString previous;
    while (repeated.step()) {
        const QString value = textAt(repeated.handle(), 0);
        if (groups.isEmpty() || !collator.equal(previous, value))
            groups.append(QStringList());
        groups.last().append(QLatin1Char('"') + value + QLatin1Char('"'));
        previous = value;
    }
    QStringList described;
    for (const QStringList &group : groups)
        described << group.mid(0, group.size() - 1).join(QLatin1String(", ")) + QLatin1String(" and ") + group.last();
    return described;
}

} // namespace

QStringList mendUniqueIndexes(sqlite3 *db, const QString &fileName)
{
    struct Index {
        QString name, table, sql;
    };
    QList<Index> unique;
    {
        PreparedStatement list(db,
                               QStringLiteral("SELECT name, tbl_name, sql FROM sqlite_master m WHERE type = 'index' "
                                              "AND sql IS NOT NULL AND (SELECT \"unique\" FROM "
                                              "pragma_index_list(m.tbl_name) l WHERE l.name = m.name) = 1"),
                               fileName);
        while (list.step())
            unique.append({textAt(list.handle(), 0), textAt(list.handle(), 1), textAt(list.handle(), 2)});
    }
    QStringList changed;
    for (const Index &index : unique) {
        run(db, QStringLiteral("SAVEPOINT unique_index"), fileName);
        int rc = SQLITE_OK;
        const bool rebuilt = tryRun(db, QStringLiteral("REINDEX %1").arg(quotedName(index.name)), rc);
        if (!rebuilt)
            run(db, QStringLiteral("ROLLBACK TO unique_index"), fileName);
        run(db, QStringLiteral("RELEASE unique_index"), fileName);
        if (rebuilt)
            continue;
        if ((rc & 0xFF) != SQLITE_CONSTRAINT)
            throw Error(DbErrors::describe(db, rc, fileName));
        // "CREATE UNIQUE INDEX ...": the first "index" is the keyword.
        const QString plain = QStringLiteral("CREATE ") +
                              index.sql.mid(index.sql.indexOf(QLatin1String("index"), 0, Qt::CaseInsensitive));
        run(db, QStringLiteral("DROP INDEX %1").arg(quotedName(index.name)), fileName);
        run(db, plain, fileName);
        changed << QStringLiteral("The unique index %1 of the table %2 now finds values that count as the same, so "
                                  "it is kept as an ordinary index; every row stays.")
                       .arg(index.name, index.table);
    }
    return changed;
}

QStringList findings(sqlite3 *db, const QString &fileName)
{
    QStringList lists;
    for (const ValueList &list : valueLists) {
        const QStringList same = sameValues(db, list, fileName);
        if (!same.isEmpty())
            lists << QStringLiteral("table %1: %2").arg(QLatin1String(list.table), same.join(QLatin1String("; ")));
    }
    QStringList told;
    if (!lists.isEmpty())
        told << QStringLiteral("These values were stored as different and now count as the same (%1). Every one "
                               "is kept, and no value equal to them can be added.")
                    .arg(lists.join(QLatin1String("; ")));
    // Before, only "Closed" in ASCII letters of any case closed an issue.
    PreparedStatement closing(db,
                              QStringLiteral("SELECT count(*) FROM Issues WHERE coalesce(trim(Status), '') "
                                             "COLLATE MARROW_NOCASE = 'Closed' AND upper(trim(Status)) <> 'CLOSED'"),
                              fileName);
    const qint64 closed = closing.step() ? sqlite3_column_int64(closing.handle(), 0) : 0;
    if (closed == 1)
        told << QStringLiteral("1 issue whose status is another spelling of \"Closed\" now counts as closed.");
    else if (closed > 1)
        told << QStringLiteral("%1 issues whose status is another spelling of \"Closed\" now count as closed.")
                    .arg(closed);
    return told;
}

} // namespace CollationUpgrade
