#include "data/DatabaseCopy.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

#include <QHash>
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
    // After the issues and the trash, as a note may be of a trashed issue.
    {"Notes", "[ID], [Issue ID], [Added], [Author], [Text]"},
    // A view's ID is not copied: the target numbers its views itself.
    {"SavedViews", "Name, Query, SortColumn, SortDescending, Columns, ShowClosed, Owner, Shared"},
    {"ValueOrder", "List, Value, Position"},
    {"ClosingStatuses", "Status"},
};

// The history comes last, in its order, once every row it tells of is in.
const Table history = {"History", "[Item], [ItemID], [Kind], [Field], [OldValue], [NewValue], [ChangedAt], "
                                  "[ChangedBy], [Role], [Via], [ChangeID], [VersionAfter], [NoteID]"};
constexpr int changeIdColumn = 10;

// Attachments come after the history, their content first: the rows that
// name a content need it there. The chunks are streamed one by one.
const Table attachmentContent = {"AttachmentContent", "Hash, Size"};
const Table attachments = {"Attachments",
                           "[ID], [Issue ID], Name, Type, Size, Hash, Added, AddedBy, Removed, RemovedBy"};
constexpr const char *attachmentChunks = "AttachmentChunks";

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
// version hold such issues, and deleting a contact leaves its issues), and
// a note may be of a trashed issue. The rules that refuse such rows, and
// stamp a note with the time it is added, are for new changes, not for a
// copy: the target sets them aside for the transaction and puts them back
// before the commit.
class RulesAside {
public:
    explicit RulesAside(Connection &to) : m_to(*to.session()) { m_to.setCopying(true); }
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

// New IDs continue above every ID copied, trashed ones included, and above
// every ID the history names, so that no new item takes up an older one's
// story.
void continueIds(Connection &to, const char *table, const QString &others)
{
    qint64 top = largest(to, QStringLiteral("select max(ID) from [%1]").arg(QLatin1String(table)));
    for (const QString &other : others.split(QLatin1Char(';')))
        top = std::max(top, largest(to, other));
    to.session()->continueIdsAbove(QLatin1String(table), top);
}

// A change's number groups its entries and orders the changes; each engine
// numbers new changes its own way (a file by its entries, a server by its
// transactions), so copied numbers could meet new ones. Copied changes take
// the numbers -K .. -1 in their order instead: below every new one, apart,
// in the same groups and order.
QHash<qint64, qint64> copiedChangeIds(const Recordset &rows)
{
    QList<qint64> order;
    QHash<qint64, qint64> ids;
    for (int row = 0; row < rows.rowCount(); ++row) {
        const qint64 id = rows.field(row, changeIdColumn).toInteger();
        if (!ids.contains(id)) {
            ids.insert(id, 0);
            order << id;
        }
    }
    for (qsizetype i = 0; i < order.size(); ++i)
        ids[order[i]] = i - order.size();
    return ids;
}

// Inserts every row of table, read from from in its order, into to; a row
// the target refuses (or one holding a NUL) is added to refused and the
// rest are still tried. Returns the number of rows read.
int copyRows(Connection &from, Connection &to, const Table &table, const QString &order, QStringList &refused)
{
    const QString columns = QLatin1String(table.columns);
    Recordset rows;
    rows.Open(QStringLiteral("select %1 from [%2]%3").arg(columns, QLatin1String(table.name), order), from);
    const bool isHistory = qstrcmp(table.name, history.name) == 0;
    const QHash<qint64, qint64> changeIds = isHistory ? copiedChangeIds(rows) : QHash<qint64, qint64>();
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
            values << (isHistory && c == changeIdColumn ? QString::number(changeIds.value(value.toInteger()))
                                                        : literal(value));
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
    return rows.rowCount();
}

// The rows of table on the target, which must be as many as the source's.
TableCount checkedCount(Connection &from, Connection &to, const char *table, int expected)
{
    const int copied = countRows(to, table);
    if (copied != expected)
        throw Error(QStringLiteral("The copy of %1 holds %2 rows where %3 has %4; nothing was copied.")
                        .arg(QLatin1String(table))
                        .arg(copied)
                        .arg(from.displayName())
                        .arg(expected));
    return {QLatin1String(table), copied};
}

// The content rows, then every chunk, one at a time (never a whole file in
// memory), then the attachments with their IDs, as the source has them:
// when and by whom each was added and removed, and those of trashed issues
// too (the target's rules that stamp and check them are set aside).
void copyAttachments(Connection &from, Connection &to, QStringList &refused, QList<TableCount> &counts)
{
    const int contents = copyRows(from, to, attachmentContent, QStringLiteral(" order by Hash"), refused);
    if (!refused.isEmpty())
        return;
    counts.append(checkedCount(from, to, attachmentContent.name, contents));
    Recordset chunks;
    chunks.Open(
        QStringLiteral("select Hash, [Number] from [%1] order by Hash, [Number]").arg(QLatin1String(attachmentChunks)),
        from);
    for (int row = 0; row < chunks.rowCount(); ++row) {
        const QStringList key{chunks.field(row, 0).toTextOrEmpty(), chunks.field(row, 1).toTextOrEmpty()};
        const std::optional<QByteArray> data = from.session()->readBytes(
            QStringLiteral("SELECT \"Data\" FROM \"AttachmentChunks\" WHERE \"Hash\" = $1 AND \"Number\" = $2"), key);
        to.session()->executeWithBytes(QStringLiteral("INSERT INTO \"AttachmentChunks\" (\"Hash\", \"Number\", "
                                                      "\"Data\") VALUES ($1, $2, $3)"),
                                       key, data.value_or(QByteArray()));
    }
    counts.append(checkedCount(from, to, attachmentChunks, chunks.rowCount()));
    const int rows = copyRows(from, to, attachments, QStringLiteral(" order by ID"), refused);
    if (refused.isEmpty())
        counts.append(checkedCount(from, to, attachments.name, rows));
}

} // namespace

QList<TableCount> copy(Connection &from, Connection &to)
{
    if (!from.State() || !to.State())
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
    QList<Table> checked(std::begin(tables), std::end(tables));
    checked << history << attachmentContent << attachments << Table{attachmentChunks, ""};
    for (const Table &table : checked)
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
    RulesAside rules(to);
    // Every row is tried, each insert undoing only itself when refused, so
    // that one run lists every value the target refuses; then nothing stays.
    QStringList refused;
    for (const Table &table : tables) {
        const bool hasId = QLatin1String(table.columns).startsWith(QLatin1String("ID,")) ||
                           QLatin1String(table.columns).startsWith(QLatin1String("[ID],"));
        const int rows = copyRows(from, to, table, hasId ? QStringLiteral(" order by ID") : QString(), refused);
        if (refused.isEmpty())
            counts.append(checkedCount(from, to, table.name, rows));
    }
    if (refused.isEmpty()) {
        // What the target's own triggers wrote of the copy's inserts gives
        // way to the source's history.
        if (countRows(to, history.name) > 0)
            to.Execute(QStringLiteral("delete from [History]"));
        const int rows = copyRows(from, to, history, QStringLiteral(" order by Seq"), refused);
        if (refused.isEmpty())
            counts.append(checkedCount(from, to, history.name, rows));
    }
    if (refused.isEmpty())
        copyAttachments(from, to, refused, counts);
    if (!refused.isEmpty())
        throw Refusal(QStringLiteral("%1 refuses %2 row(s) of %3, so nothing was copied. Change these rows in %3 and "
                                     "copy again:\n%4")
                          .arg(to.displayName())
                          .arg(refused.size())
                          .arg(from.displayName(), refused.join(QLatin1Char('\n'))));
    rules.restore();
    const QString historyIds = QStringLiteral("select max(ItemID) from [History] where [Item] = '%1'");
    continueIds(to, "Contacts",
                QStringLiteral("select max(ID) from [TrashContacts];") + historyIds.arg(QLatin1String("Contact")));
    continueIds(to, "Issues",
                QStringLiteral("select max(ID) from [TrashIssues];") + historyIds.arg(QLatin1String("Issue")));
    continueIds(to, "Notes", QStringLiteral("select max(NoteID) from [History]"));
    continueIds(to, attachments.name,
                QStringLiteral("select max(NoteID) from [History] where [Kind] in ('attached', 'attachment removed')"));
    transaction.commit();
    return counts;
}

} // namespace DatabaseCopy
