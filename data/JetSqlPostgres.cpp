// The program's dialect on the PostgreSQL server. The server's schema
// (data/postgres/PgSchema.cpp) spells every name as the program does, in
// double quotes; the program itself writes names in any letter case, bare or
// bracketed. So every name of the schema is written here exactly as the
// schema spells it, and an alias after AS keeps the letter case it was
// written in, as a result column's name does on SQLite.

#include "data/JetSql.h"

#include "data/DateText.h"
#include "data/Error.h"
#include "data/JetTokens.h"

#include <QHash>

namespace JetSql {
namespace {

using namespace Tokens;

const QHash<QString, QString> &schemaNames()
{
    static const QHash<QString, QString> names = [] {
        const char *const all[] = {"Contacts",
                                   "Issues",
                                   "Status",
                                   "Categories",
                                   "Priorities",
                                   "TrashIssues",
                                   "TrashContacts",
                                   "TrashValues",
                                   "Issues With Names",
                                   "Open Issues",
                                   "Closed Issues",
                                   "ID",
                                   "First Name",
                                   "Last Name",
                                   "E-mail Address",
                                   "Company",
                                   "Job Title",
                                   "Business Phone",
                                   "Home Phone",
                                   "Mobile Phone",
                                   "Fax Number",
                                   "Address",
                                   "City",
                                   "State",
                                   "ZIP",
                                   "Country",
                                   "Web Page",
                                   "Notes",
                                   "Title",
                                   "Assigned To",
                                   "Opened By",
                                   "Opened Date",
                                   "Category",
                                   "Priority",
                                   "Comment",
                                   "Due Date",
                                   "Version",
                                   "DeleteGroup",
                                   "DeletedBy",
                                   "List",
                                   "Value",
                                   "Assigned To Name",
                                   "Opened By Name",
                                   "TrashOwners",
                                   "DeletedByUser",
                                   "History",
                                   "Seq",
                                   "ItemID",
                                   "OldValue",
                                   "NewValue",
                                   "ChangedAt",
                                   "ChangedBy",
                                   "ChangeID",
                                   "Via",
                                   "VersionAfter",
                                   "NoteID",
                                   "Issue ID",
                                   "SavedViews",
                                   "Name",
                                   "Query",
                                   "SortColumn",
                                   "SortDescending",
                                   "Columns",
                                   "ShowClosed",
                                   "Owner",
                                   "Shared",
                                   "ValueOrder",
                                   "Position",
                                   "Attachments",
                                   "AttachmentContent",
                                   "AttachmentChunks",
                                   "Type",
                                   "Size",
                                   "Hash",
                                   "Number",
                                   "Data",
                                   "Added",
                                   "AddedBy",
                                   "Removed",
                                   "RemovedBy",
                                   "Watches",
                                   "Who",
                                   "Watching",
                                   "SeenSeq",
                                   "ClosingStatuses"};
        QHash<QString, QString> byLower;
        for (const char *name : all)
            byLower.insert(QString::fromLatin1(name).toLower(), QString::fromLatin1(name));
        return byLower;
    }();
    return names;
}

// The name a Name token stands for, without its quotes.
QString unquoted(const QString &quoted)
{
    if (quoted.size() < 2)
        return quoted;
    const QChar quote = quoted.front();
    QString inner = quoted.mid(1, quoted.size() - 2);
    return inner.replace(QString(2, quote), QString(quote));
}

QString canonical(const QString &name)
{
    return schemaNames().value(name.toLower(), name);
}

void spellNames(std::vector<Item> &items)
{
    int depth = 0;
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        Item &item = items[i];
        if (item.kind == Kind::Open)
            ++depth;
        else if (item.kind == Kind::Close)
            --depth;
        else if (item.kind == Kind::Name && item.text.size() >= 2 && item.text.front() == item.text.back())
            item.text = quoteName(canonical(unquoted(item.text)));
        else if (item.kind == Kind::Word) {
            // No function of the dialect is named like a table or column,
            // so "Contacts (" after INTO is the table.
            if (schemaNames().contains(item.text.toLower())) {
                item.text = quoteName(canonical(item.text));
                continue;
            }
            const int next = nextSolid(items, i + 1);
            const int previous = previousSolid(items, i - 1);
            const bool function = next >= 0 && items[next].kind == Kind::Open;
            if (!function && depth == 0 && previous >= 0 && isWord(items[previous], "as"))
                item.text = quoteName(item.text);
        }
    }
}

// LIKE compares without regard to case in the program's dialect; the
// server refuses LIKE under a collation that ignores case, so the pattern
// names a plain collation and ILIKE ignores the case instead.
void rewriteLike(std::vector<Item> &items)
{
    for (int i = 0; i < static_cast<int>(items.size()); ++i) {
        if (!isWord(items[i], "like"))
            continue;
        items[i].text = QStringLiteral("ILIKE");
        const int pattern = nextSolid(items, i + 1);
        if (pattern >= 0 && (items[pattern].kind == Kind::Text || items[pattern].kind == Kind::Name))
            items[pattern].text += QStringLiteral(" COLLATE \"default\"");
    }
}

bool isDateColumn(const Item &item)
{
    if (item.kind != Kind::Name && item.kind != Kind::Word)
        return false;
    const QString name = item.kind == Kind::Name ? unquoted(item.text) : item.text;
    return name.compare(QLatin1String("Opened Date"), Qt::CaseInsensitive) == 0 ||
           name.compare(QLatin1String("Due Date"), Qt::CaseInsensitive) == 0;
}

// Date text written into a date column is read as SQLite's side reads it
// (data/Engine.cpp, marrow_date_in): ISO or the locale's short form, which
// the server cannot know.
void convertDate(Item &literal)
{
    const QString text = unquoted(literal.text);
    const auto parsed = DateText::parse(text);
    if (!parsed)
        throw Error(QStringLiteral("\"%1\" is not a date. Write dates like %2.")
                        .arg(text, DateText::toText(QDate(2021, 8, 31))));
    literal.text = QLatin1Char('\'') + DateText::toIso(*parsed) + QLatin1Char('\'');
}

// The items of one value, between separators at one depth: the single
// solid one, or -1 when the value is more than one item.
int singleSolid(const std::vector<Item> &items, int begin, int end)
{
    const int first = nextSolid(items, begin);
    if (first < 0 || first >= end)
        return -1;
    const int second = nextSolid(items, first + 1);
    return second >= 0 && second < end ? -1 : first;
}

void convertInsertDates(std::vector<Item> &items, int open)
{
    std::vector<bool> dateColumns;
    int i = open + 1;
    for (; i < static_cast<int>(items.size()) && items[i].kind != Kind::Close; ++i)
        if (items[i].kind == Kind::Name || items[i].kind == Kind::Word)
            dateColumns.push_back(isDateColumn(items[i]));
    const int values = nextSolid(items, i + 1);
    if (values < 0 || !isWord(items[values], "values"))
        return;
    const int valuesOpen = nextSolid(items, values + 1);
    if (valuesOpen < 0 || items[valuesOpen].kind != Kind::Open)
        return;
    int depth = 0;
    size_t column = 0;
    int start = valuesOpen + 1;
    for (int j = valuesOpen + 1; j < static_cast<int>(items.size()); ++j) {
        const Kind kind = items[j].kind;
        if (kind == Kind::Open)
            ++depth;
        const bool ends = depth == 0 && (kind == Kind::Comma || kind == Kind::Close);
        if (kind == Kind::Close && depth > 0)
            --depth;
        if (!ends)
            continue;
        const int value = singleSolid(items, start, j);
        if (column < dateColumns.size() && dateColumns[column] && value >= 0 && items[value].kind == Kind::Text)
            convertDate(items[value]);
        ++column;
        start = j + 1;
        if (kind == Kind::Close)
            break;
    }
}

void convertUpdateDates(std::vector<Item> &items, int set)
{
    int depth = 0;
    int start = set + 1;
    for (int j = set + 1; j <= static_cast<int>(items.size()); ++j) {
        const bool atEnd = j == static_cast<int>(items.size());
        if (!atEnd && items[j].kind == Kind::Open)
            ++depth;
        else if (!atEnd && items[j].kind == Kind::Close)
            --depth;
        const bool ends = atEnd || (depth == 0 && (items[j].kind == Kind::Comma || isWord(items[j], "where")));
        if (!ends)
            continue;
        const int column = nextSolid(items, start);
        const int equals = column >= 0 ? nextSolid(items, column + 1) : -1;
        if (equals >= 0 && equals < j && items[equals].text == QLatin1String("=") && isDateColumn(items[column])) {
            const int value = singleSolid(items, equals + 1, j);
            if (value >= 0 && items[value].kind == Kind::Text)
                convertDate(items[value]);
        }
        if (atEnd || isWord(items[j], "where"))
            break;
        start = j + 1;
    }
}

bool namesIssueTable(const Item &item)
{
    const QString name = item.kind == Kind::Name ? unquoted(item.text) : item.text;
    return (item.kind == Kind::Name || item.kind == Kind::Word) &&
           (name.compare(QLatin1String("Issues"), Qt::CaseInsensitive) == 0 ||
            name.compare(QLatin1String("TrashIssues"), Qt::CaseInsensitive) == 0);
}

void convertDates(std::vector<Item> &items)
{
    const int verb = nextSolid(items, 0);
    if (verb < 0)
        return;
    if (isWord(items[verb], "insert")) {
        const int into = nextSolid(items, verb + 1);
        const int table = into >= 0 ? nextSolid(items, into + 1) : -1;
        const int open = table >= 0 ? nextSolid(items, table + 1) : -1;
        if (open >= 0 && isWord(items[into], "into") && namesIssueTable(items[table]) && items[open].kind == Kind::Open)
            convertInsertDates(items, open);
    } else if (isWord(items[verb], "update")) {
        const int table = nextSolid(items, verb + 1);
        const int set = table >= 0 ? nextSolid(items, table + 1) : -1;
        if (set >= 0 && namesIssueTable(items[table]) && isWord(items[set], "set"))
            convertUpdateDates(items, set);
    }
}

} // namespace

QString toPostgres(const QString &statement)
{
    std::vector<Item> items = tokenize(statement);
    convertDates(items);
    spellNames(items);
    rewriteLike(items);
    return translate(items, Target::Postgres);
}

} // namespace JetSql
