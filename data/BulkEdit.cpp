#include "data/BulkEdit.h"

#include "data/Connection.h"
#include "data/ContactSql.h"
#include "data/DateText.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/Session.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/ValueListSql.h"

#include <QHash>

#include <algorithm>
#include <array>

namespace BulkEdit {

namespace {

// In statements of a bounded length, whatever the number selected.
constexpr qsizetype perStatement = 500;

QString idList(const QList<qint64> &ids, qsizetype from, qsizetype to)
{
    QString text;
    text.reserve((to - from) * 8);
    for (qsizetype i = from; i < to; ++i) {
        if (i > from)
            text += u',';
        text += QString::number(ids[i]);
    }
    return text;
}

// The fields a bulk edit sets, as bits of a mask: the issues that need the
// same fields written share one statement.
enum Field : unsigned { StatusField = 1, CategoryField = 2, PriorityField = 4, AssignedField = 8, DueField = 16 };

const QString storedColumns =
    QStringLiteral("ID, Version, Title, Status, Category, Priority, [Assigned To], [Due Date]");

bool sameText(const Value &stored, const std::optional<QString> &wanted)
{
    if (stored.isNull() || !wanted)
        return stored.isNull() == !wanted;
    return stored.toText() == *wanted;
}

std::optional<DateText::DateValue> storedDate(const Value &stored)
{
    if (const QDate *day = stored.date())
        return *day;
    if (const QDateTime *at = stored.dateTime())
        return *at;
    return DateText::fromIso(stored.toText());
}

bool sameDate(const Value &stored, const std::optional<DateText::DateValue> &wanted)
{
    if (stored.isNull() || !wanted)
        return stored.isNull() == !wanted;
    return storedDate(stored) == wanted;
}

// The fields of one stored issue that do not hold what is asked.
unsigned fieldsToWrite(const Recordset &rows, int row, const Changes &changes,
                       const std::optional<DateText::DateValue> &due, const IssueStatus::ClosingRule &rule)
{
    unsigned mask = 0;
    if (changes.status && !sameText(rows.field(row, 3), changes.status)) {
        const bool closed = rule.closes(rows.field(row, 3).toTextOrEmpty());
        if (changes.statusFor == Changes::StatusFor::AnyIssue ||
            closed == (changes.statusFor == Changes::StatusFor::ClosedIssues))
            mask |= StatusField;
    }
    if (changes.category && !sameText(rows.field(row, 4), changes.category))
        mask |= CategoryField;
    if (changes.priority && !sameText(rows.field(row, 5), changes.priority))
        mask |= PriorityField;
    if (changes.assignedTo && !sameText(rows.field(row, 6), QString::number(*changes.assignedTo)))
        mask |= AssignedField;
    if (changes.dueDate && !sameDate(rows.field(row, 7), due))
        mask |= DueField;
    return mask;
}

QString assignments(unsigned mask, const Changes &changes)
{
    QStringList set;
    if (mask & StatusField)
        set << QStringLiteral("Status=") + SqlText::literal(changes.status);
    if (mask & CategoryField)
        set << QStringLiteral("Category=") + SqlText::literal(changes.category);
    if (mask & PriorityField)
        set << QStringLiteral("Priority=") + SqlText::literal(changes.priority);
    if (mask & AssignedField)
        set << QStringLiteral("[Assigned To]=") + QString::number(*changes.assignedTo);
    if (mask & DueField)
        set << QStringLiteral("[Due Date]=") + SqlText::literal(*changes.dueDate);
    return set.join(u',');
}

QStringList column(Connection &connection, ValueListSql::List list)
{
    Recordset rs;
    rs.Open(ValueListSql::listQuery(list), connection);
    QStringList values;
    for (int row = 0; row < rs.rowCount(); ++row)
        values << rs.field(row, 0).toTextOrEmpty();
    return values;
}

} // namespace

Cancelled::Cancelled() : Refusal(QStringLiteral("The bulk edit was cancelled; no issue was changed.")) {}

QList<Listed> readListed(Connection &connection, const QList<qint64> &ids)
{
    QHash<qint64, Listed> stored;
    stored.reserve(ids.size());
    for (qsizetype from = 0; from < ids.size(); from += perStatement) {
        Recordset rs;
        rs.Open(QStringLiteral("select ID, Version, Title from Issues where ID in (%1)")
                    .arg(idList(ids, from, std::min(ids.size(), from + perStatement))),
                connection);
        for (int row = 0; row < rs.rowCount(); ++row) {
            const qint64 id = rs.field(row, 0).toInteger();
            stored.insert(id, {id, rs.field(row, 1).toInteger(), rs.field(row, 2).toTextOrEmpty()});
        }
    }
    QList<Listed> listed;
    listed.reserve(stored.size());
    for (const qint64 id : ids)
        if (const auto found = stored.constFind(id); found != stored.constEnd())
            listed << *found;
    return listed;
}

Outcome apply(Connection &connection, const QList<Listed> &issues, const Changes &changes,
              const std::function<bool(qsizetype done, qsizetype total)> &progress)
{
    if (changes.isEmpty())
        throw Refusal(QStringLiteral("Nothing was chosen to change; no issue was changed."));
    std::optional<DateText::DateValue> due;
    if (changes.dueDate && *changes.dueDate) {
        due = DateText::parse(**changes.dueDate);
        if (!due)
            throw Refusal(QStringLiteral("\"%1\" is not a date. Write dates like %2. No issue was changed.")
                              .arg(**changes.dueDate, DateText::toText(QDate(2021, 8, 31))));
    }
    Session *session = connection.session();
    if (!session)
        throw Error(QStringLiteral("Operation is not allowed when the database is closed."));

    QList<qint64> ids;
    ids.reserve(issues.size());
    QHash<qint64, qsizetype> position;
    position.reserve(issues.size());
    for (const Listed &issue : issues) {
        position.insert(issue.id, ids.size());
        ids << issue.id;
    }
    const qsizetype total = ids.size() * 2;
    const auto goOn = [&](qsizetype done) {
        if (progress && !progress(done, total))
            throw Cancelled();
    };

    Outcome outcome;
    Transaction transaction(connection);
    // Which statuses close, as the database says inside the transaction.
    const IssueStatus::ClosingRule rule = changes.statusFor == Changes::StatusFor::AnyIssue
                                              ? IssueStatus::ClosingRule()
                                              : IssueStatus::ClosingRule::read(connection);
    // Every chosen issue is locked with its read (a file's write lock is
    // taken before the first), so nobody can change one between the
    // comparison of its version and the write.
    std::vector<bool> found(static_cast<size_t>(ids.size()), false);
    std::array<QList<qint64>, 32> byFields;
    for (qsizetype from = 0; from < ids.size(); from += perStatement) {
        const QString select = QStringLiteral("select %1 from Issues where ID in (%2)")
                                   .arg(storedColumns, idList(ids, from, std::min(ids.size(), from + perStatement)));
        Recordset rs;
        rs.Open(session->lockedRead(QStringLiteral("Issues"), select), connection);
        for (int row = 0; row < rs.rowCount(); ++row) {
            const qint64 id = rs.field(row, 0).toInteger();
            const qsizetype at = position.value(id, -1);
            if (at < 0)
                continue;
            found[static_cast<size_t>(at)] = true;
            if (rs.field(row, 1).toInteger() != issues[at].version) {
                outcome.changed << Listed{id, rs.field(row, 1).toInteger(), rs.field(row, 2).toTextOrEmpty()};
                continue;
            }
            const unsigned mask = fieldsToWrite(rs, row, changes, due, rule);
            if (mask == 0) {
                ++outcome.alreadySo;
                continue;
            }
            byFields[mask] << id;
            if (outcome.firstSaved == 0 || id < outcome.firstSaved)
                outcome.firstSaved = id;
        }
        goOn(std::min(ids.size(), from + perStatement));
    }
    for (qsizetype at = 0; at < ids.size(); ++at)
        if (!found[static_cast<size_t>(at)])
            outcome.deleted << issues[at];

    qsizetype written = 0;
    for (unsigned mask = 1; mask < byFields.size(); ++mask) {
        const QList<qint64> &some = byFields[mask];
        if (some.isEmpty())
            continue;
        const QString set = assignments(mask, changes);
        for (qsizetype from = 0; from < some.size(); from += perStatement) {
            const qsizetype to = std::min(some.size(), from + perStatement);
            outcome.saved += connection.Execute(
                QStringLiteral("update Issues set %1 where ID in (%2)").arg(set, idList(some, from, to)));
            written += to - from;
            goOn(ids.size() + written);
        }
    }
    transaction.commit();
    std::sort(outcome.changed.begin(), outcome.changed.end(),
              [](const Listed &a, const Listed &b) { return a.id < b.id; });
    return outcome;
}

Choices readChoices(Connection &connection)
{
    Choices choices;
    choices.statuses = column(connection, ValueListSql::List::Status);
    choices.categories = column(connection, ValueListSql::List::Category);
    choices.priorities = column(connection, ValueListSql::List::Priority);
    choices.closing = IssueStatus::ClosingRule::readOrClosedAlone(connection);
    Recordset rs;
    rs.Open(ContactSql::namesQuery(), connection);
    for (int row = 0; row < rs.rowCount(); ++row)
        choices.contacts << qMakePair(rs.field(row, 0).toInteger(), rs.field(row, 1).toTextOrEmpty());
    return choices;
}

} // namespace BulkEdit
