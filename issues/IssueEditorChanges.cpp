// The issue editor and the other users of a shared database: it says when
// someone else saved its issue while it is open, and after a Save refused
// for that reason shows what they changed and lets the user reload their
// version or keep editing.

#include "issues/IssueEditor.h"

#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/Trash.h"
#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "platform/ChangedMeanwhile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

void IssueEditor::followChanges(ChangeListener *listener)
{
    connect(listener, &ChangeListener::changed, this, &IssueEditor::noticeStoredChange);
}

void IssueEditor::noticeStoredChange(const QString &table, const QString &by)
{
    if (table != QLatin1String("Issues") || issueId.isEmpty() || !m_stored)
        return;
    std::optional<ConcurrentSave::StoredRow> now;
    QString who = by;
    try {
        now = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, issueNumber());
        if (!now && who.isEmpty())
            who = Trash::issueDeletedBy(sharedConnection(), issueNumber()).value_or(QString());
    } catch (const Error &) {
        // The server away: the main window says so, and Save says the rest.
        return;
    }
    if (now && now->version == m_stored->version)
        return;
    // A change of the user's own (another window, or a delete that took
    // this issue with its contact or list value) is never put on a colleague.
    m_changedHere = !who.isEmpty() && who == sharedConnection().account();
    if (m_changedHere)
        changedElsewhereLabel->setText(
            now ? QStringLiteral("You changed this issue in another window.")
                : QStringLiteral("You deleted this issue meanwhile: in another window, or with its contact or list "
                                 "value."));
    else if (!who.isEmpty())
        changedElsewhereLabel->setText((now ? QStringLiteral("%1 changed this issue meanwhile.")
                                            : QStringLiteral("%1 deleted this issue meanwhile."))
                                           .arg(who));
    else
        changedElsewhereLabel->setText(now ? QStringLiteral("Someone else changed this issue meanwhile.")
                                           : QStringLiteral("Someone else deleted this issue meanwhile."));
    changedElsewhereLabel->setToolTip(now ? QStringLiteral("Save shows what changed, and lets you reload that "
                                                           "version or keep yours.")
                                          : QStringLiteral("Copy what you need, then press Cancel."));
    changedElsewhereLabel->show();
}

void IssueEditor::resolveConflict(const ConcurrentSave::ChangedMeanwhile &conflict)
{
    const QString changes = platform::changesText(m_stored.value_or(ConcurrentSave::StoredRow()), conflict.current(),
                                                  platform::issueFieldNames());
    changedElsewhereLabel->hide();
    if (platform::askReloadAfterConflict(QStringLiteral("issue"), changes,
                                         m_changedHere ? platform::ChangedBy::ThisProgram
                                                       : platform::ChangedBy::Others))
        reloadStored();
    else
        keepEditsOverStored();
}

void IssueEditor::keepEditsOverStored()
{
    // Save writes every field, so a field the user never touched must show
    // their version, or Keep Editing would undo what they changed there.
    // The fields in the order of shownState().
    const QStringList loaded = m_loadedState;
    const QStringList mine = shownState();
    const auto edited = [&](int field) { return field < loaded.size() && loaded[field] != mine[field]; };
    const qint64 assignedTo = chosenContactId(assignedToPicker);
    const qint64 openedBy = chosenContactId(openedByPicker);

    reloadStored();

    if (edited(0))
        titleBox->setText(mine[0]);
    if (edited(1))
        openedDateField->setText(mine[1]);
    if (edited(2))
        dueDateField->setText(mine[2]);
    if (edited(3))
        commentBox->setPlainText(mine[3]);
    const auto chooseContact = [this](ContactPicker *picker, qint64 id) {
        const int index = static_cast<int>(contactIds.indexOf(id));
        if (index >= 0)
            picker->setCurrentIndex(index);
    };
    if (edited(4))
        chooseContact(assignedToPicker, assignedTo);
    if (edited(5))
        chooseContact(openedByPicker, openedBy);
    QComboBox *const values[] = {statusPicker, categoryPicker, priorityPicker};
    for (int field = 6; field < 9; ++field)
        if (edited(field)) {
            const int index = values[field - 6]->findText(mine[field], Qt::MatchExactly);
            if (index >= 0)
                values[field - 6]->setCurrentIndex(index);
        }
}

void IssueEditor::reloadStored()
{
    m_loadedChoices.clear();
    m_loadedComment.reset();
    loadContacts();
    loadStatuses();
    loadCategories();
    loadPriorities();
    // Their version may leave a field without a choice: filled lists choose
    // their first item by themselves.
    for (QComboBox *picker : {static_cast<QComboBox *>(assignedToPicker), static_cast<QComboBox *>(openedByPicker),
                              statusPicker, categoryPicker, priorityPicker})
        picker->setCurrentIndex(-1);
    loadIssue();
    m_loadedState = shownState();
}
