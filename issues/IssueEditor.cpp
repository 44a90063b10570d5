#include "issues/IssueEditor.h"

#include "contacts/ContactEditor.h"
#include "data/Connection.h"
#include "data/ContactQueries.h"
#include "data/Error.h"
#include "data/HeldRecordset.h"
#include "data/IssueStatus.h"
#include "data/RecordStore.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "platform/Appearance.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/EditorState.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/RecordSave.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include <limits>

namespace {

// Selects the item whose text equals the value (letter case aside, as the
// database compares); a value that is not in the list is refused.
void selectItem(QComboBox *picker, const QString &value, const QString &caption)
{
    const int index = picker->findText(value, Qt::MatchFixedString);
    if (index < 0)
        throw Error(QStringLiteral("\"%1\" is not among the choices for %2.").arg(value, caption));
    picker->setCurrentIndex(index);
}

// A stored date as the date field takes it. A text the database holds in a
// date column that is not a date is shown as it is, so that Save asks for a
// date instead of replacing it unseen.
void loadDate(DateField *field, const Value &value)
{
    if (const QDate *date = value.date())
        field->setValue(*date);
    else if (const QDateTime *dateTime = value.dateTime())
        field->setValue(*dateTime);
    else {
        field->setValue(std::nullopt);
        field->setText(value.toTextOrEmpty());
    }
}

} // namespace

QString IssueEditor::location(const char *operation)
{
    return ErrorBlock::location("Form2", operation);
}

IssueEditor::~IssueEditor() = default;

void IssueEditor::load()
{
    ErrorBlock step(location("Form_Load"));
    step(100, [&] { ApplyWindowColors(*this); });
    step(102, [&] { setWindowIcon(QApplication::windowIcon()); });
    // The hand over the fourteen buttons, the arrow over the bare window.
    HandPointer::applyInSteps(step, 104, *this,
                              {cancelButton, saveButton, addOpenedByButton, deleteOpenedByButton, addAssignedToButton,
                               deleteAssignedToButton, addStatusButton, deleteStatusButton, editAssignedToButton,
                               editOpenedByButton, addCategoryButton, deleteCategoryButton, addPriorityButton,
                               deletePriorityButton},
                              {this});
    step(108, [&] { loadContacts(); });
    step(110, [&] { loadStatuses(); });
    step(112, [&] { loadCategories(); });
    step(114, [&] { loadPriorities(); });
    step(116, [&] { assignedToPicker->setCurrentIndex(-1); });
    step(118, [&] { openedDateField->setDate(QDate::currentDate()); });
    step(120, [&] { dueDateField->setDate(QDate::currentDate()); });
    bool editing = false;
    step(122, [&] { editing = !issueId.isEmpty(); });
    if (editing)
        step(124, [&] { loadIssue(); });
    if (reopening)
        step(126, [&] {
            QStringList statuses;
            for (int i = 0; i < statusPicker->count(); ++i)
                statuses.append(statusPicker->itemText(i));
            statusPicker->setCurrentIndex(IssueStatus::reopeningChoice(
                statuses, IssueStatus::ClosingRule::readOrClosedAlone(sharedConnection())));
        });
    m_state.setLoadedAsShown(shownState());
}

QStringList IssueEditor::shownState() const
{
    return {titleBox->text(),
            openedDateField->text(),
            dueDateField->text(),
            platform::boxText(*commentBox),
            assignedToPicker->currentText(),
            openedByPicker->currentText(),
            statusPicker->currentText(),
            categoryPicker->currentText(),
            priorityPicker->currentText()};
}

bool IssueEditor::hasUnsavedChanges() const
{
    const QStringList shown = shownState();
    const QComboBox *pickers[] = {assignedToPicker, openedByPicker, statusPicker, categoryPicker, priorityPicker};
    constexpr int firstPicker = 4;
    for (int i = 0; i < shown.size(); ++i) {
        // A list button's refill leaves its picker without a choice: that
        // loses nothing the user chose to keep.
        if (i >= firstPicker && pickers[i - firstPicker]->currentIndex() < 0)
            continue;
        if (m_state.isEdited(i, shown[i]))
            return true;
    }
    return false;
}

void IssueEditor::reject()
{
    if (hasUnsavedChanges() && !platform::confirmDiscard(QStringLiteral("issue")))
        return;
    QDialog::reject();
}

void IssueEditor::loadIssue()
{
    ErrorBlock step(location("LoadData"));
    HeldRecordset rs;
    step(100, [&] { rs.create(); });
    auto field = [&](const char *name) -> const Value & { return rs->Fields(QLatin1String(name)); };
    step(102, [&] {
        // The version first: a change saved between the two reads then
        // makes Save show it, instead of being overwritten unseen.
        m_stored = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, issueNumber());
        rs->Open(IssueSql::openIssueQuery(issueNumber()), sharedConnection(), Recordset::adOpenStatic,
                 Recordset::adLockReadOnly);
    });
    bool empty = false;
    step(104, [&] {
        empty = rs->Eof();
        // A closed issue is edited too: that is how it is reopened.
        if (empty) {
            rs->Open(IssueSql::closedIssueQuery(issueNumber()), sharedConnection(), Recordset::adOpenStatic,
                     Recordset::adLockReadOnly);
            empty = rs->Eof();
        }
        if (empty)
            rs->Close();
    });
    if (empty)
        return;
    step(106, [&] { idBox->setText(field("ID").toText()); });
    step(108, [&] {
        titleBox->setText(field("Title").toText());
        titleBox->setCursorPosition(0); // a long title shows from its start
    });
    // Contacts are chosen by ID: two contacts may share a name.
    step(110, [&] { selectContact(assignedToPicker, field("Assigned To"), QStringLiteral("Assigned To")); });
    step(112, [&] { selectContact(openedByPicker, field("Opened By"), QStringLiteral("Opened By")); });
    step(114, [&] { selectValue(statusPicker, field("Status"), QStringLiteral("Status")); });
    step(116, [&] { selectValue(categoryPicker, field("Category"), QStringLiteral("Category")); });
    step(118, [&] { selectValue(priorityPicker, field("Priority"), QStringLiteral("Priority")); });
    step(120, [&] { loadDate(openedDateField, field("Opened Date")); });
    step(122, [&] { loadDate(dueDateField, field("Due Date")); });
    step(124, [&] {
        const Value &comment = field("comment");
        commentBox->setPlainText(comment.toTextOrEmpty());
        m_state.setLoaded(commentField, comment.isNull() ? std::nullopt : std::optional<QString>(comment.toText()),
                          platform::boxText(*commentBox));
    });
    step(126, [&] { rs->Close(); });
}

// A missing contact or value leaves its picker without a choice, which Save
// then asks for; a stored one that is not in the list is reported.
void IssueEditor::selectContact(ContactPicker *picker, const Value &id, const QString &caption)
{
    if (id.isNull())
        return;
    const int index = contactIds.indexOf(id.toInteger());
    if (index < 0)
        throw Error(
            QStringLiteral("The contact with ID %1 is not among the choices for %2.").arg(id.toText(), caption));
    picker->setCurrentIndex(index);
}

void IssueEditor::selectValue(QComboBox *picker, const Value &value, const QString &caption)
{
    if (value.isNull())
        return;
    const QString stored = value.toText();
    selectItem(picker, stored, caption);
    m_loadedChoices.insert(picker, LoadedChoice{stored, picker->currentIndex(), picker->currentText()});
}

qint64 IssueEditor::issueNumber() const
{
    return RecordStore::idOf(issueId, QStringLiteral("issue"));
}

qint64 IssueEditor::chosenContactId(const QComboBox *picker) const
{
    const int index = picker->currentIndex();
    if (index < 0 || index >= contactIds.size())
        throw Error(QStringLiteral("Subscript out of range"));
    return contactIds.at(index);
}

std::optional<QString> IssueEditor::choiceToSave(const QComboBox *picker) const
{
    const auto loaded = m_loadedChoices.constFind(picker);
    if (loaded != m_loadedChoices.constEnd() && loaded->index == picker->currentIndex() &&
        loaded->item == picker->currentText())
        return loaded->stored;
    return picker->currentText();
}

std::optional<QString> IssueEditor::commentToSave() const
{
    return m_state.valueToSave(commentField, platform::boxText(*commentBox));
}

IssueSql::Values IssueEditor::valuesToSave() const
{
    IssueSql::Values issue;
    issue.title = titleBox->text();
    issue.assignedTo = chosenContactId(assignedToPicker);
    issue.openedBy = chosenContactId(openedByPicker);
    issue.openedDate = openedDateField->sqlValue();
    issue.status = choiceToSave(statusPicker);
    issue.category = choiceToSave(categoryPicker);
    issue.priority = choiceToSave(priorityPicker);
    issue.comment = commentToSave();
    issue.dueDate = dueDateField->sqlValue();
    return issue;
}

QString IssueEditor::updateStatement() const
{
    return IssueSql::updateStatement(valuesToSave(), issueNumber());
}

QString IssueEditor::insertStatement() const
{
    return IssueSql::insertStatement(valuesToSave());
}

void IssueEditor::save()
{
    ErrorBlock step(location("PushButton2_Click"));

    // The checks, in order; the first that fails says so, moves the focus
    // to its control and ends the command with everything kept.
    auto missing = [&](int first, bool isMissing, const QString &message, QWidget *control) {
        bool fails = false;
        step(first, [&] { fails = isMissing; });
        if (!fails)
            return false;
        step(first + 2, [&] { platform::msgBox(message); });
        step(first + 4, [&] { control->setFocus(); });
        return true;
    };
    if (missing(100, titleBox->text().trimmed().isEmpty(), QStringLiteral("You forgot to input Title."), titleBox) ||
        missing(106, assignedToPicker->currentIndex() < 0, QStringLiteral("You forgot to select Assigned To."),
                assignedToPicker) ||
        missing(112, openedByPicker->currentIndex() < 0, QStringLiteral("You forgot to select Opened By."),
                openedByPicker) ||
        missing(118, statusPicker->currentIndex() < 0, QStringLiteral("You forgot to select Status."), statusPicker) ||
        missing(124, categoryPicker->currentIndex() < 0, QStringLiteral("You forgot to select Category."),
                categoryPicker) ||
        missing(130, priorityPicker->currentIndex() < 0, QStringLiteral("You forgot to select Priority."),
                priorityPicker))
        return;
    // Every issue has the day it was opened; only the due date may be left unset.
    if (openedDateField->text().trimmed().isEmpty()) {
        platform::msgBox(QStringLiteral("You forgot to input Opened Date."));
        openedDateField->setFocus(Qt::OtherFocusReason);
        return;
    }
    for (DateField *date : {openedDateField, dueDateField}) {
        if (!date->isAcceptable()) {
            platform::msgBox(QStringLiteral("\"%1\" in %2 is not a date. Type dates like %3, or leave the field empty.")
                                 .arg(date->text(), date->accessibleName(), DateField::example()));
            date->setFocus(Qt::OtherFocusReason);
            return;
        }
    }

    // A contact deleted while the window was open is told plainly; the
    // window stays open with everything typed and the other choice kept.
    QComboBox *goneContact = nullptr;
    platform::RecordSave record;
    record.id = issueId;
    record.updateStatement = [this] { return updateStatement(); };
    record.insertStatement = [this] { return insertStatement(); };
    record.write = [&](const QString &sql) -> std::optional<int> {
        for (QComboBox *picker :
             {static_cast<QComboBox *>(assignedToPicker), static_cast<QComboBox *>(openedByPicker)}) {
            if (!ContactQueries::exists(sharedConnection(), chosenContactId(picker))) {
                goneContact = picker;
                return std::nullopt;
            }
        }
        const int changed = record.run(sql);
        if (changed > 0)
            m_savedId = issueId.isEmpty() ? QString::number(sharedConnection().lastInsertedId()) : issueId;
        return changed;
    };
    record.declined = [&] {
        platform::msgBox(QStringLiteral("The contact \"%1\" chosen for %2 no longer exists: it was deleted while this "
                                        "window was open. Choose another contact, then save again.")
                             .arg(goneContact->currentText(), goneContact->accessibleName()));
        reloadContactsKeepingChoices();
        goneContact->setFocus(Qt::OtherFocusReason);
    };
    // The issue was deleted while the window was open (for instance together
    // with a status removed here): the window stays open so that the user
    // can copy the text.
    record.goneMessage = QStringLiteral("This issue no longer exists: it was deleted while you were editing it. Copy "
                                        "what you need, then press Cancel.");
    if (!issueId.isEmpty())
        record.versioned = platform::RecordSave::Versioned{
            ConcurrentSave::Table::Issues, m_stored ? m_stored->version : 0,
            [this](const ConcurrentSave::ChangedMeanwhile &conflict) { resolveConflict(conflict); },
            [this] { m_savedHere = true; }};
    platform::saveAndConfirm(step, 136, *this, record);
}

void IssueEditor::cancel()
{
    ErrorBlock step(location("PushButton1_Click"));
    step(100, [&] { reject(); });
}
