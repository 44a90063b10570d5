#include "app/SampleData.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QDate>
#include <QString>
#include <QStringList>

#include <optional>

namespace {

// The one result object of a run, created at its first step. Using it before
// it exists fails like any other step.
class SampleQuery {
public:
    void create() { m_recordset.emplace(); }

    Recordset &get()
    {
        if (!m_recordset)
            throw Error(QStringLiteral("Object variable or With block variable not set"));
        return *m_recordset;
    }

private:
    std::optional<Recordset> m_recordset;
};

// A working value of a run and whether the database gave it. An issue is
// added only when every value it refers to was read: the initial one (ID 1,
// one blank) would point the issue at a row that may not exist.
template <typename T>
struct WorkingValue {
    T value;
    bool read = false;
};

// One value list: its count, First and Last queries, insert statement and
// the two sample values it is topped up with.
struct ValueList {
    const char *table;
    const char *column;
    const char *firstSample;
    const char *secondSample;
};

QString insertIssue(const QString &title, qint64 assignedTo, qint64 openedBy, const QString &today,
                    const QString &status, const QString &category, const QString &priority, const QString &comment)
{
    return QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,Priority,"
                          "Comment,[Due Date]) values ('") +
           title + QStringLiteral("',") + QString::number(assignedTo) + QStringLiteral(",") +
           QString::number(openedBy) + QStringLiteral(",'") + today + QStringLiteral("','") + SqlText::doubled(status) +
           QStringLiteral("','") + SqlText::doubled(category) + QStringLiteral("','") + SqlText::doubled(priority) +
           QStringLiteral("','") + comment + QStringLiteral("','") + today + QStringLiteral("')");
}

} // namespace

void LoadSampleData(const std::function<void()> &listData)
{
    ErrorBlock step(QStringLiteral("in Pellucid2021/08/31.Form1.PushButton4_Click "));
    SampleQuery query;
    int count = 0;

    // Opens a single-column query and, when it has a row, hands the column of
    // its first row to read; the open, the end test, the read and the close
    // are four steps from `first` on. True when the read completed.
    auto readSingle = [&](int first, const QString &sql, const char *column, auto &&read) {
        step(first, [&] {
            query.get().Open(sql, sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly);
        });
        bool hasRow = true;
        step(first + 2, [&] { hasRow = !query.get().Eof(); });
        bool done = false;
        if (hasRow)
            done = step(first + 4, [&] { read(query.get().Fields(QLatin1String(column))); });
        step(first + 6, [&] { query.get().Close(); });
        return done;
    };
    auto readCount = [&](const Value &value) { count = static_cast<int>(value.toInteger()); };

    // Tops a table up to two rows: the count taken now plus the rows this
    // run inserts decides each of the two inserts. Steps `first` to first + 20.
    auto topUp = [&](int first, const QString &countSql, const QString &firstInsert, const QString &secondInsert) {
        step(first, [&] { count = 0; });
        readSingle(first + 2, countSql, "CountID", readCount);
        bool below = true;
        step(first + 10, [&] { below = count < 2; });
        if (below) {
            step(first + 12, [&] { sharedConnection().Execute(firstInsert); });
            step(first + 14, [&] { ++count; });
        }
        step(first + 16, [&] { below = count < 2; });
        if (below) {
            step(first + 18, [&] { sharedConnection().Execute(secondInsert); });
            step(first + 20, [&] { ++count; });
        }
    };

    step(100, [&] { query.create(); });

    // Contacts.
    auto contactInsert = [](const char *first, const char *last, const char *mail, const char *company,
                            const char *job) {
        return QStringLiteral("insert into Contacts ([First Name],[Last Name],[E-mail Address],Company,[Job Title]) "
                              "values ('") +
               QLatin1String(first) + QStringLiteral("','") + QLatin1String(last) + QStringLiteral("','") +
               QLatin1String(mail) + QStringLiteral("','") + QLatin1String(company) + QStringLiteral("','") +
               QLatin1String(job) + QStringLiteral("')");
    };
    topUp(102, QStringLiteral("SELECT Count(Contacts.ID) AS [CountID] From Contacts"),
          contactInsert("Orrin", "Pellham", "orrin.pellham@acme.example", "ACME", "Manager"),
          contactInsert("Tobiah", "Quarles", "tobiah.quarles@acme.example", "ACME", "HR"));
    WorkingValue<qint64> lastContact{1};
    WorkingValue<qint64> firstContact{1};
    step(124, [&] { lastContact.value = 1; });
    step(126, [&] { firstContact.value = 1; });
    firstContact.read = readSingle(128, QStringLiteral("SELECT First(Contacts.ID) AS [MaxID] FROM Contacts"), "MaxID",
                                   [&](const Value &value) { firstContact.value = value.toInteger(); });
    lastContact.read = readSingle(136, QStringLiteral("SELECT Last(Contacts.ID) AS [MaxID] FROM Contacts"), "MaxID",
                                  [&](const Value &value) { lastContact.value = value.toInteger(); });

    // The three value lists, each in steps first to first + 40, with the two
    // blanks at first + 22 and first + 24.
    const ValueList lists[] = {{"Status", "Status", "In process", "Cancelled"},
                               {"Categories", "Category", "New Category", "Main Category"},
                               {"Priorities", "Priority", "High", "Low"}};
    WorkingValue<QString> firstValue[3];
    WorkingValue<QString> lastValue[3];
    for (int list = 0; list < 3; ++list) {
        const ValueList &values = lists[list];
        const int first = 144 + 42 * list;
        const QString table = QLatin1String(values.table);
        const QString column = QLatin1String(values.column);
        auto insert = [&](const char *value) {
            return QStringLiteral("insert into [") + table + QStringLiteral("] values ('") + QLatin1String(value) +
                   QStringLiteral("')");
        };
        topUp(first, QStringLiteral("SELECT Count(%1.%2) AS [CountID] From %1").arg(table, column),
              insert(values.firstSample), insert(values.secondSample));
        step(first + 22, [&] { firstValue[list].value = QStringLiteral(" "); });
        step(first + 24, [&] { lastValue[list].value = QStringLiteral(" "); });
        firstValue[list].read =
            readSingle(first + 26, QStringLiteral("SELECT First(%1.%2) AS [MaxID] FROM %1").arg(table, column), "MaxID",
                       [&](const Value &value) { firstValue[list].value = value.toText(); });
        lastValue[list].read =
            readSingle(first + 34, QStringLiteral("SELECT Last(%1.%2) AS [MaxID] FROM %1").arg(table, column), "MaxID",
                       [&](const Value &value) { lastValue[list].value = value.toText(); });
    }
    enum { Status, Category, Priority };

    // The three issues, added on every run; one that refers to a value the
    // run could not read is left out, and the user is told once.
    struct SampleIssue {
        const char *title;
        const WorkingValue<qint64> &assignedTo;
        const WorkingValue<qint64> &openedBy;
        const WorkingValue<QString> &status;
        const WorkingValue<QString> &category;
        const WorkingValue<QString> &priority;
        const char *comment;

        bool complete() const
        {
            return assignedTo.read && openedBy.read && status.read && category.read && priority.read;
        }
    };
    const SampleIssue issues[] = {
        {"Issue #1", lastContact, lastContact, lastValue[Status], lastValue[Category], lastValue[Priority],
         "Need to solve this case ASAP"},
        {"Issue #2", firstContact, firstContact, firstValue[Status], firstValue[Category], firstValue[Priority],
         "Notify Orrin about this"},
        {"Issue #3", firstContact, lastContact, lastValue[Status], firstValue[Category], lastValue[Priority],
         "Comment here"},
    };
    int number = 270;
    QStringList skipped;
    for (const SampleIssue &issue : issues) {
        const int first = number;
        number += 4;
        if (!issue.complete()) {
            skipped << QLatin1String(issue.title);
            continue;
        }
        QString sql;
        step(first, [&] {
            sql = insertIssue(QLatin1String(issue.title), issue.assignedTo.value, issue.openedBy.value,
                              DateText::toText(QDate::currentDate()), issue.status.value, issue.category.value,
                              issue.priority.value, QLatin1String(issue.comment));
        });
        step(first + 2, [&] { sharedConnection().Execute(sql); });
    }
    if (!skipped.isEmpty())
        platform::msgBox(QStringLiteral("These sample issues were not added, because a contact or value they refer "
                                        "to could not be read: %1.")
                             .arg(skipped.join(QStringLiteral(", "))));

    step(282, [&] { listData(); });
}
