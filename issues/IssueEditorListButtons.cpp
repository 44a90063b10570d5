// The issue editor's list buttons: "+" adds a status, category or priority
// or a new contact, "*" edits the chosen contact, "-" deletes the chosen
// value or contact together with every issue that refers to it. Each ends by
// refilling its picker(s), then chooses again what was chosen (a contact by
// its ID, a value by its text) and chooses what "+" added, so that a list
// button never undoes the user's choices.

#include "issues/IssueEditor.h"

#include "contacts/ContactEditor.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/DeleteCounts.h"
#include "data/Deletes.h"
#include "data/SharedConnection.h"
#include "data/ValueListSql.h"
#include "issues/ContactPicker.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QComboBox>

#include <functional>
#include <optional>

namespace {

// Deletes a value or contact and the issues that refer to it as one change,
// and one group of the trash named after the command (Deletes::Together):
// begin runs at deleteStep, the issues' delete and the commit at
// deleteStep + 2. When either fails nothing is deleted, and the error box
// says so.
//
// When begin refuses a row changed meanwhile (ConcurrentSave::lockForDelete)
// and changed is given, nothing is deleted or shown, and *changed holds the
// refusal, for the caller to ask again.
void deleteTogether(ErrorBlock &step, int deleteStep, const QString &command,
                    const std::function<void(Deletes::Together &)> &begin,
                    std::optional<ConcurrentSave::ChangedMeanwhile> *changed = nullptr)
{
    std::optional<Deletes::Together> together;
    const bool begun = step(deleteStep, [&] {
        together.emplace(sharedConnection(), command);
        try {
            begin(*together);
        } catch (const ConcurrentSave::ChangedMeanwhile &refusal) {
            if (!changed)
                throw;
            changed->emplace(refusal);
        }
    });
    if (!begun || !together || !together->begun())
        return;
    step(deleteStep + 2, [&] { together->finish(); });
}

// The question before a delete: its warning as the first line, then what
// goes with the item, then whether to go on. No is the default.
bool confirmDelete(const QString &warning, const QString &consequence)
{
    return platform::msgBox(warning + QStringLiteral("\r\n") + consequence +
                                QStringLiteral("\r\nDo you wish to continue?"),
                            platform::Buttons::YesNoDefaultNo) == platform::Answer::Yes;
}

} // namespace

// One value list as its buttons show it: its command, picker, questions and
// refill; its statements come from ValueListSql.
struct IssueEditor::ValueList {
    QString command;
    ValueListSql::List list;
    QComboBox *picker;
    QString prompt;
    QString title;
    QString warning;
    void (IssueEditor::*refill)();
};

void IssueEditor::addValue(const QString &where, const ValueList &list)
{
    ErrorBlock step(where);
    QString answer;
    step(100, [&] { answer = platform::dialogs().input(list.prompt, list.title, QString()); });
    bool empty = true;
    step(102, [&] { empty = answer.isEmpty(); });
    if (empty)
        return;
    step(104, [&] { sharedConnection().Execute(ValueListSql::insertStatement(list.list, answer)); });
    step(106, [&] { refillKeepingChoice(list, answer); });
}

void IssueEditor::deleteValue(const QString &where, const ValueList &list)
{
    ErrorBlock step(where);
    bool chosen = false;
    step(100, [&] { chosen = list.picker->currentIndex() >= 0; });
    if (!chosen)
        return;
    bool confirmed = false;
    step(102, [&] {
        const QString name = list.picker->currentText();
        const auto issues = DeleteCounts::withValue(sharedConnection(), ValueListSql::column(list.list), name);
        confirmed = confirmDelete(list.warning, DeleteCounts::sentence(name, QStringLiteral("is used by"), issues));
    });
    if (!confirmed)
        return;
    const QString value = list.picker->currentText();
    deleteTogether(step, 104, list.command,
                   [&](Deletes::Together &together) { together.beginValue(list.list, value); });
    step(108, [&] { refillKeepingChoice(list); });
}

void IssueEditor::newContact(const QString &where, ContactPicker *picker)
{
    ErrorBlock step(where);
    ContactEditor contact(this);
    step(100, [&] { contact.contactId = QString(); });
    step(102, [&] { platform::dialogs().showModal(contact); });
    step(104, [&] { reloadContactsKeepingChoices(picker); });
}

void IssueEditor::refillKeepingChoice(const ValueList &list, const std::optional<QString> &added)
{
    QComboBox *picker = list.picker;
    const std::optional<QString> chosen =
        picker->currentIndex() >= 0 ? std::optional<QString>(picker->currentText()) : std::nullopt;
    const std::optional<LoadedChoice> loaded =
        m_loadedChoices.contains(picker) ? std::optional<LoadedChoice>(m_loadedChoices.value(picker)) : std::nullopt;
    (this->*list.refill)();
    // The list compares values without regard to letter case: a value
    // refused as already there is chosen in the letters the list has.
    const auto indexOf = [picker](const std::optional<QString> &text) {
        if (!text)
            return -1;
        const int exact = picker->findText(*text, Qt::MatchExactly | Qt::MatchCaseSensitive);
        return exact >= 0 ? exact : picker->findText(*text, Qt::MatchFixedString);
    };
    int index = indexOf(added);
    if (index < 0)
        index = indexOf(chosen);
    picker->setCurrentIndex(index);
    if (loaded && index >= 0 && picker->itemText(index) == loaded->item)
        m_loadedChoices.insert(picker, {loaded->stored, index, loaded->item});
}

void IssueEditor::editContact(const QString &where, QComboBox *picker)
{
    ErrorBlock step(where);
    bool chosen = false;
    step(100, [&] { chosen = picker->currentIndex() >= 0; });
    if (!chosen)
        return;
    ContactEditor contact(this);
    step(102, [&] { contact.contactId = QString::number(chosenContactId(picker)); });
    step(104, [&] { platform::dialogs().showModal(contact); });
    step(106, [&] { reloadContactsKeepingChoices(); });
}

void IssueEditor::deleteContact(const QString &where, QComboBox *picker, const QString &warning, const QString &command)
{
    ErrorBlock step(where);
    bool chosen = false;
    step(100, [&] { chosen = picker->currentIndex() >= 0; });
    if (!chosen)
        return;
    // The contact as stored when the user is asked: the delete goes ahead
    // only while nobody has changed it since, and asks again otherwise.
    std::optional<ConcurrentSave::StoredRow> seen;
    QString changedMeanwhile;
    for (;;) {
        bool confirmed = false;
        step(102, [&] {
            const qint64 id = chosenContactId(picker);
            const auto issues = DeleteCounts::ofContact(sharedConnection(), id);
            if (!seen)
                seen = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Contacts, id);
            confirmed =
                confirmDelete(changedMeanwhile + warning,
                              DeleteCounts::sentence(picker->currentText(), QStringLiteral("is named in"), issues));
        });
        if (!confirmed)
            return;
        std::optional<ConcurrentSave::ChangedMeanwhile> changed;
        deleteTogether(
            step, 104, command,
            [&](Deletes::Together &together) {
                together.beginContact(chosenContactId(picker),
                                      seen ? std::optional<qint64>(seen->version) : std::nullopt);
            },
            &changed);
        if (!changed)
            break;
        platform::FieldNames names;
        names.caption = [](const QString &column) { return column; };
        names.shown = [](const QString &, const Value &value) { return value.toText(); };
        changedMeanwhile = platform::changedBeforeDelete(QStringLiteral("contact"),
                                                         platform::changesText(*seen, changed->current(), names));
        seen = changed->current();
    }
    step(108, [&] { reloadContactsKeepingChoices(); });
}

void IssueEditor::addOpenedByContact()
{
    newContact(location("PushButton3_Click"), openedByPicker);
}

void IssueEditor::addAssignedToContact()
{
    newContact(location("PushButton5_Click"), assignedToPicker);
}

void IssueEditor::editAssignedToContact()
{
    editContact(location("PushButton9_Click"), assignedToPicker);
}

void IssueEditor::editOpenedByContact()
{
    editContact(location("PushButton10_Click"), openedByPicker);
}

void IssueEditor::assignedToDoubleClicked()
{
    editAssignedToContact();
}

void IssueEditor::openedByDoubleClicked()
{
    editOpenedByContact();
}

void IssueEditor::deleteAssignedToContact()
{
    deleteContact(location("PushButton6_Click"), assignedToPicker,
                  QStringLiteral("Warning: Deleting assigned to will also delete issue data that is linked to this "
                                 "contact."),
                  QStringLiteral("Delete Assigned To contact"));
}

void IssueEditor::deleteOpenedByContact()
{
    deleteContact(location("PushButton4_Click"), openedByPicker,
                  QStringLiteral("Warning: Deleting opened by will also delete issue data that is linked to this "
                                 "contact."),
                  QStringLiteral("Delete Opened By contact"));
}

IssueEditor::ValueList IssueEditor::statusList()
{
    return {QStringLiteral("Delete Status"),
            ValueListSql::List::Status,
            statusPicker,
            QStringLiteral("Enter new Status: "),
            QStringLiteral("Input Status"),
            QStringLiteral("Warning: Deleting status will also delete issue data that is linked to this status."),
            &IssueEditor::loadStatuses};
}

IssueEditor::ValueList IssueEditor::categoryList()
{
    return {QStringLiteral("Delete Category"),
            ValueListSql::List::Category,
            categoryPicker,
            QStringLiteral("Enter new Category: "),
            QStringLiteral("Input Category"),
            QStringLiteral("Warning: Deleting category will also delete issue data that is linked to this category."),
            &IssueEditor::loadCategories};
}

IssueEditor::ValueList IssueEditor::priorityList()
{
    return {QStringLiteral("Delete Priority"),
            ValueListSql::List::Priority,
            priorityPicker,
            QStringLiteral("Enter new Priority: "),
            QStringLiteral("Input Priority"),
            QStringLiteral("Warning: Deleting priority will also delete issue data that is linked to this priority."),
            &IssueEditor::loadPriorities};
}

void IssueEditor::addStatus()
{
    addValue(location("PushButton7_Click"), statusList());
}

void IssueEditor::deleteStatus()
{
    deleteValue(location("PushButton8_Click"), statusList());
}

void IssueEditor::addCategory()
{
    addValue(location("PushButton11_Click"), categoryList());
}

void IssueEditor::deleteCategory()
{
    deleteValue(location("PushButton12_Click"), categoryList());
}

void IssueEditor::addPriority()
{
    addValue(location("PushButton13_Click"), priorityList());
}

void IssueEditor::deletePriority()
{
    deleteValue(location("PushButton14_Click"), priorityList());
}
