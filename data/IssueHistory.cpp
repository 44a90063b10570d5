#include "data/IssueHistory.h"

#include "data/Attachments.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/LocalAccount.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"

#include <QHash>
#include <QMap>

#include <algorithm>
#include <array>

namespace IssueHistory {
namespace {

const std::array<std::pair<Kind, const char *>, 11> kindNames{{
    {Kind::Added, "added"},
    {Kind::Changed, "changed"},
    {Kind::Closed, "closed"},
    {Kind::Reopened, "reopened"},
    {Kind::Deleted, "deleted"},
    {Kind::Restored, "restored"},
    {Kind::KnownSince, "known since"},
    {Kind::NoteAdded, "note added"},
    {Kind::NoteRemoved, "note removed"},
    {Kind::Attached, "attached"},
    {Kind::AttachmentRemoved, "attachment removed"},
}};

const char *const issueFields[] = {"Title",    "Assigned To", "Opened By", "Opened Date", "Status",
                                   "Category", "Priority",    "Comment",   "Due Date"};
const char *const contactFields[] = {
    "First Name", "Last Name", "E-mail Address", "Company", "Job Title", "Business Phone", "Home Phone", "Mobile Phone",
    "Fax Number", "Address",   "City",           "State",   "ZIP",       "Country",        "Web Page",   "Notes"};

bool isDateField(const QString &field)
{
    return field == QLatin1String("Opened Date") || field == QLatin1String("Due Date");
}

bool isContactField(const QString &field)
{
    return field == QLatin1String("Assigned To") || field == QLatin1String("Opened By");
}

bool isFieldOf(Item item, const QString &field)
{
    if (item == Item::Issue)
        return std::any_of(std::begin(issueFields), std::end(issueFields),
                           [&](const char *name) { return field == QLatin1String(name); });
    return std::any_of(std::begin(contactFields), std::end(contactFields),
                       [&](const char *name) { return field == QLatin1String(name); });
}

QString itemText(Item item)
{
    return item == Item::Issue ? QStringLiteral("Issue") : QStringLiteral("Contact");
}

// A stored value as its column holds it. The server keeps every value as
// text (dates in ISO form with a time of day); a file keeps them as written.
Value typed(const QString &field, const Value &stored)
{
    if (stored.isNull())
        return stored;
    if (isDateField(field)) {
        if (stored.date() || stored.dateTime())
            return stored;
        const QString text = stored.toText();
        const QDateTime at = QDateTime::fromString(text, Qt::ISODate);
        if (at.isValid())
            return at.time() == QTime(0, 0) ? Value(at.date()) : Value(at);
        const QDate day = QDate::fromString(text, Qt::ISODate);
        return day.isValid() ? Value(day) : stored;
    }
    if (isContactField(field) && stored.type() == Value::Type::Text) {
        bool isNumber = false;
        const qint64 id = stored.toText().toLongLong(&isNumber);
        return isNumber ? Value(id) : stored;
    }
    if (stored.type() == Value::Type::Integer || stored.type() == Value::Type::Real)
        return field.isEmpty() || isContactField(field) ? stored : Value(stored.toText());
    return stored;
}

QDateTime fromMilliseconds(const Value &value)
{
    return value.isNull() ? QDateTime() : QDateTime::fromMSecsSinceEpoch(value.toInteger());
}

qint64 integerOr0(const Value &value)
{
    return value.isNull() ? 0 : value.toInteger();
}

QList<Entry> readEntries(Connection &connection, const QString &where, const QString &order)
{
    Recordset rows;
    rows.Open(QStringLiteral("SELECT %1 FROM [History] WHERE %2 ORDER BY [Seq] %3").arg(entryColumns(), where, order),
              connection);
    return entriesOf(rows);
}

// A value as it stands in a statement of the program's dialect; dates in ISO
// form, which both engines read whatever the locale.
QString literal(const Value &value)
{
    if (value.isNull())
        return QStringLiteral("Null");
    if (value.type() == Value::Type::Integer)
        return QString::number(value.toInteger());
    if (const QDate *day = value.date())
        return QLatin1Char('\'') + day->toString(Qt::ISODate) + QLatin1Char('\'');
    if (const QDateTime *at = value.dateTime())
        return QLatin1Char('\'') + at->toString(QStringLiteral("yyyy-MM-ddTHH:mm:ss")) + QLatin1Char('\'');
    return SqlText::literal(value.toText());
}

bool isFieldKind(Kind kind)
{
    return kind == Kind::Changed || kind == Kind::Closed || kind == Kind::Reopened;
}

// The values put back on one item, and the version it must still be at.
struct ItemRevert {
    Item item = Item::Issue;
    qint64 id = 0;
    qint64 expectedVersion = 0;
    QMap<QString, Value> values; // field: the value before the change
};

void putBack(Connection &connection, const ItemRevert &revert)
{
    QStringList assignments;
    for (auto field = revert.values.cbegin(); field != revert.values.cend(); ++field) {
        if (!isFieldOf(revert.item, field.key()))
            throw Refusal(QStringLiteral("The history names a field \"%1\" that Marrowdesk does not know; nothing was "
                                         "put back.")
                              .arg(field.key()));
        assignments << QStringLiteral("[%1] = %2").arg(field.key(), literal(field.value()));
    }
    const bool issue = revert.item == Item::Issue;
    const QString statement =
        QStringLiteral("UPDATE %1 SET %2 WHERE ID = %3")
            .arg(issue ? QStringLiteral("Issues") : QStringLiteral("Contacts"), assignments.join(QStringLiteral(", ")))
            .arg(revert.id);
    ConcurrentSave::saveIfUnchanged(connection, issue ? ConcurrentSave::Table::Issues : ConcurrentSave::Table::Contacts,
                                    revert.id, revert.expectedVersion, {statement});
}

Refusal notRevertible(const Entry &entry)
{
    return Refusal(QStringLiteral("This change (%1) cannot be put back from its history; a deleted item comes back "
                                  "with Undo Delete.")
                       .arg(kindText(entry.kind)));
}

} // namespace

QString entryColumns()
{
    return QStringLiteral("[Seq], [Item], [ItemID], [Kind], [Field], [OldValue], [NewValue], [ChangedAt], [ChangedBy], "
                          "[Role], [Via], [ChangeID], [VersionAfter], [NoteID]");
}

QList<Entry> entriesOf(const Recordset &rows)
{
    QList<Entry> entries;
    entries.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row) {
        Entry entry;
        entry.seq = rows.field(row, 0).toInteger();
        entry.item = rows.field(row, 1).toTextOrEmpty() == QLatin1String("Contact") ? Item::Contact : Item::Issue;
        entry.itemId = rows.field(row, 2).toInteger();
        entry.kind = kindOf(rows.field(row, 3).toTextOrEmpty()).value_or(Kind::Changed);
        entry.field = rows.field(row, 4).toTextOrEmpty();
        entry.oldValue = typed(entry.field, rows.field(row, 5));
        entry.newValue = typed(entry.field, rows.field(row, 6));
        entry.when = fromMilliseconds(rows.field(row, 7));
        entry.who = rows.field(row, 8).toTextOrEmpty();
        entry.role = rows.field(row, 9).toTextOrEmpty();
        entry.via = rows.field(row, 10).toTextOrEmpty();
        entry.changeId = rows.field(row, 11).toInteger();
        entry.versionAfter = integerOr0(rows.field(row, 12));
        entry.noteId = integerOr0(rows.field(row, 13));
        entries << entry;
    }
    return entries;
}

QString kindText(Kind kind)
{
    for (const auto &[known, text] : kindNames)
        if (known == kind)
            return QString::fromLatin1(text);
    return QString();
}

std::optional<Kind> kindOf(const QString &text)
{
    for (const auto &[kind, name] : kindNames)
        if (text == QLatin1String(name))
            return kind;
    return std::nullopt;
}

QList<Entry> entries(Connection &connection, Item item, qint64 id)
{
    return readEntries(connection, QStringLiteral("[ItemID] = %1 AND [Item] = '%2'").arg(id).arg(itemText(item)),
                       QStringLiteral("DESC"));
}

QList<Entry> change(Connection &connection, qint64 changeId)
{
    return readEntries(connection, QStringLiteral("[ChangeID] = %1").arg(changeId), QStringLiteral("ASC"));
}

QString currentUser(Connection &connection)
{
    Recordset who;
    who.Open(QStringLiteral("SELECT marrow_changed_by() AS [Who]"), connection);
    const QString name = who.Eof() ? QString() : who.field(0).toTextOrEmpty();
    return name.isEmpty() ? LocalAccount::name() : name;
}

std::optional<Entry> lastChangeBy(Connection &connection, const QString &who)
{
    // The newest entry is found by the index on the change, from the top.
    const QList<Entry> newest =
        readEntries(connection,
                    QStringLiteral("[Seq] = (SELECT max([Seq]) FROM [History] WHERE [ChangedBy] = %1 AND [Kind] <> "
                                   "'known since')")
                        .arg(SqlText::literal(who)),
                    QStringLiteral("DESC"));
    if (newest.isEmpty())
        return std::nullopt;
    return newest.first();
}

QList<Note> notes(Connection &connection, qint64 issueId)
{
    Recordset rows;
    rows.Open(QStringLiteral("SELECT [ID], [Issue ID], [Added], [Author], [Text] FROM [Notes] WHERE [Issue ID] = %1 "
                             "ORDER BY [ID] DESC")
                  .arg(issueId),
              connection);
    QList<Note> notes;
    notes.reserve(rows.rowCount());
    for (int row = 0; row < rows.rowCount(); ++row)
        notes << Note{rows.field(row, 0).toInteger(), rows.field(row, 1).toInteger(),
                      fromMilliseconds(rows.field(row, 2)), rows.field(row, 3).toTextOrEmpty(),
                      rows.field(row, 4).toTextOrEmpty()};
    return notes;
}

qint64 addNote(Connection &connection, qint64 issueId, const QString &text)
{
    if (text.trimmed().isEmpty())
        throw Refusal(QStringLiteral("The note is empty; write something first. Nothing was added."));
    connection.Execute(QStringLiteral("INSERT INTO [Notes] ([Issue ID], [Text]) VALUES (%1, %2)")
                           .arg(issueId)
                           .arg(SqlText::literal(text)));
    return connection.lastInsertedId();
}

bool removeNote(Connection &connection, qint64 noteId)
{
    return connection.Execute(QStringLiteral("DELETE FROM [Notes] WHERE [ID] = %1").arg(noteId)) > 0;
}

void revertEntry(Connection &connection, qint64 seq)
{
    const QList<Entry> found = readEntries(connection, QStringLiteral("[Seq] = %1").arg(seq), QStringLiteral("ASC"));
    if (found.isEmpty())
        throw Refusal(QStringLiteral("The history holds no such entry; nothing was put back."));
    const Entry &entry = found.first();
    if (entry.kind == Kind::NoteAdded) {
        removeNote(connection, entry.noteId);
        return;
    }
    if (!isFieldKind(entry.kind))
        throw notRevertible(entry);
    ItemRevert revert{entry.item, entry.itemId, entry.versionAfter, {}};
    revert.values.insert(entry.field, entry.oldValue);
    putBack(connection, revert);
}

void revertChange(Connection &connection, qint64 changeId)
{
    const QList<Entry> entries = change(connection, changeId);
    if (entries.isEmpty())
        throw Refusal(QStringLiteral("The history holds no such change; nothing was put back."));
    QList<ItemRevert> items;
    // Where each item's revert stands in items: a bulk edit's change holds
    // thousands of issues.
    QHash<QPair<int, qint64>, qsizetype> itemAt;
    QList<qint64> notesAdded;
    // An attachment's undo removes or puts back the attachment.
    QList<std::pair<qint64, bool>> attachments;
    for (const Entry &entry : entries) {
        if (entry.kind == Kind::NoteAdded) {
            notesAdded << entry.noteId;
            continue;
        }
        if (entry.kind == Kind::NoteRemoved)
            continue;
        if (entry.kind == Kind::Attached || entry.kind == Kind::AttachmentRemoved) {
            attachments << std::make_pair(entry.noteId, entry.kind == Kind::AttachmentRemoved);
            continue;
        }
        if (!isFieldKind(entry.kind))
            throw notRevertible(entry);
        const QPair<int, qint64> key(static_cast<int>(entry.item), entry.itemId);
        qsizetype at = itemAt.value(key, -1);
        if (at < 0) {
            at = items.size();
            itemAt.insert(key, at);
            items << ItemRevert{entry.item, entry.itemId, 0, {}};
        }
        ItemRevert *it = &items[at];
        // A field changed twice in the change goes back to its value before
        // the first; the item must be at the version its last entry left.
        if (!it->values.contains(entry.field))
            it->values.insert(entry.field, entry.oldValue);
        it->expectedVersion = entry.versionAfter;
    }
    Transaction together(connection);
    for (const ItemRevert &item : items)
        putBack(connection, item);
    for (const qint64 note : notesAdded)
        removeNote(connection, note);
    for (const auto &[attachment, putBack] : attachments) {
        if (putBack)
            Attachments::restore(connection, attachment);
        else
            Attachments::remove(connection, attachment);
    }
    together.commit();
}

} // namespace IssueHistory
