#include "data/SampleData.h"

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/Value.h"
#include "data/ValueListSql.h"

#include <optional>

namespace SampleData {

namespace {

// A sample contact: first and last name, e-mail address, company, job title.
struct SampleContact {
    const char *first;
    const char *last;
    const char *mail;
    const char *company;
    const char *job;
};

const SampleContact sampleContacts[2] = {
    {"Orrin", "Pellham", "orrin.pellham@acme.example", "ACME", "Manager"},
    {"Tobiah", "Quarles", "tobiah.quarles@acme.example", "ACME", "HR"},
};

// The two sample values of a value list, in the order they are added.
const char *sampleValue(ValueListSql::List list, int which)
{
    switch (list) {
    case ValueListSql::List::Status:
        return which == 0 ? "In process" : "Cancelled";
    case ValueListSql::List::Category:
        return which == 0 ? "New Category" : "Main Category";
    case ValueListSql::List::Priority:
        return which == 0 ? "High" : "Low";
    }
    return "";
}

// The value list a table is; none for the contacts.
std::optional<ValueListSql::List> listOf(Table table)
{
    switch (table) {
    case Table::Contacts:
        return std::nullopt;
    case Table::Status:
        return ValueListSql::List::Status;
    case Table::Categories:
        return ValueListSql::List::Category;
    case Table::Priorities:
        return ValueListSql::List::Priority;
    }
    return std::nullopt;
}

// The column a table's reads aggregate, as "Table.Column".
QString aggregated(Table table)
{
    const auto list = listOf(table);
    if (!list)
        return QStringLiteral("Contacts.ID");
    return ValueListSql::table(*list) + QLatin1Char('.') + ValueListSql::column(*list);
}

QString tableName(Table table)
{
    const auto list = listOf(table);
    return list ? ValueListSql::table(*list) : QStringLiteral("Contacts");
}

void open(Recordset &result, Connection &connection, const QString &query)
{
    result.Open(query, connection, Recordset::adOpenStatic, Recordset::adLockReadOnly);
}

} // namespace

void openCount(Recordset &result, Connection &connection, Table table)
{
    open(result, connection,
         QStringLiteral("SELECT Count(%1) AS [CountID] From %2").arg(aggregated(table), tableName(table)));
}

void openFirst(Recordset &result, Connection &connection, Table table)
{
    open(result, connection,
         QStringLiteral("SELECT First(%1) AS [MaxID] FROM %2").arg(aggregated(table), tableName(table)));
}

void openLast(Recordset &result, Connection &connection, Table table)
{
    open(result, connection,
         QStringLiteral("SELECT Last(%1) AS [MaxID] FROM %2").arg(aggregated(table), tableName(table)));
}

Value countOf(Recordset &result)
{
    return result.Fields(QStringLiteral("CountID"));
}

Value valueOf(Recordset &result)
{
    return result.Fields(QStringLiteral("MaxID"));
}

void insertSample(Connection &connection, Table table, int which)
{
    if (const auto list = listOf(table)) {
        connection.Execute(ValueListSql::insertStatement(*list, QLatin1String(sampleValue(*list, which))));
        return;
    }
    const SampleContact &contact = sampleContacts[which];
    connection.Execute(
        QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address],Company,[Job Title]) "
                       "values ('") +
        QLatin1String(contact.first) + QStringLiteral("','") + QLatin1String(contact.last) + QStringLiteral("','") +
        QLatin1String(contact.mail) + QStringLiteral("','") + QLatin1String(contact.company) + QStringLiteral("','") +
        QLatin1String(contact.job) + QStringLiteral("')"));
}

void insertIssue(Connection &connection, const IssueSql::Values &issue)
{
    connection.Execute(IssueSql::insertStatement(issue));
}

} // namespace SampleData
