#include "data/DatabaseCopy.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

#include <QStringList>

namespace DatabaseCopy {
namespace {

struct Table {
    const char *name;
    const char *columns;
};

// Contacts before issues, so that an issue's contacts exist when it comes.
const Table tables[] = {
    {"Contacts",
     "ID, [First Name], [Last Name], [E-mail Address], Company, [Job Title], [Business Phone], [Home Phone], "
     "[Mobile Phone], [Fax Number], Address, City, State, ZIP, Country, [Web Page], Notes, Version"},
    {"Status", "Status"},
    {"Categories", "Category"},
    {"Priorities", "Priority"},
    {"Issues", "ID, Title, [Assigned To], [Opened By], [Opened Date], Status, Category, Priority, Comment, [Due Date], "
               "Version"},
    {"TrashIssues", "DeleteGroup, DeletedBy, ID, Title, [Assigned To], [Opened By], [Opened Date], Status, Category, "
                    "Priority, Comment, [Due Date], Version"},
    {"TrashContacts", "DeleteGroup, DeletedBy, ID, [First Name], [Last Name], [E-mail Address], Company, [Job Title], "
                      "[Business Phone], [Home Phone], [Mobile Phone], [Fax Number], Address, City, State, ZIP, "
                      "Country, [Web Page], Notes, Version"},
    {"TrashValues", "DeleteGroup, DeletedBy, List, Value"},
    // A view's ID is not copied: the target numbers its views itself.
    {"SavedViews", "Name, Query, SortColumn, SortDescending, Columns, ShowClosed, Owner, Shared"},
    {"ValueOrder", "List, Value, Position"},
};

QString literal(const Value &value)
{
    switch (value.type()) {
    case Value::Type::Null:
        return QStringLiteral("Null");
    case Value::Type::Integer:
        return QString::number(value.toInteger());
    case Value::Type::Real:
        return value.toText();
    case Value::Type::Text:
        return SqlText::literal(*value.text());
    case Value::Type::Date:
        return QLatin1Char('\'') + DateText::toIso(*value.date()) + QLatin1Char('\'');
    case Value::Type::DateTime:
        return QLatin1Char('\'') + DateText::toIso(*value.dateTime()) + QLatin1Char('\'');
    }
    return QStringLiteral("Null");
}

int countRows(Connection &connection, const char *table)
{
    Recordset rs;
    rs.Open(QStringLiteral("select count(*) from [%1]").arg(QLatin1String(table)), connection);
    return static_cast<int>(rs.field(0).toInteger());
}

qint64 largest(Connection &connection, const QString &query)
{
    Recordset rs;
    rs.Open(query, connection);
    return rs.field(0).isNull() ? 0 : rs.field(0).toInteger();
}

// An issue may name a contact deleted long ago (files of the first schema
// version hold such issues, and deleting a contact leaves its issues). The
// rule that refuses such an issue is for new changes, not for a copy: the
// target sets it aside for the transaction and puts it back before the
// commit.
class ContactRuleAside {
public:
    explicit ContactRuleAside(Connection &to) : m_to(*to.session()) { m_to.setCopying(true); }
    void restore() { m_to.setCopying(false); }

private:
    Session &m_to;
};

// A row as a message names it: by its ID where it has one, else by its
// value (a list value), else by its place in the table.
QString rowName(const Recordset &rows, int row)
{
    for (int c = 0; c < rows.fieldCount(); ++c)
        if (rows.fieldName(c).compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            return QStringLiteral("ID %1").arg(rows.field(row, c).toTextOrEmpty());
    if (rows.fieldCount() == 1)
        return QStringLiteral("\u201c%1\u201d").arg(QString(rows.field(row, 0).toTextOrEmpty()).remove(QChar(0)));
    return QStringLiteral("row %1").arg(row + 1);
}

// New IDs continue above every ID copied, trashed ones included.
void continueIds(Connection &to, const char *table, const char *trash)
{
    const qint64 top = std::max(largest(to, QStringLiteral("select max(ID) from [%1]").arg(QLatin1String(table))),
                                largest(to, QStringLiteral("select max(ID) from [%1]").arg(QLatin1String(trash))));
    to.session()->continueIdsAbove(QLatin1String(table), top);
}

} // namespace

QList<TableCount> copy(Connection &from, Connection &to)
{
    if (!from.State() || !to.State())
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    for (const Table &table : tables)
        if (const int rows = countRows(to, table.name))
            throw Refusal(QStringLiteral("The target %1 is not empty: its table %2 holds %3 row(s). Copy only into a "
                                         "new, empty Marrowdesk database.")
                              .arg(to.displayName(), QLatin1String(table.name))
                              .arg(rows));
    QList<TableCount> counts;
    // Every table of the source read as of one moment, so that users saving
    // on a live server meanwhile can neither leave an issue naming a contact
    // that was not copied nor copy a deleted issue twice (as an issue and in
    // the trash). Nothing is written through it; it ends by rolling back.
    const Transaction snapshot(from, Session::Begin::Snapshot);
    Transaction transaction(to);
    ContactRuleAside rule(to);
    // Every row is tried, each insert undoing only itself when refused, so
    // that one run lists every value the target refuses; then nothing stays.
    QStringList refused;
    for (const Table &table : tables) {
        const QString columns = QLatin1String(table.columns);
        Recordset rows;
        const bool hasId = columns.startsWith(QLatin1String("ID,"));
        rows.Open(QStringLiteral("select %1 from [%2]%3")
                      .arg(columns, QLatin1String(table.name), hasId ? QStringLiteral(" order by ID") : QString()),
                  from);
        const QString head = QStringLiteral("insert into [%1] (%2) values (").arg(QLatin1String(table.name), columns);
        for (int row = 0; row < rows.rowCount(); ++row) {
            QStringList values;
            QString problem;
            for (int c = 0; c < rows.fieldCount(); ++c) {
                const Value &value = rows.field(row, c);
                if (const qsizetype nul = value.text() ? value.text()->indexOf(QChar(0)) : -1; nul >= 0)
                    problem = QStringLiteral("%1 holds a NUL character (code 0) at character %2, which cannot be "
                                             "stored")
                                  .arg(rows.fieldName(c))
                                  .arg(nul + 1);
                values << literal(value);
            }
            try {
                if (problem.isEmpty())
                    to.Execute(head + values.join(QLatin1Char(',')) + QLatin1Char(')'));
            } catch (const Refusal &refusal) {
                problem = refusal.description();
            }
            if (!problem.isEmpty())
                refused << QStringLiteral("%1, %2: %3").arg(QLatin1String(table.name), rowName(rows, row), problem);
        }
        if (!refused.isEmpty())
            continue;
        const int copied = countRows(to, table.name);
        if (copied != rows.rowCount())
            throw Error(QStringLiteral("The copy of %1 holds %2 rows where %3 has %4; nothing was copied.")
                            .arg(QLatin1String(table.name))
                            .arg(copied)
                            .arg(from.displayName())
                            .arg(rows.rowCount()));
        counts.append({QLatin1String(table.name), copied});
    }
    if (!refused.isEmpty())
        throw Refusal(QStringLiteral("%1 refuses %2 row(s) of %3, so nothing was copied. Change these rows in %3 and "
                                     "copy again:\n%4")
                          .arg(to.displayName())
                          .arg(refused.size())
                          .arg(from.displayName(), refused.join(QLatin1Char('\n'))));
    rule.restore();
    continueIds(to, "Contacts", "TrashContacts");
    continueIds(to, "Issues", "TrashIssues");
    transaction.commit();
    return counts;
}

} // namespace DatabaseCopy
