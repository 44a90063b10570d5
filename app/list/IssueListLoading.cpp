#include "app/list/IssueListLoading.h"

#include "app/list/IssueListModel.h"
#include "data/DateText.h"
#include "data/Error.h"
#include "data/HeldRecordset.h"
#include "data/IssueDates.h"
#include "data/IssueListQuery.h"
#include "data/IssueQuerySql.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "data/Watches.h"
#include "platform/ErrorBlock.h"
#include "platform/SettingsStore.h"

#include <QDateTime>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <array>
#include <exception>
#include <optional>

namespace IssueListLoading {
namespace {

using HistoryDates = QHash<qint64, IssueDates::StoredDates>;

using Stored = std::vector<IssueListQuery::Stored>;

// Opens the list's statement, after reading each issue's version (and
// whether it is closed) when the database can tell; a database that cannot
// (a read-only file of an older schema) still lists, its versions unknown.
Stored openIssues(HeldRecordset &rs, Connection &connection, bool withClosed)
{
    Stored stored;
    try {
        stored = IssueListQuery::readStored(connection, withClosed);
    } catch (const Error &) {
    }
    IssueListQuery::open(rs.get(), connection, withClosed);
    return stored;
}

// What the database said of an issue when listed; null for one it did not
// name (added between the two reads, or no versions read).
const IssueListQuery::Stored *storedOf(const Stored &stored, const QString &id)
{
    bool isNumber = false;
    const qint64 number = id.toLongLong(&isNumber);
    const auto found = std::lower_bound(stored.begin(), stored.end(), number,
                                        [](const IssueListQuery::Stored &issue, qint64 n) { return issue.id < n; });
    return isNumber && found != stored.end() && found->id == number ? &*found : nullptr;
}

// The history's dates, read beside the list's statement when its rows are to
// hold them: one grouped read of the history, looked up by ID, costs less
// than joining it to the view. Without them the rows are read all the same.
std::optional<HistoryDates> historyDates(Connection &connection, bool wanted)
{
    return wanted ? std::optional<HistoryDates>(IssueDates::readStored(connection)) : std::nullopt;
}

// Stored times as the list shows them: as a Value of the time would be
// written (the short date, then the time of day unless it is midnight) and
// keyed as setDateKey keys it. Made from pieces kept for the day, the second
// of the day and the quarter hour's distance from UTC: converting and
// writing each time whole would cost more than the rest of its row.
class StoredTimes {
public:
    void show(IssueListModel::Refill &rows, int row, int column, qint64 stored)
    {
        if (stored == IssueDates::noTime) {
            rows.setDateTimeKey(row, column, IssueListModel::noDate);
            return;
        }
        const qint64 local = stored + offsetAt(stored);
        const qint64 day = floorDiv(local, msecsPerDay);
        const qint64 msecsOfDay = local - day * msecsPerDay;
        const QDate date = QDate::fromJulianDay(day + julianDayOf1970);
        rows.setDateTimeKey(row, column, IssueListModel::dayKey(date) + msecsOfDay);
        QString text = dayText(day, date);
        if (msecsOfDay != 0)
            text += QLatin1Char(' ') + secondText(static_cast<int>(msecsOfDay / 1000));
        rows.setCell(row, column, text);
    }

private:
    static constexpr qint64 msecsPerDay = 86400000;
    static constexpr qint64 msecsPerQuarter = 900000;
    static constexpr qint64 julianDayOf1970 = 2440588;

    static qint64 floorDiv(qint64 a, qint64 b) { return a / b - (a % b < 0 ? 1 : 0); }

    qint64 offsetAt(qint64 stored)
    {
        const qint64 quarter = floorDiv(stored, msecsPerQuarter);
        const auto known = m_offsets.constFind(quarter);
        if (known != m_offsets.cend())
            return *known;
        const qint64 offset = qint64(QDateTime::fromMSecsSinceEpoch(stored).offsetFromUtc()) * 1000;
        return *m_offsets.insert(quarter, offset);
    }

    const QString &dayText(qint64 day, const QDate &date)
    {
        const auto known = m_days.constFind(day);
        return known != m_days.cend() ? *known : *m_days.insert(day, DateText::toText(date, m_locale));
    }

    const QString &secondText(int second)
    {
        const auto known = m_seconds.constFind(second);
        return known != m_seconds.cend()
                   ? *known
                   : *m_seconds.insert(second,
                                       m_locale.toString(QTime::fromMSecsSinceStartOfDay(second * 1000), m_timeFormat));
    }

    QLocale m_locale;
    QString m_timeFormat = DateText::shortTimeFormat(m_locale);
    QHash<qint64, qint64> m_offsets;
    QHash<qint64, QString> m_days;
    QHash<int, QString> m_seconds;
};

// Reads the issues of an opened query (or of none, when it did not open)
// into the refill; with withClosed, marks those whose status closes them.
// Step runs each numbered step as ErrorBlock does; captions name the
// list's columns.
template <typename Step>
MissingValues readIssues(Step &step, IssueListModel::Refill &model, const QStringList &captions, HeldRecordset &rs,
                         bool opened, bool withClosed, const std::optional<HistoryDates> &dates, const Stored &stored,
                         Connection *connection)
{
    // The database's rule, read only for an issue its first read did not name.
    std::optional<IssueStatus::ClosingRule> rule;
    const auto closes = [&](const QString &status) {
        if (!rule)
            rule = connection ? IssueStatus::ClosingRule::readOrClosedAlone(*connection) : IssueStatus::ClosingRule();
        return rule->closes(status);
    };
    // Each column is looked up by name once, not once per row; a column the
    // result lacks still fails its own step on every row, through Fields.
    struct NamedField {
        QString name;
        int position;
    };
    const auto named = [&](const QString &name) { return NamedField{name, opened ? rs->columnIndex(name) : -1}; };
    const NamedField idField = named(QStringLiteral("ID"));
    const NamedField titleField = named(QStringLiteral("Title"));
    const NamedField assignedToField = named(QStringLiteral("Assigned To Name"));
    const NamedField openedByField = named(QStringLiteral("Opened By Name"));
    const NamedField openedDateField = named(QStringLiteral("Opened Date"));
    const NamedField dueDateField = named(QStringLiteral("Due Date"));
    const NamedField statusField = named(QStringLiteral("Status"));
    const NamedField categoryField = named(QStringLiteral("Category"));
    const NamedField priorityField = named(QStringLiteral("Priority"));
    const NamedField commentField = named(QStringLiteral("Comment"));
    StoredTimes times;
    const auto field = [&](const NamedField &source) -> const Value & {
        return source.position >= 0 ? rs->field(source.position) : rs->Fields(source.name);
    };
    if (opened)
        model.reserveRows(model.rowCount() + rs->rowCount());

    struct {
        std::array<bool, 10> columns{};
        int rows = 0;
        QStringList cells;
    } lacking;

    // A query that did not open has no rows to walk: the list ends empty.
    while (opened) {
        bool more = false;
        if (!step(106, [&] { more = !rs->Eof(); }) || !more)
            break;
        int row = -1;
        QString id;
        step(108, [&] {
            id = field(idField).toText();
            row = model.appendRow(id);
            const IssueListQuery::Stored *known = storedOf(stored, id);
            if (known)
                model.setVersion(row, known->version);
            if (withClosed && (known ? known->closed : closes(field(statusField).toTextOrEmpty())))
                model.setClosed(row);
        });
        // A missing value leaves its cell empty and is told once, after the
        // refill, for all rows together.
        bool rowLacks = false;
        const auto plain = [&](int number, int column, const NamedField &source) {
            step(number, [&] {
                const Value &value = field(source);
                if (value.isNull()) {
                    lacking.columns[column] = rowLacks = true;
                    lacking.cells.append(id + QLatin1Char('/') + QString::number(column));
                    return;
                }
                model.setCell(row, column, value.toText());
            });
        };
        const auto appended = [&](int number, int column, const NamedField &source) {
            step(number, [&] { model.setCell(row, column, field(source).toTextOrEmpty()); });
        };
        plain(110, 1, titleField);
        plain(112, 2, assignedToField);
        plain(114, 3, openedByField);
        // A missing opened date (stored by an older version, or by another
        // program) shows as an empty cell: the editor asks for it on Save.
        step(116, [&] {
            const Value &openedDate = field(openedDateField);
            model.setCell(row, IssueListModel::openedDateColumn, openedDate.toTextOrEmpty());
            model.setDateKey(row, IssueListModel::openedDateColumn, openedDate);
        });
        step(118, [&] {
            const Value &due = field(dueDateField);
            model.setCell(row, IssueListModel::dueDateColumn, due.toTextOrEmpty());
            model.setDateKey(row, IssueListModel::dueDateColumn, due);
        });
        plain(120, 6, statusField);
        plain(122, 7, categoryField);
        plain(124, 8, priorityField);
        appended(126, 9, commentField);
        // An issue with no history (or not closed now) has an empty date.
        if (dates)
            step(126, [&] {
                const IssueDates::StoredDates issue = dates->value(id.toLongLong());
                times.show(model, row, IssueListModel::closedDateColumn, issue.closed);
                times.show(model, row, IssueListModel::lastChangedColumn, issue.lastChanged);
            });
        lacking.rows += rowLacks ? 1 : 0;
        if (!step(128, [&] { rs->MoveNext(); }))
            break;
    }

    step(130, [&] {
        if (rs.exists())
            rs->Close();
    });
    MissingValues missing;
    missing.rows = lacking.rows;
    for (int column = 0; column < captions.size() && column < static_cast<int>(lacking.columns.size()); ++column)
        if (lacking.columns[static_cast<size_t>(column)])
            missing.columns.append(captions[column]);
    missing.cells = lacking.cells;
    missing.cells.sort();
    return missing;
}

// "1 issue in the list has no value under Title": the message's first part.
QString gapsText(const MissingValues &missing)
{
    const QStringList &columns = missing.columns;
    const QString listed = columns.size() > 1 ? columns.mid(0, columns.size() - 1).join(QStringLiteral(", ")) +
                                                    QStringLiteral(" and ") + columns.last()
                                              : columns.value(0);
    if (missing.rows == 1)
        return QStringLiteral("1 issue in the list has no value under %1").arg(listed);
    return QStringLiteral("%L1 issues in the list have no value under %2").arg(missing.rows).arg(listed);
}

// Flags the watched issues with changes the user has not seen. The bold
// is a hint: a database that cannot tell (a read that fails) leaves the
// rows plain rather than the list unread.
void markUnseen(Connection &connection, IssueListModel::Refill &rows, qint64 meContact)
{
    try {
        QSet<qint64> issues;
        for (const Watches::Unseen &item :
             Watches::unseen(connection, IssueQuerySql::meContactId(connection, meContact)))
            issues.insert(item.issue);
        rows.setUnseen(issues);
    } catch (const Error &) {
    }
}

} // namespace

qint64 meContact()
{
    return platform::readSetting(QStringLiteral("QueryMeContact"), QStringLiteral("0")).toLongLong();
}

Refilled refill(IssueListModel &model, bool withClosed)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ListData"));

    // The rows are gathered aside and replace the shown ones in one go at the
    // end, whatever fails on the way.
    IssueListModel::Refill rows;
    step(100, [&] { rows = model.newRefill(); });
    Refilled refilled;
    HeldRecordset rs;
    step(102, [&] { rs.create(); });
    Stored stored;
    refilled.read = rs.exists() && step(104, [&] { stored = openIssues(rs, sharedConnection(), withClosed); });
    std::optional<HistoryDates> dates;
    if (refilled.read)
        step(104, [&] { dates = historyDates(sharedConnection(), rows.withHistoryDates()); });
    refilled.missing = readIssues(step, rows, captionsOf(model), rs, refilled.read, withClosed, dates, stored,
                                  refilled.read ? &sharedConnection() : nullptr);
    if (refilled.read)
        markUnseen(sharedConnection(), rows, meContact());
    model.showRefill(std::move(rows));
    return refilled;
}

Refilled refillWhenRead(IssueListModel &model, bool withClosed)
{
    Refilled refilled;
    HeldRecordset rs;
    rs.create();
    std::optional<HistoryDates> dates;
    Stored stored;
    try {
        stored = openIssues(rs, sharedConnection(), withClosed);
        dates = historyDates(sharedConnection(), model.hasHistoryColumns());
    } catch (const Error &) {
        return refilled;
    }
    // The rows are all held now: what can still fail is a row's own value,
    // told as on every refill.
    ErrorBlock step(ErrorBlock::location("Form1", "ListData"));
    IssueListModel::Refill rows;
    step(100, [&] { rows = model.newRefill(); });
    refilled.read = true;
    refilled.missing =
        readIssues(step, rows, captionsOf(model), rs, true, withClosed, dates, stored, &sharedConnection());
    markUnseen(sharedConnection(), rows, meContact());
    model.showRefill(std::move(rows));
    return refilled;
}

ReadAside readAside(Connection &connection, bool withClosed, IssueListModel::Refill rows, const QStringList &captions,
                    qint64 meContact)
{
    HeldRecordset rs;
    rs.create();
    const Stored stored = openIssues(rs, connection, withClosed);
    const std::optional<HistoryDates> dates = historyDates(connection, rows.withHistoryDates());
    ReadAside read{std::move(rows), {}, {}};
    // A row's value that fails is told when the rows are shown, on the
    // window's thread, at its step, as a refill there tells it.
    const auto step = [&read](int number, auto &&body) {
        try {
            body();
            return true;
        } catch (const Refusal &refusal) {
            read.failures.push_back({number, refusal.description(), true});
        } catch (const Error &error) {
            read.failures.push_back({number, error.description(), false});
        } catch (const std::exception &error) {
            read.failures.push_back({number, QString::fromUtf8(error.what()), false});
        }
        return false;
    };
    read.missing = readIssues(step, read.rows, captions, rs, true, withClosed, dates, stored, &connection);
    markUnseen(connection, read.rows, meContact);
    read.rows.finish();
    return read;
}

Refilled showAside(IssueListModel &model, ReadAside read, std::vector<char> visible)
{
    if (!read.failures.empty()) {
        ErrorBlock step(ErrorBlock::location("Form1", "ListData"));
        for (const ReadAside::Failure &failure : read.failures)
            step(failure.step, [&] {
                if (failure.refusal)
                    throw Refusal(failure.description);
                throw Error(failure.description);
            });
    }
    model.showRefill(std::move(read.rows), std::move(visible));
    return Refilled{true, std::move(read.missing)};
}

QStringList captionsOf(const IssueListModel &model)
{
    QStringList captions;
    for (int column = 0; column < model.columnCount(); ++column)
        captions.append(model.headerData(column, Qt::Horizontal).toString());
    return captions;
}

QString missingValuesMessage(const MissingValues &missing)
{
    return gapsText(missing) + (missing.rows == 1 ? QStringLiteral("; those cells are empty.\r\nEdit the issue (or "
                                                                   "its contacts) to fill them in.")
                                                  : QStringLiteral("; those cells are empty.\r\nEdit the issues (or "
                                                                   "their contacts) to fill them in."));
}

QString missingValuesLine(const MissingValues &missing)
{
    return missing.rows == 0 ? QString() : gapsText(missing) + QLatin1Char('.');
}

bool MissingValuesNotice::isNews(const MissingValues &missing)
{
    if (missing.rows == 0)
        return false;
    const QString key =
        missing.columns.join(QLatin1Char('|')) + QLatin1Char('#') + missing.cells.join(QLatin1Char(','));
    if (m_told.contains(key))
        return false;
    m_told.insert(key);
    return true;
}

} // namespace IssueListLoading
