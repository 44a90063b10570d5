#pragma once
// The issue editor: the modal window that adds a new issue (issueId empty) or
// edits the issue whose ID is issueId. Every control keeps the design's
// control name as its objectName (Text1, Combo3, PushButton2, ...).

#include "data/ConcurrentSave.h"
#include "data/IssueSql.h"
#include "data/ValueListSql.h"
#include "platform/Dialogs.h"
#include "platform/EditorState.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class ChangeListener;
class ContactPicker;
namespace RecordStore {
struct StoredIssue;
}
namespace platform {
class BackgroundSession;
}
class DateField;
class ErrorBlock;
class QComboBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class Value;

class IssueEditor : public QDialog, public platform::LoadsOnShow {
    Q_OBJECT
public:
    explicit IssueEditor(QWidget *parent = nullptr);
    ~IssueEditor() override;

    // Set by the caller before showing: empty for a new issue, else the ID.
    QString issueId;
    // Set by the caller to reopen the closed issue issueId: the status
    // picker starts on a status that does not close it, so Save reopens it.
    bool reopening = false;

    // The IDs of the contacts in both contact pickers: entry i belongs to
    // item i of both contact pickers. loadContacts rebuilds it.
    QList<qint64> contactIds;

    // The ID of the issue Save wrote: issueId after an update, the new ID
    // after an insert; empty while nothing was saved.
    QString savedIssueId() const { return m_savedId; }

    // The statements Save sends, built from what the window shows now.
    // Throw Error when a chosen contact has no ID or a date is not a date.
    QString insertStatement() const;
    QString updateStatement() const;

    // Files dropped anywhere on the window are attached to the issue at
    // once, whether or not the window is saved; a new issue is saved first.
    void attachDropped(const QMimeData &data);
    // The largest file attached (the main window's setting).
    void setAttachmentLimit(qint64 bytes) { m_attachmentLimit = bytes; }

    // Watches the changes other users save, so that the window says so
    // when its issue changes (the listener must outlive the window).
    void followChanges(ChangeListener *listener, platform::BackgroundSession *reads = nullptr);

signals:
    // A file dropped was attached to the issue (each one its own change).
    void attached(qint64 issueId);

public slots:
    void load() override;
    void loadContacts();
    void loadStatuses();
    void loadCategories();
    void loadPriorities();
    void loadIssue();

    void cancel(); // Cancel
    void save();   // Save

    // Cancel, Escape and the close button end here: with unsaved changes
    // the user is asked first, and may go on editing.
    void reject() override;

    void addOpenedByContact();      // new contact (Opened By)
    void deleteOpenedByContact();   // delete the Opened By contact and its issues
    void addAssignedToContact();    // new contact (Assigned To)
    void deleteAssignedToContact(); // delete the Assigned To contact and its issues
    void addStatus();               // add a status
    void deleteStatus();            // delete the status and its issues
    void editAssignedToContact();   // edit the Assigned To contact
    void editOpenedByContact();     // edit the Opened By contact
    void addCategory();             // add a category
    void deleteCategory();          // delete the category and its issues
    void addPriority();             // add a priority
    void deletePriority();          // delete the priority and its issues

    // A double click on a contact picker edits its contact, like its "*".
    void assignedToDoubleClicked();
    void openedByDoubleClicked();

private:
    QLineEdit *titleBox = nullptr;                 // title
    ContactPicker *assignedToPicker = nullptr;     // assigned to
    ContactPicker *openedByPicker = nullptr;       // opened by
    DateField *openedDateField = nullptr;          // opened date
    DateField *dueDateField = nullptr;             // due date
    QComboBox *statusPicker = nullptr;             // status
    QComboBox *categoryPicker = nullptr;           // category
    QComboBox *priorityPicker = nullptr;           // priority
    QLineEdit *idBox = nullptr;                    // the issue's ID, shown only
    QPlainTextEdit *commentBox = nullptr;          // comment
    QPushButton *cancelButton = nullptr;           // Cancel
    QPushButton *saveButton = nullptr;             // Save
    QPushButton *addOpenedByButton = nullptr;      // "+" Opened By
    QPushButton *deleteOpenedByButton = nullptr;   // "-" Opened By
    QPushButton *addAssignedToButton = nullptr;    // "+" Assigned To
    QPushButton *deleteAssignedToButton = nullptr; // "-" Assigned To
    QPushButton *addStatusButton = nullptr;        // "+" Status
    QPushButton *deleteStatusButton = nullptr;     // "-" Status
    QPushButton *editAssignedToButton = nullptr;   // "*" Assigned To
    QPushButton *editOpenedByButton = nullptr;     // "*" Opened By
    QPushButton *addCategoryButton = nullptr;      // "+" Category
    QPushButton *deleteCategoryButton = nullptr;   // "-" Category
    QPushButton *addPriorityButton = nullptr;      // "+" Priority
    QPushButton *deletePriorityButton = nullptr;   // "-" Priority
    // Shown when someone else saved or deleted this issue while the window
    // is open; hidden otherwise.
    QLabel *changedElsewhereLabel = nullptr;
    // Captions: "Opened Date", "Issued ID", "Title", "Due Date", "Comments".
    QLabel *fieldCaptions[5]{};
    // Captions: "Opened By", "Status", "Category", "Priority", "Assigned To".
    QLabel *pickerCaptions[5]{};

    // A change to a table was announced: shows changedElsewhereLabel when
    // this issue is no longer stored as loaded.
    void noticeStoredChange(const QString &table, const QString &by);
    // The issue as stored now, read after a change by (who the news named).
    void showStoredChange(const RecordStore::StoredIssue &stored, const QString &by);
    // After Save was refused because someone else saved the issue: says
    // what they changed, then reloads their version or keeps what is typed.
    void resolveConflict(const ConcurrentSave::ChangedMeanwhile &conflict);
    // Loads the issue as stored now, with the pickers' lists, over
    // whatever the window shows.
    void reloadStored();
    // Keep Editing after a refused Save: their version in every field the
    // user left as loaded, what the user changed on top of it.
    void keepEditsOverStored();

    // The location text of one of this window's operations, for its error block.
    static QString location(const char *operation);

    struct ValueList;
    ValueList statusList();
    ValueList categoryList();
    ValueList priorityList();

    void fillValueList(QComboBox *picker, const QString &location, ValueListSql::List list);
    void addValue(const QString &location, const ValueList &list);
    void deleteValue(const QString &location, const ValueList &list);
    void newContact(const QString &location, ContactPicker *picker);
    // Refills a value list, then chooses the value added (when it is
    // listed) or else the value chosen before.
    void refillKeepingChoice(const ValueList &list, const std::optional<QString> &added = std::nullopt);
    void editContact(const QString &location, QComboBox *picker);
    void deleteContact(const QString &location, QComboBox *picker, const QString &warning, const QString &command);
    // issueId as a number. Throws Error when it is not one.
    qint64 issueNumber() const;
    qint64 chosenContactId(const QComboBox *picker) const;
    void selectContact(ContactPicker *picker, const Value &id, const QString &caption);
    void selectValue(QComboBox *picker, const Value &value, const QString &caption);
    void labelNamesakes();
    // Refills both contact pickers and chooses again the contacts chosen
    // before, by ID; a contact added meanwhile is chosen in newContactPicker.
    void reloadContactsKeepingChoices(ContactPicker *newContactPicker = nullptr);
    std::optional<QString> choiceToSave(const QComboBox *picker) const;
    std::optional<QString> commentToSave() const;
    IssueSql::Values valuesToSave() const;
    // What the fields show: title, the two dates, comment, the five pickers.
    QStringList shownState() const;
    // The comment's place in shownState().
    static constexpr int commentField = 3;
    bool hasUnsavedChanges() const;
    QString m_savedId;
    qint64 m_attachmentLimit;
    // The fields of shownState() as the load left them; the comment with
    // its stored value, so that a comment left untouched is written back
    // exactly as it was loaded (the box cannot show a missing value and
    // turns every kind of line break into its own).
    platform::EditorState m_state;
    // The issue as stored when the window loaded it (or as the user last
    // saw someone else's version of it): Save is made against its version.
    std::optional<ConcurrentSave::StoredRow> m_stored;
    platform::BackgroundSession *m_reads = nullptr;
    // Counts the reads after news of a change: only the latest is shown.
    quint64 m_storedChecks = 0;
    // Set once this window's Save went through: the stored issue is then its
    // own, whatever news of the change arrives before the window closes.
    bool m_savedHere = false;
    // Whether the last change to the issue noticed while open was this
    // program's own, from another of its windows.
    bool m_changedHere = false;

    // A choice of a value list as loaded: the stored text (its letter case
    // may differ from the item's), and the item that showed it. While that
    // item stays chosen, Save writes the stored text back.
    struct LoadedChoice {
        QString stored;
        int index = -1;
        QString item;
    };
    QHash<const QComboBox *, LoadedChoice> m_loadedChoices;
};
