#include "app/BulkEditDialog.h"

#include "app/MainWindow.h"
#include "app/UndoCommands.h"
#include "app/list/IssueListModel.h"
#include "data/IssueStatus.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "issues/DateField.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHash>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressDialog>
#include <QPushButton>
#include <QSet>
#include <QTreeView>

#include <algorithm>
#include <memory>

namespace {

const QString leaveUnchanged = QStringLiteral("(leave unchanged)");

// A selection this large shows how far the save has come, with Cancel.
constexpr qsizetype progressFrom = 2000;

QComboBox *picker(QWidget *owner, const QString &name, const QString &caption, const QStringList &values)
{
    auto *box = new QComboBox(owner);
    box->setObjectName(name);
    box->setAccessibleName(caption);
    box->addItem(leaveUnchanged);
    box->addItems(values);
    return box;
}

std::optional<QString> pickedText(const QComboBox *box)
{
    return box->currentIndex() > 0 ? std::optional<QString>(box->currentText()) : std::nullopt;
}

QString issuesWord(qsizetype count)
{
    return count == 1 ? QStringLiteral("1 issue") : QStringLiteral("%1 issues").arg(count);
}

// The issues of a report, one a line, the first few of many.
QString issueLines(const QList<BulkEdit::Listed> &issues)
{
    constexpr qsizetype shown = 15;
    QStringList lines;
    for (qsizetype i = 0; i < std::min(shown, issues.size()); ++i)
        lines << QStringLiteral("  Issue %1 \u201c%2\u201d").arg(issues[i].id).arg(issues[i].title);
    if (issues.size() > shown)
        lines << QStringLiteral("  and %1 more").arg(issues.size() - shown);
    return lines.join(QStringLiteral("\r\n"));
}

// Shows how far a large save has come; Cancel rolls it back.
class SaveProgress {
public:
    SaveProgress(qsizetype count, QWidget *parent)
    {
        if (count <= progressFrom)
            return;
        m_box = std::make_unique<QProgressDialog>(QStringLiteral("Saving %1...").arg(issuesWord(count)),
                                                  QStringLiteral("Cancel"), 0, 1000, parent);
        m_box->setWindowTitle(QStringLiteral("Bulk Edit"));
        m_box->setWindowModality(Qt::WindowModal);
        m_box->setMinimumDuration(300);
        m_box->setAutoReset(false);
        m_box->setValue(0);
    }

    bool report(qsizetype done, qsizetype total)
    {
        if (!m_box)
            return true;
        m_box->setValue(total > 0 ? static_cast<int>(std::min<qsizetype>(done * 1000 / total, 999)) : 0);
        return !m_box->wasCanceled();
    }

private:
    std::unique_ptr<QProgressDialog> m_box;
};

} // namespace

BulkEditDialog::BulkEditDialog(const BulkEdit::Choices &choices, int count, QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("BulkEdit"));
    setWindowTitle(QStringLiteral("Bulk Edit Selected Issues"));
    auto *layout = new QFormLayout(this);
    auto *intro = new QLabel(QStringLiteral("Set fields of the %1 selected. A field left at \u201c%2\u201d stays as "
                                            "each issue has it.")
                                 .arg(issuesWord(count), leaveUnchanged),
                             this);
    intro->setWordWrap(true);
    layout->addRow(intro);

    statusPicker = picker(this, QStringLiteral("bulkStatus"), QStringLiteral("Status"), choices.statuses);
    categoryPicker = picker(this, QStringLiteral("bulkCategory"), QStringLiteral("Category"), choices.categories);
    priorityPicker = picker(this, QStringLiteral("bulkPriority"), QStringLiteral("Priority"), choices.priorities);
    QStringList names;
    for (const auto &[id, name] : choices.contacts) {
        m_contactIds << id;
        names << (name.isEmpty() ? QStringLiteral("(contact %1)").arg(id) : name);
    }
    assigneePicker = picker(this, QStringLiteral("bulkAssignedTo"), QStringLiteral("Assigned To"), names);
    dueDateChoice = picker(this, QStringLiteral("bulkDueDateChoice"), QStringLiteral("Due Date"),
                           {QStringLiteral("Set to:"), QStringLiteral("Clear (no due date)")});
    dueDateField = new DateField(this);
    dueDateField->setObjectName(QStringLiteral("bulkDueDate"));
    dueDateField->setAccessibleName(QStringLiteral("New due date"));
    closingPicker = picker(this, QStringLiteral("bulkClosing"), QStringLiteral("Close or reopen"),
                           {QStringLiteral("Close the issues"), QStringLiteral("Reopen the issues")});

    layout->addRow(QStringLiteral("&Status:"), statusPicker);
    layout->addRow(QStringLiteral("&Category:"), categoryPicker);
    layout->addRow(QStringLiteral("&Priority:"), priorityPicker);
    layout->addRow(QStringLiteral("&Assigned To:"), assigneePicker);
    layout->addRow(QStringLiteral("&Due Date:"), dueDateChoice);
    layout->addRow(QStringLiteral("&New due date:"), dueDateField);
    layout->addRow(QStringLiteral("C&lose or reopen:"), closingPicker);

    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    saveButton = buttons->addButton(QStringLiteral("Sa&ve"), QDialogButtonBox::AcceptRole);
    saveButton->setObjectName(QStringLiteral("bulkSave"));
    saveButton->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &BulkEditDialog::trySave);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(buttons);

    for (QComboBox *box : {dueDateChoice, closingPicker})
        connect(box, &QComboBox::currentIndexChanged, this, &BulkEditDialog::showWhatApplies);
    showWhatApplies();
}

void BulkEditDialog::showWhatApplies()
{
    dueDateField->setEnabled(dueDateChoice->currentIndex() == 1);
    // Closing and reopening set the status: both at once would contradict.
    if (closingPicker->currentIndex() > 0)
        statusPicker->setCurrentIndex(0);
    statusPicker->setEnabled(closingPicker->currentIndex() == 0);
}

BulkEdit::Changes BulkEditDialog::changes() const
{
    BulkEdit::Changes changes;
    if (closingPicker->currentIndex() == 0)
        changes.status = pickedText(statusPicker);
    changes.category = pickedText(categoryPicker);
    changes.priority = pickedText(priorityPicker);
    if (assigneePicker->currentIndex() > 0)
        changes.assignedTo = m_contactIds.value(assigneePicker->currentIndex() - 1);
    if (dueDateChoice->currentIndex() == 1)
        changes.dueDate = dueDateField->sqlValue();
    else if (dueDateChoice->currentIndex() == 2)
        changes.dueDate = std::optional<QString>();
    return changes;
}

BulkEditDialog::Closing BulkEditDialog::closing() const
{
    switch (closingPicker->currentIndex()) {
    case 1:
        return Closing::Close;
    case 2:
        return Closing::Reopen;
    default:
        return Closing::Unchanged;
    }
}

void BulkEditDialog::trySave()
{
    if (dueDateChoice->currentIndex() == 1 &&
        (dueDateField->text().trimmed().isEmpty() || !dueDateField->isAcceptable())) {
        platform::msgBox(QStringLiteral("\"%1\" is not a date. Type dates like %2, or choose \u201cClear (no due "
                                        "date)\u201d.")
                             .arg(dueDateField->text(), DateField::example()));
        dueDateField->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (changes().isEmpty() && closing() == Closing::Unchanged) {
        platform::msgBox(QStringLiteral("Pick a value for at least one field, or press Cancel."));
        statusPicker->setFocus(Qt::OtherFocusReason);
        return;
    }
    accept();
}

void BulkEditDialog::addCommand(MainWindow &window, QMenu &menu)
{
    // On the list only, so that Ctrl+E still does what it does in the find box.
    auto *action = new QAction(QStringLiteral("&Bulk Edit Selected Issues..."), window.listView());
    action->setObjectName(QStringLiteral("bulkEdit"));
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_E));
    action->setShortcutContext(Qt::WidgetShortcut);
    window.listView()->addAction(action);
    QObject::connect(action, &QAction::triggered, &window, [&window] { run(window); });
    QObject::connect(&menu, &QMenu::aboutToShow, action,
                     [&window, action] { action->setEnabled(window.listView()->selectionModel()->hasSelection()); });
    menu.addAction(action);
}

void BulkEditDialog::run(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "BulkEdit"));
    QList<qint64> ids;
    QHash<qint64, BulkEdit::Listed> shown;
    step(100, [&] {
        for (const QModelIndex &index : window.listView()->selectionModel()->selectedRows()) {
            const QString id = window.listModel()->cell(index.row(), IssueListModel::idColumn);
            if (!SqlText::isPlainId(id))
                throw Error(
                    QStringLiteral("The selected issue's ID \"%1\" is not a number; nothing was changed.").arg(id));
            ids << id.toLongLong();
            shown.insert(ids.last(), {ids.last(), window.listModel()->version(index.row()),
                                      window.listModel()->cell(index.row(), 1)});
        }
    });
    if (ids.isEmpty())
        return;
    std::sort(ids.begin(), ids.end());
    // Each issue is saved against the version it had when the list showed
    // it: what someone else saved since is reported, never overwritten. An
    // issue the list could not tell the version of is taken as it is now.
    QList<BulkEdit::Listed> listed;
    QList<qint64> unknown;
    for (const qint64 id : std::as_const(ids)) {
        const BulkEdit::Listed &issue = shown[id];
        if (issue.version > 0)
            listed << issue;
        else
            unknown << id;
    }
    BulkEdit::Choices choices;
    if ((!unknown.isEmpty() && !step(102, [&] { listed << BulkEdit::readListed(sharedConnection(), unknown); })) ||
        !step(104, [&] { choices = BulkEdit::readChoices(sharedConnection()); }))
        return;
    if (listed.size() < ids.size()) {
        // Gone since they were listed: the save reports them as deleted.
        QSet<qint64> stored;
        for (const BulkEdit::Listed &issue : std::as_const(listed))
            stored.insert(issue.id);
        for (const qint64 id : std::as_const(ids))
            if (!stored.contains(id))
                listed << BulkEdit::Listed{id, -1, shown.value(id).title};
    }

    BulkEditDialog dialog(choices, static_cast<int>(ids.size()), &window);
    step(106, [&] { platform::dialogs().showModal(dialog); });
    if (dialog.result() != QDialog::Accepted)
        return;
    BulkEdit::Changes changes = dialog.changes();
    QString closingLine;
    if (dialog.closing() == Closing::Reopen) {
        const int open = IssueStatus::reopeningChoice(choices.statuses, choices.closing);
        if (open < 0) {
            platform::msgBox(QStringLiteral("Every status in the status list closes an issue, so the issues cannot "
                                            "be reopened. Add a status such as \"Open\" first; nothing was changed."));
            return;
        }
        changes.status = choices.statuses[open];
        changes.statusFor = BulkEdit::Changes::StatusFor::ClosedIssues;
        closingLine = QStringLiteral("Reopen the closed ones (status \u201c%1\u201d)").arg(*changes.status);
    }
    bool confirmed = false;
    step(108, [&] {
        QStringList lines;
        const auto line = [&](const char *field, const std::optional<QString> &value) {
            if (value)
                lines << QStringLiteral("%1: \u201c%2\u201d").arg(QLatin1String(field), *value);
        };
        line("Status", changes.status && dialog.closing() == Closing::Unchanged ? changes.status : std::nullopt);
        line("Category", changes.category);
        line("Priority", changes.priority);
        if (changes.assignedTo)
            line("Assigned To", dialog.assigneePicker->currentText());
        if (changes.dueDate)
            lines << (*changes.dueDate ? QStringLiteral("Due Date: %1").arg(**changes.dueDate)
                                       : QStringLiteral("Due Date: none"));
        if (dialog.closing() == Closing::Close)
            lines << QStringLiteral("Close the open ones");
        if (!closingLine.isEmpty())
            lines << closingLine;
        confirmed = platform::msgBox(QStringLiteral("Change %1 %2?\r\n%3\r\nCtrl+Z undoes the change for all of them "
                                                    "at once.\r\nDo you wish to continue?")
                                         .arg(ids.size() == 1 ? QStringLiteral("this") : QStringLiteral("these"),
                                              issuesWord(ids.size()), lines.join(QStringLiteral("\r\n"))),
                                     platform::Buttons::YesNoDefaultNo, platform::Icon::None) == platform::Answer::Yes;
    });
    if (!confirmed)
        return;
    if (dialog.closing() == Closing::Close) {
        const std::optional<QString> closed = window.closingStatus(step, 110, QStringLiteral("these issues"));
        if (!closed)
            return;
        changes.status = *closed;
        changes.statusFor = BulkEdit::Changes::StatusFor::OpenIssues;
    }

    UndoCommands *undo = window.undoCommands();
    const std::optional<qint64> before = undo->lastChange();
    BulkEdit::Outcome outcome;
    bool cancelled = false;
    const bool saved = step(114, [&] {
        SaveProgress progress(listed.size(), &window);
        try {
            outcome = BulkEdit::apply(sharedConnection(), listed, changes,
                                      [&](qsizetype done, qsizetype total) { return progress.report(done, total); });
        } catch (const BulkEdit::Cancelled &) {
            cancelled = true;
        }
    });
    if (cancelled) {
        platform::msgBox(BulkEdit::Cancelled().description());
        return;
    }
    if (saved && outcome.saved > 0)
        undo->doneTogether(outcome.firstSaved, outcome.saved, before);
    step(116, [&] { window.refillList(); });
    step(118, [&] { window.selectRow(window.listModel()->rowOfFirstCell(QString::number(outcome.firstSaved))); });
    if (!saved || (outcome.changed.isEmpty() && outcome.deleted.isEmpty()))
        return;
    QStringList report{QStringLiteral("%1 saved.").arg(issuesWord(outcome.saved))};
    if (!outcome.changed.isEmpty())
        report << QStringLiteral("Someone else changed these since you listed them, so they were left as they "
                                 "are:\r\n") +
                      issueLines(outcome.changed);
    if (!outcome.deleted.isEmpty())
        report << QStringLiteral("These have been deleted since:\r\n") + issueLines(outcome.deleted);
    platform::msgBox(report.join(QStringLiteral("\r\n")));
}
