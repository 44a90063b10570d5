#include "app/list/IssueListLoading.h"

#include "app/list/IssueListModel.h"
#include "data/HeldRecordset.h"
#include "data/IssueStatus.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "platform/ErrorBlock.h"

#include <array>
#include <optional>

namespace IssueListLoading {
namespace {

QString queryFor(bool withClosed)
{
    // Closed issues too, on request, drawn apart: every issue in one pass
    // over the table, each marked by the rule the two views follow.
    return withClosed ? QStringLiteral("select * from [Issues With Names]")
                      : QStringLiteral("select * from [Open Issues]");
}

void openIssues(HeldRecordset &rs, bool withClosed)
{
    rs->Open(queryFor(withClosed), sharedConnection(), Recordset::adOpenStatic, Recordset::adLockReadOnly);
}

// Reads the issues of an opened query (or of none, when it did not open)
// into the refill; with withClosed, marks those whose status closes them.
void readIssues(ErrorBlock &step, IssueListModel &model, HeldRecordset &rs, bool opened, bool withClosed)
{
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
    const auto field = [&](const NamedField &source) -> const Value & {
        return source.position >= 0 ? rs->field(source.position) : rs->Fields(source.name);
    };
    if (opened)
        model.reserveRows(model.pendingRowCount() + rs->rowCount());

    struct {
        std::array<bool, 10> columns{};
        int rows = 0;
    } lacking;

    // A query that did not open has no rows to walk: the list ends empty.
    while (opened) {
        bool more = false;
        if (!step(106, [&] { more = !rs->Eof(); }) || !more)
            break;
        int row = -1;
        step(108, [&] {
            row = model.appendRow(field(idField).toText());
            if (withClosed && IssueStatus::isClosing(field(statusField).toTextOrEmpty()))
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
        step(116, [&] {
            const Value &openedDate = field(openedDateField);
            if (openedDate.isNull()) {
                lacking.columns[IssueListModel::openedDateColumn] = rowLacks = true;
                return;
            }
            model.setCell(row, IssueListModel::openedDateColumn, openedDate.toText());
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
        lacking.rows += rowLacks ? 1 : 0;
        if (!step(128, [&] { rs->MoveNext(); }))
            break;
    }

    step(130, [&] {
        if (rs.exists())
            rs->Close();
    });
    if (lacking.rows > 0) {
        QStringList columns;
        for (int column = 0; column < model.columnCount(); ++column)
            if (lacking.columns[column])
                columns.append(model.headerData(column, Qt::Horizontal).toString());
        step.refuse(missingValuesMessage(lacking.rows, columns));
    }
}

} // namespace

bool refill(IssueListModel &model, bool withClosed)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ListData"));

    // The rows are gathered aside and replace the shown ones in one go at the
    // end, whatever fails on the way.
    step(100, [&] { model.beginRefill(); });
    HeldRecordset rs;
    step(102, [&] { rs.create(); });
    const bool opened = rs.exists() && step(104, [&] { openIssues(rs, withClosed); });
    readIssues(step, model, rs, opened, withClosed);
    model.endRefill();
    return opened;
}

std::optional<QString> refillWhenRead(IssueListModel &model, bool withClosed)
{
    HeldRecordset rs;
    rs.create();
    try {
        openIssues(rs, withClosed);
    } catch (const Error &error) {
        return error.description();
    }
    // The rows are all held now: what can still fail is a row's own value,
    // told as on every refill.
    ErrorBlock step(ErrorBlock::location("Form1", "ListData"));
    step(100, [&] { model.beginRefill(); });
    readIssues(step, model, rs, true, withClosed);
    model.endRefill();
    return std::nullopt;
}

QString missingValuesMessage(int rows, const QStringList &columns)
{
    const QString listed = columns.size() > 1 ? columns.mid(0, columns.size() - 1).join(QStringLiteral(", ")) +
                                                    QStringLiteral(" and ") + columns.last()
                                              : columns.value(0);
    if (rows == 1)
        return QStringLiteral(
                   "1 issue in the list has no value under %1; those cells are empty.\r\nEdit the issue (or its "
                   "contacts) to fill them in.")
            .arg(listed);
    return QStringLiteral(
               "%L1 issues in the list have no value under %2; those cells are empty.\r\nEdit the issues (or their "
               "contacts) to fill them in.")
        .arg(rows)
        .arg(listed);
}

} // namespace IssueListLoading
