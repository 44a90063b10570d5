#include "app/SampleData.h"

#include "data/Connection.h"
#include "data/DateText.h"
#include "data/HeldRecordset.h"
#include "data/IssueSql.h"
#include "data/SampleData.h"
#include "data/SharedConnection.h"
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

} // namespace

void LoadSampleData(const std::function<void()> &listData)
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton4_Click"));
    // The one result object of a run, made at its first step.
    HeldRecordset query;
    int count = 0;

    using SampleData::Table;
    // Opens a one-row query and, when it has its row, hands the query to
    // read; the open, the end test, the read and the close are four steps
    // from `first` on. True when the read completed.
    using Opener = void (*)(Recordset &, Connection &, Table);
    auto readSingle = [&](int first, Opener open, Table table, auto &&read) {
        step(first, [&] { open(query.get(), sharedConnection(), table); });
        bool hasRow = true;
        step(first + 2, [&] { hasRow = !query.get().Eof(); });
        bool done = false;
        if (hasRow)
            done = step(first + 4, [&] { read(query.get()); });
        step(first + 6, [&] { query.get().Close(); });
        return done;
    };
    auto readCount = [&](Recordset &result) { count = static_cast<int>(SampleData::countOf(result).toInteger()); };

    // Tops a table up to two rows: the count taken now plus the rows this
    // run inserts decides each of the two inserts. Steps `first` to first + 20.
    auto topUp = [&](int first, Table table) {
        step(first, [&] { count = 0; });
        readSingle(first + 2, SampleData::openCount, table, readCount);
        bool below = true;
        step(first + 10, [&] { below = count < 2; });
        if (below) {
            step(first + 12, [&] { SampleData::insertSample(sharedConnection(), table, 0); });
            step(first + 14, [&] { ++count; });
        }
        step(first + 16, [&] { below = count < 2; });
        if (below) {
            step(first + 18, [&] { SampleData::insertSample(sharedConnection(), table, 1); });
            step(first + 20, [&] { ++count; });
        }
    };

    step(100, [&] { query.create(); });

    // Contacts.
    topUp(102, Table::Contacts);
    WorkingValue<qint64> lastContact{1};
    WorkingValue<qint64> firstContact{1};
    step(124, [&] { lastContact.value = 1; });
    step(126, [&] { firstContact.value = 1; });
    firstContact.read = readSingle(128, SampleData::openFirst, Table::Contacts, [&](Recordset &result) {
        firstContact.value = SampleData::valueOf(result).toInteger();
    });
    lastContact.read = readSingle(136, SampleData::openLast, Table::Contacts, [&](Recordset &result) {
        lastContact.value = SampleData::valueOf(result).toInteger();
    });

    // The three value lists, each in steps first to first + 40, with the two
    // blanks at first + 22 and first + 24.
    const Table tables[] = {Table::Status, Table::Categories, Table::Priorities};
    WorkingValue<QString> firstValue[3];
    WorkingValue<QString> lastValue[3];
    for (int list = 0; list < 3; ++list) {
        const int first = 144 + 42 * list;
        const Table table = tables[list];
        topUp(first, table);
        step(first + 22, [&] { firstValue[list].value = QStringLiteral(" "); });
        step(first + 24, [&] { lastValue[list].value = QStringLiteral(" "); });
        firstValue[list].read = readSingle(first + 26, SampleData::openFirst, table, [&](Recordset &result) {
            firstValue[list].value = SampleData::valueOf(result).toText();
        });
        lastValue[list].read = readSingle(first + 34, SampleData::openLast, table, [&](Recordset &result) {
            lastValue[list].value = SampleData::valueOf(result).toText();
        });
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
        IssueSql::Values values;
        step(first, [&] {
            values.title = QLatin1String(issue.title);
            values.assignedTo = issue.assignedTo.value;
            values.openedBy = issue.openedBy.value;
            values.openedDate = DateText::toText(QDate::currentDate());
            values.status = issue.status.value;
            values.category = issue.category.value;
            values.priority = issue.priority.value;
            values.comment = QLatin1String(issue.comment);
            values.dueDate = values.openedDate;
        });
        step(first + 2, [&] { SampleData::insertIssue(sharedConnection(), values); });
    }
    if (!skipped.isEmpty())
        platform::msgBox(QStringLiteral("These sample issues were not added, because a contact or value they refer "
                                        "to could not be read: %1.")
                             .arg(skipped.join(QStringLiteral(", "))));

    step(282, [&] { listData(); });
}
