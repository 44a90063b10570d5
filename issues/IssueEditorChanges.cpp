// The issue editor and the other users of a shared database: it says when
// someone else saved its issue while it is open, and after a Save refused
// for that reason shows what they changed and lets the user reload their
// version or keep editing.

#include "issues/IssueEditor.h"

#include "data/ChangeListener.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/RecordStore.h"
#include "data/ServerWaits.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "platform/BackgroundSession.h"
#include "platform/ChangedMeanwhile.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTimer>

#include <memory>

void IssueEditor::followChanges(ChangeListener *listener, platform::BackgroundSession *reads)
{
    m_reads = reads;
    connect(listener, &ChangeListener::changed, this, &IssueEditor::noticeStoredChange);
}

void IssueEditor::noticeStoredChange(const QString &table, const QString &by)
{
    if (table != QLatin1String("Issues") || issueId.isEmpty() || !m_stored || m_savedHere)
        return;
    qint64 id = 0;
    try {
        id = RecordStore::idOf(issueId, QStringLiteral("issue"));
    } catch (const Error &) {
        return; // no stored issue has such an ID
    }
    // While a statement waits on the server (this window's own Save among
    // them), the stored issue is about to change under the window's feet:
    // look when it has ended.
    if (ServerWaits::inProgress()) {
        QTimer::singleShot(150, this, [this, table, by] { noticeStoredChange(table, by); });
        return;
    }
    const quint64 check = ++m_storedChecks;
    if (!m_reads) {
        try {
            showStoredChange(RecordStore::readIssue(sharedConnection(), id), by);
        } catch (const Error &) {
            // The server away: the main window says so, and Save says the rest.
        }
        return;
    }
    // A read that fails tells nothing here, as above.
    m_reads->run(this,
                 [this, id, by, check](Connection &session) -> platform::BackgroundSession::Delivery {
                     auto stored = std::make_shared<RecordStore::StoredIssue>(RecordStore::readIssue(session, id));
                     return [this, by, check, stored] {
                         if (check != m_storedChecks)
                             return;
                         // Read before a Save of this window that is still
                         // waiting to finish: look again once it has.
                         if (ServerWaits::inProgress())
                             noticeStoredChange(QStringLiteral("Issues"), by);
                         else
                             showStoredChange(*stored, by);
                     };
                 },
                 {});
}

void IssueEditor::showStoredChange(const RecordStore::StoredIssue &stored, const QString &by)
{
    if (!m_stored || m_savedHere)
        return;
    const std::optional<ConcurrentSave::StoredRow> &now = stored.row;
    const QString who = by.isEmpty() && !now ? stored.deletedBy : by;
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
                                                  platform::issueFieldNames(sharedConnection()));
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
    // A contact is chosen again by its ID: their version may have renamed it.
    const qint64 assignedTo = chosenContactId(assignedToPicker);
    const qint64 openedBy = chosenContactId(openedByPicker);
    const auto chooseContact = [this](ContactPicker *picker, qint64 id) {
        const int index = static_cast<int>(contactIds.indexOf(id));
        if (index >= 0)
            picker->setCurrentIndex(index);
    };
    const auto chooseValue = [](QComboBox *picker, const QString &text) {
        const int index = picker->findText(text, Qt::MatchExactly);
        if (index >= 0)
            picker->setCurrentIndex(index);
    };
    // The fields in the order of shownState().
    m_state.keepEditsOver(
        shownState(), [this] { reloadStored(); },
        [&](int field, const QString &mine) {
            switch (field) {
            case 0:
                titleBox->setText(mine);
                break;
            case 1:
                openedDateField->setText(mine);
                break;
            case 2:
                dueDateField->setText(mine);
                break;
            case commentField:
                commentBox->setPlainText(mine);
                break;
            case 4:
                chooseContact(assignedToPicker, assignedTo);
                break;
            case 5:
                chooseContact(openedByPicker, openedBy);
                break;
            case 6:
                chooseValue(statusPicker, mine);
                break;
            case 7:
                chooseValue(categoryPicker, mine);
                break;
            case 8:
                chooseValue(priorityPicker, mine);
                break;
            default:
                break;
            }
        });
}

void IssueEditor::reloadStored()
{
    m_loadedChoices.clear();
    m_state.clear();
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
    m_state.setLoadedAsShown(shownState());
}
