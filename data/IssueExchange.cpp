#include "data/IssueExchange.h"

#include "data/ChangeSource.h"
#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/IssueDates.h"
#include "data/IssueSql.h"
#include "data/Recordset.h"
#include "data/SqlText.h"
#include "data/Transaction.h"
#include "data/ValueListSql.h"

#include <QHash>
#include <QIODevice>
#include <QSet>

#include <array>

namespace IssueExchange {
namespace {

// The first ten are the issue list's captions, in its order.
const std::array<const char *, fieldCount> captions = {
    "Issued ID", "Title",    "Assigned To", "Opened By", "Opened Date",        "Due Date",
    "Status",    "Category", "Priority",    "Comments",  "Assigned To E-mail", "Opened By E-mail"};

// The database's names of the same columns, read by export and accepted as
// headings by import.
const std::array<const char *, fieldCount> columnNames = {
    "ID",     "Title",    "Assigned To Name", "Opened By Name", "Opened Date",        "Due Date",
    "Status", "Category", "Priority",         "Comment",        "Assigned To E-mail", "Opened By E-mail"};

const char exportQueryText[] =
    "select n.ID, n.Title, n.[Assigned To Name], n.[Opened By Name], n.[Opened Date], n.[Due Date], n.Status, "
    "n.Category, n.Priority, n.Comment, a.[E-mail Address] as [Assigned To E-mail], "
    "o.[E-mail Address] as [Opened By E-mail] from [Issues With Names] n "
    "left join Contacts a on a.ID = n.[Assigned To] left join Contacts o on o.ID = n.[Opened By] order by n.ID";

int index(Field field)
{
    return static_cast<int>(field);
}

QString exportedText(const Value &value, Field field)
{
    if (const QDate *date = value.date())
        return DateText::toIso(*date);
    if (const QDateTime *dateTime = value.dateTime())
        return DateText::toIso(*dateTime);
    if (field == Field::Id)
        return value.toTextOrEmpty();
    return Csv::guarded(value.toTextOrEmpty());
}

QString folded(const QString &text)
{
    return text.trimmed().toCaseFolded();
}

// A value list's texts, compared without regard to letter case.
class ValueSet {
public:
    ValueSet(const QStringList &existing, QStringList &created) : m_created(created)
    {
        for (const QString &value : existing)
            m_known.insert(value.toCaseFolded());
    }
    void use(const QString &value)
    {
        const QString key = value.toCaseFolded();
        if (m_known.contains(key))
            return;
        m_known.insert(key);
        m_created.append(value);
    }

private:
    QSet<QString> m_known;
    QStringList &m_created;
};

// Finds or makes the contacts imported issues name.
class ContactMatcher {
public:
    ContactMatcher(const QList<Existing::Contact> &existing, QList<NewContact> &created) : m_created(created)
    {
        for (const Existing::Contact &contact : existing)
            m_byName[folded(contact.fullName)].append(contact);
    }

    // The existing contact of a name and e-mail address, when one is told
    // apart by them.
    std::optional<qint64> existing(const QString &name, const QString &email) const
    {
        const auto found = m_byName.constFind(folded(name));
        if (found == m_byName.cend() || folded(name).isEmpty())
            return std::nullopt;
        if (found->size() == 1)
            return found->first().id;
        for (const Existing::Contact &contact : *found)
            if (!email.trimmed().isEmpty() && folded(contact.email) == folded(email))
                return contact.id;
        return std::nullopt;
    }

    // The contact of a name and e-mail address, or a reason to refuse.
    std::optional<QString> choose(const QString &name, const QString &email, ContactChoice &choice)
    {
        const QString key = folded(name);
        if (key.isEmpty())
            return std::nullopt; // no contact
        if (const std::optional<qint64> id = existing(name, email)) {
            choice.existing = id;
            return std::nullopt;
        }
        const auto found = m_byName.constFind(key);
        if (found != m_byName.cend()) {
            return email.trimmed().isEmpty()
                       ? QStringLiteral(
                             "%1 contacts are called \"%2\", and no e-mail address tells which one is meant.")
                             .arg(found->size())
                             .arg(name.trimmed())
                       : QStringLiteral("%1 contacts are called \"%2\", and none has the e-mail address \"%3\".")
                             .arg(found->size())
                             .arg(name.trimmed(), email.trimmed());
        }
        const QString newKey = key + QLatin1Char('\n') + folded(email);
        auto made = m_madeByKey.constFind(newKey);
        if (made == m_madeByKey.cend()) {
            // Split at the first blank: the lists join first and last name
            // with one blank, which gives back exactly this name.
            const qsizetype blank = name.indexOf(QLatin1Char(' '));
            NewContact contact;
            contact.firstName = blank < 0 ? name : name.left(blank);
            contact.lastName = blank < 0 ? QString() : name.mid(blank + 1);
            contact.email = email.trimmed();
            m_created.append(contact);
            made = m_madeByKey.insert(newKey, static_cast<int>(m_created.size()) - 1);
        }
        choice.created = *made;
        return std::nullopt;
    }

private:
    QHash<QString, QList<Existing::Contact>> m_byName;
    QHash<QString, int> m_madeByKey;
    QList<NewContact> &m_created;
};

// What tells an issue imported before: its title (letter case and blanks
// around aside), opened date (ISO 8601) and opener's ID, each empty when
// missing.
QString matchKey(const QString &title, const std::optional<QString> &openedDate, std::optional<qint64> openedBy)
{
    return folded(title) + QLatin1Char('\x1f') + openedDate.value_or(QString()) + QLatin1Char('\x1f') +
           (openedBy ? QString::number(*openedBy) : QString());
}

// A missing value for empty text, the text as it was written otherwise.
std::optional<QString> optionalText(const QString &text)
{
    return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
}

} // namespace

QString exportQuery()
{
    return QString::fromLatin1(exportQueryText);
}

QString caption(Field field)
{
    return QString::fromLatin1(captions[static_cast<size_t>(index(field))]);
}

std::optional<Field> fieldOfHeading(const QString &heading)
{
    const QString wanted = heading.trimmed();
    for (int f = 0; f < fieldCount; ++f)
        if (wanted.compare(QLatin1String(captions[f]), Qt::CaseInsensitive) == 0 ||
            wanted.compare(QLatin1String(columnNames[f]), Qt::CaseInsensitive) == 0)
            return static_cast<Field>(f);
    return std::nullopt;
}

int exportIssues(Connection &connection, const std::optional<std::vector<qint64>> &ids, QIODevice &device,
                 bool byteOrderMark, bool withHistoryDates)
{
    Recordset rs;
    rs.Open(exportQuery(), connection);
    const QHash<qint64, IssueDates::Dates> dates =
        withHistoryDates ? IssueDates::read(connection) : QHash<qint64, IssueDates::Dates>();
    Csv::Writer writer(device, byteOrderMark);
    QStringList record;
    for (int f = 0; f < fieldCount; ++f)
        record.append(caption(static_cast<Field>(f)));
    if (withHistoryDates)
        record << QString::fromLatin1(IssueDates::closedColumn) << QString::fromLatin1(IssueDates::lastChangedColumn);
    writer.writeRecord(record);

    const auto writeRow = [&](int row) {
        for (int f = 0; f < fieldCount; ++f)
            record[f] = exportedText(rs.field(row, f), static_cast<Field>(f));
        if (withHistoryDates) {
            const IssueDates::Dates issue = dates.value(rs.field(row, 0).toInteger());
            record[fieldCount] = exportedText(issue.closed, Field::Id);
            record[fieldCount + 1] = exportedText(issue.lastChanged, Field::Id);
        }
        writer.writeRecord(record);
    };
    int written = 0;
    if (!ids) {
        for (int row = 0; row < rs.rowCount(); ++row)
            writeRow(row);
        written = rs.rowCount();
    } else {
        QHash<qint64, int> rowOfId;
        rowOfId.reserve(rs.rowCount());
        for (int row = 0; row < rs.rowCount(); ++row)
            rowOfId.insert(rs.field(row, 0).toInteger(), row);
        for (const qint64 id : *ids) {
            const auto found = rowOfId.constFind(id);
            if (found == rowOfId.cend())
                continue;
            writeRow(*found);
            ++written;
        }
    }
    writer.flush();
    rs.Close();
    return written;
}

Mapping suggestedMapping(const QStringList &headings)
{
    Mapping mapping;
    QSet<int> taken;
    for (const QString &heading : headings) {
        const std::optional<Field> field = fieldOfHeading(heading);
        if (!field || *field == Field::Id || taken.contains(index(*field))) {
            mapping.append(std::nullopt);
            continue;
        }
        taken.insert(index(*field));
        mapping.append(field);
    }
    return mapping;
}

Existing readExisting(Connection &connection)
{
    Existing existing;
    Recordset rs;
    rs.Open(QStringLiteral("select ID, [First Name], [Last Name], [E-mail Address] from Contacts order by ID"),
            connection);
    for (int row = 0; row < rs.rowCount(); ++row) {
        const Value &first = rs.field(row, 1);
        const Value &last = rs.field(row, 2);
        // The lists show a contact by this name, missing when a part is.
        const QString fullName =
            first.isNull() || last.isNull() ? QString() : first.toText() + QLatin1Char(' ') + last.toText();
        existing.contacts.append({rs.field(row, 0).toInteger(), fullName, rs.field(row, 3).toTextOrEmpty()});
    }
    rs.Close();
    const auto readList = [&](const QString &query, QStringList &into) {
        Recordset list;
        list.Open(query, connection);
        for (int row = 0; row < list.rowCount(); ++row)
            into.append(list.field(row, 0).toTextOrEmpty());
        list.Close();
    };
    Recordset issues;
    issues.Open(QStringLiteral("select Title, [Opened Date], [Opened By] from Issues"), connection);
    for (int row = 0; row < issues.rowCount(); ++row) {
        const Value &opened = issues.field(row, 1);
        std::optional<QString> openedDate;
        if (const QDate *date = opened.date())
            openedDate = DateText::toIso(*date);
        else if (const QDateTime *dateTime = opened.dateTime())
            openedDate = DateText::toIso(*dateTime);
        else if (const QString *text = opened.text())
            openedDate = *text;
        const Value &opener = issues.field(row, 2);
        existing.issues.insert(matchKey(issues.field(row, 0).toTextOrEmpty(), openedDate,
                                        opener.isNull() ? std::nullopt : std::optional<qint64>(opener.toInteger())));
    }
    issues.Close();
    readList(QStringLiteral("select Status from Status"), existing.statuses);
    readList(QStringLiteral("select Category from Categories"), existing.categories);
    readList(QStringLiteral("select Priority from Priorities"), existing.priorities);
    return existing;
}

struct Planner::State {
    State(qsizetype headings, const Existing &existing, const QLocale &locale, Matching matching)
        : headingCount(headings), locale(locale), matching(matching), existingIssues(existing.issues),
          contacts(existing.contacts, result.newContacts), statuses(existing.statuses, result.newStatuses),
          categories(existing.categories, result.newCategories), priorities(existing.priorities, result.newPriorities)
    {
        columnOf.fill(-1);
    }
    qsizetype headingCount;
    QLocale locale;
    Matching matching;
    QSet<QString> existingIssues; // shared with Existing, not copied
    std::array<int, fieldCount> columnOf{};
    Plan result;
    ContactMatcher contacts;
    ValueSet statuses, categories, priorities;
    QSet<QString> texts;

    std::optional<QString> once(const QString &text)
    {
        if (text.isEmpty())
            return std::nullopt;
        const auto found = texts.constFind(text);
        if (found != texts.cend())
            return *found;
        texts.insert(text);
        return text;
    }
};

Planner::Planner(qsizetype headingCount, const Mapping &mapping, const Existing &existing, const QLocale &locale,
                 Matching matching)
    : m_state(std::make_unique<State>(headingCount, existing, locale, matching))
{
    for (int column = 0; column < mapping.size() && column < headingCount; ++column)
        if (mapping[column] && *mapping[column] != Field::Id)
            m_state->columnOf[static_cast<size_t>(index(*mapping[column]))] = column;
}

Planner::~Planner() = default;

Plan Planner::take()
{
    return std::move(m_state->result);
}

void Planner::add(const QStringList &record, int line)
{
    State &state = *m_state;
    bool extraFields = false;
    for (qsizetype c = state.headingCount; c < record.size(); ++c)
        extraFields = extraFields || !record[c].isEmpty();
    if (extraFields) {
        state.result.refusals.append(
            {line, QStringLiteral("It has %1 fields, the headings %2.").arg(record.size()).arg(state.headingCount)});
        return;
    }
    const auto text = [&](Field field) {
        const int column = state.columnOf[static_cast<size_t>(index(field))];
        return column < 0 ? QString() : Csv::unguarded(record.value(column));
    };

    // Told before anything is made for the row, so that a row skipped
    // makes no contact or value either.
    const auto openedDate = DateText::parse(text(Field::OpenedDate).trimmed(), state.locale);
    if (state.existingIssues.contains(
            matchKey(text(Field::Title), openedDate ? std::optional(DateText::toIso(*openedDate)) : std::nullopt,
                     state.contacts.existing(text(Field::OpenedBy), text(Field::OpenedByEmail))))) {
        state.result.matchingLines.append(line);
        if (state.matching == Matching::Skip)
            return;
    }
    QStringList reasons;
    for (int f = 0; f < fieldCount; ++f)
        if (text(static_cast<Field>(f)).contains(QChar(0)))
            reasons.append(QStringLiteral("%1 holds a NUL character (code 0), which cannot be stored; remove it "
                                          "from the file.")
                               .arg(caption(static_cast<Field>(f))));
    if (!reasons.isEmpty()) {
        state.result.refusals.append({line, reasons.join(QLatin1Char(' '))});
        return;
    }

    PlannedIssue issue;
    issue.line = line;
    const auto date = [&](Field field, std::optional<QString> &into) {
        const QString written = text(field).trimmed();
        if (written.isEmpty())
            return;
        if (const auto parsed = DateText::parse(written, state.locale))
            into = DateText::toIso(*parsed);
        else
            reasons.append(QStringLiteral("%1 \"%2\" is not a date; write it as %3 or %4.")
                               .arg(caption(field), written, QStringLiteral("2026-12-31"),
                                    DateText::toText(QDate(2026, 12, 31), state.locale)));
    };
    const auto contact = [&](Field name, Field email, ContactChoice &into) {
        if (const auto reason = state.contacts.choose(text(name), text(email), into))
            reasons.append(caption(name) + QLatin1String(": ") + *reason);
    };
    issue.title = text(Field::Title);
    contact(Field::AssignedTo, Field::AssignedToEmail, issue.assignedTo);
    contact(Field::OpenedBy, Field::OpenedByEmail, issue.openedBy);
    date(Field::OpenedDate, issue.openedDate);
    date(Field::DueDate, issue.dueDate);
    // Every issue has the day it was opened; only the due date may be missing.
    if (!issue.openedDate && text(Field::OpenedDate).trimmed().isEmpty())
        reasons.append(
            QStringLiteral("%1 is empty; every issue needs the date it was opened.").arg(caption(Field::OpenedDate)));
    // List values and dates repeat from row to row: the plan holds each
    // text once, however many rows name it.
    issue.status = state.once(text(Field::Status));
    issue.category = state.once(text(Field::Category));
    issue.priority = state.once(text(Field::Priority));
    issue.comment = optionalText(text(Field::Comment));
    if (!reasons.isEmpty()) {
        state.result.refusals.append({line, reasons.join(QLatin1Char(' '))});
        return;
    }
    for (std::optional<QString> *date : {&issue.openedDate, &issue.dueDate})
        if (*date)
            *date = state.once(**date);
    if (issue.status)
        state.statuses.use(*issue.status);
    if (issue.category)
        state.categories.use(*issue.category);
    if (issue.priority)
        state.priorities.use(*issue.priority);
    state.result.issues.append(std::move(issue));
}

Plan plan(const Csv::Document &document, const Mapping &mapping, const Existing &existing, const QLocale &locale,
          Matching matching)
{
    if (document.records.isEmpty())
        return Plan();
    Planner planner(document.records.first().size(), mapping, existing, locale, matching);
    for (qsizetype r = 1; r < document.records.size(); ++r)
        planner.add(document.records[r], document.lines[r]);
    return planner.take();
}

std::optional<FilePlan> planFile(QIODevice &device, Csv::Latin1 latin1, const std::optional<Mapping> &mapping,
                                 const Existing &existing, const std::function<bool(qint64, qint64)> &progress,
                                 const QLocale &locale, Matching matching)
{
    constexpr int rowsBetweenReports = 4096;
    const qint64 total = device.isSequential() ? 0 : device.size();
    Csv::Reader reader(device, latin1);
    FilePlan file;
    QStringList record;
    int line = 0;
    if (!reader.next(file.headings, line))
        return file;
    file.mapping = mapping ? *mapping : suggestedMapping(file.headings);
    Planner planner(file.headings.size(), file.mapping, existing, locale, matching);
    for (int rows = 1; reader.next(record, line); ++rows) {
        planner.add(record, line);
        if (rows % rowsBetweenReports == 0 && !progress(reader.bytesRead(), total))
            return std::nullopt;
    }
    file.plan = planner.take();
    return file;
}

QString insertStatement(const PlannedIssue &issue, std::optional<qint64> assignedTo, std::optional<qint64> openedBy)
{
    IssueSql::Values values;
    values.title = issue.title;
    values.openedDate = issue.openedDate;
    values.status = issue.status;
    values.category = issue.category;
    values.priority = issue.priority;
    values.comment = issue.comment;
    values.dueDate = issue.dueDate;
    return IssueSql::insertStatement(values, assignedTo, openedBy);
}

Counts apply(Connection &connection, const Plan &plan)
{
    Counts counts;
    try {
        const ChangeSource::Scope imported(connection, QString::fromLatin1(ChangeSource::csvImport));
        Transaction transaction(connection);
        const auto addValues = [&](ValueListSql::List list, const QStringList &values) {
            for (const QString &value : values) {
                connection.Execute(ValueListSql::insertStatement(list, value));
                ++counts.values;
            }
        };
        addValues(ValueListSql::List::Status, plan.newStatuses);
        addValues(ValueListSql::List::Category, plan.newCategories);
        addValues(ValueListSql::List::Priority, plan.newPriorities);

        std::vector<qint64> madeIds;
        for (const NewContact &contact : plan.newContacts) {
            connection.Execute(QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address]) "
                                              "values (%1,%2,%3)")
                                   .arg(SqlText::literal(contact.firstName), SqlText::literal(contact.lastName),
                                        SqlText::literal(contact.email)));
            madeIds.push_back(connection.lastInsertedId());
            ++counts.contacts;
        }
        const auto idOf = [&](const ContactChoice &choice) -> std::optional<qint64> {
            if (choice.existing)
                return choice.existing;
            if (choice.created >= 0)
                return madeIds.at(static_cast<size_t>(choice.created));
            return std::nullopt;
        };
        for (const PlannedIssue &issue : plan.issues) {
            try {
                connection.Execute(insertStatement(issue, idOf(issue.assignedTo), idOf(issue.openedBy)));
            } catch (const Error &error) {
                throw Error(QStringLiteral("Line %1: %2").arg(issue.line).arg(error.description()));
            }
            ++counts.issues;
        }
        transaction.commit();
    } catch (const Error &error) {
        throw Error(error.description() + QStringLiteral("\r\nNothing was imported."));
    }
    return counts;
}

} // namespace IssueExchange
