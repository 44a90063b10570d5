#include "app/SampleData.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/HeldRecordset.h"
#include "data/IssueSql.h"
#include "data/SharedConnection.h"
#include "data/ValueListSql.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QDate>
#include <QString>
#include <QStringList>

namespace {

// A working value of a run and whether the database gave it. An issue is
// added only when every value it refers to was read: the initial one (ID 1,
// one blank) would point the issue at a row that may not exist.
template <typename T>
struct WorkingValue {
    T value;
    bool read = false;
};

// One value list and the two sample values it is topped up with.
struct SampleValues {
    ValueListSql::List list;
    const char *firstSample;
    const char *secondSample;
};

} // namespace

void LoadSampleData(const std::function<void()> &listData)
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton4_Click"));
    // The one result object of a run, made at its first step.
    HeldRecordset query;
    int count = 0;

    // Opens a single-column query and, when it has a row, hands the column of
    // its first row to read; the open, the end test, the read and the close
    // are four steps from `first` on. True when the read completed.
    auto readSingle = [&](int first, const QString &sql, const char *column, auto &&read) {
        step(first,
             [&] { query.get().Open(sql, sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly); });
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
    const SampleValues lists[] = {{ValueListSql::List::Status, "In process", "Cancelled"},
                                  {ValueListSql::List::Category, "New Category", "Main Category"},
                                  {ValueListSql::List::Priority, "High", "Low"}};
    WorkingValue<QString> firstValue[3];
    WorkingValue<QString> lastValue[3];
    for (int list = 0; list < 3; ++list) {
        const SampleValues &values = lists[list];
        const int first = 144 + 42 * list;
        const QString table = ValueListSql::table(values.list);
        const QString column = ValueListSql::column(values.list);
        auto insert = [&](const char *value) {
            return ValueListSql::insertStatement(values.list, QLatin1String(value));
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
            IssueSql::Values values;
            values.title = QLatin1String(issue.title);
            values.assignedTo = issue.assignedTo.value;
            values.openedBy = issue.openedBy.value;
            values.openedDate = DateText::toText(QDate::currentDate());
            values.status = issue.status.value;
            values.category = issue.category.value;
            values.priority = issue.priority.value;
            values.comment = QLatin1String(issue.comment);
            values.dueDate = values.openedDate;
            sql = IssueSql::insertStatement(values);
        });
        step(first + 2, [&] { sharedConnection().Execute(sql); });
    }
    if (!skipped.isEmpty())
        platform::msgBox(QStringLiteral("These sample issues were not added, because a contact or value they refer "
                                        "to could not be read: %1.")
                             .arg(skipped.join(QStringLiteral(", "))));

    step(282, [&] { listData(); });
}
