// The issue editor and the other users of a shared database: it says when
// someone else saved its issue while it is open, and after a Save refused
// for that reason shows what they changed and lets the user reload their
// version or keep editing.

#include "issues/IssueEditor.h"

#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "platform/ChangedMeanwhile.h"

#include <QLabel>

void IssueEditor::followChanges(ChangeListener *listener)
{
    connect(listener, &ChangeListener::changed, this, &IssueEditor::noticeStoredChange);
}

void IssueEditor::noticeStoredChange(const QString &table)
{
    if (table != QLatin1String("Issues") || issueId.isEmpty() || !m_stored)
        return;
    std::optional<ConcurrentSave::StoredRow> now;
    try {
        now = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, issueId.toLongLong());
    } catch (const Error &) {
        // The server away: the main window says so, and Save says the rest.
        return;
    }
    if (now && now->version == m_stored->version)
        return;
    changedElsewhereLabel->setText(now ? QStringLiteral("Someone else changed this issue meanwhile.")
                                       : QStringLiteral("Someone else deleted this issue meanwhile."));
    changedElsewhereLabel->setToolTip(now ? QStringLiteral("Save shows what they changed, and lets you reload their "
                                                           "version or keep yours.")
                                          : QStringLiteral("Copy what you need, then press Cancel."));
    changedElsewhereLabel->show();
}

void IssueEditor::resolveConflict(const ConcurrentSave::ChangedMeanwhile &conflict)
{
    const QString changes = platform::changesText(m_stored.value_or(ConcurrentSave::StoredRow()), conflict.current(),
                                                  platform::issueFieldNames());
    changedElsewhereLabel->hide();
    if (platform::askReloadAfterConflict(QStringLiteral("issue"), changes))
        reloadStored();
    else
        m_stored = conflict.current(); // the next Save goes against their version
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
