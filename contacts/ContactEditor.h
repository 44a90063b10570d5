#pragma once
// The contact editor: the modal window that adds a new contact (contactId
// empty) or edits the contact whose ID is contactId.
//
// Sixteen boxes hold the contact's fields (the last, the notes, is a
// multi-line QPlainTextEdit, the others are QLineEdit); for an existing
// contact two lists show, read-only, the open issues the contact opened and
// the open issues assigned to the contact. Every control keeps the design's
// control name as its objectName (boxes Text1 .. Text16, lists ListView1 and
// ListView2, Save PushButton2, Cancel PushButton1).

#include "data/ConcurrentSave.h"
#include "platform/Dialogs.h"
#include "platform/EditorState.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <optional>

class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTreeWidget;

class ContactEditor : public QDialog, public platform::LoadsOnShow {
    Q_OBJECT
public:
    explicit ContactEditor(QWidget *parent = nullptr);
    ~ContactEditor() override;

    // Set by the caller before showing: empty for a new contact, else the ID.
    QString contactId;

    // The message shown when Save in edit mode finds the contact gone.
    static QString contactGoneMessage();

public slots:
    // Loads the window: colours, icon, hand pointer, list columns, and in
    // edit mode the contact and its two issue lists.
    void load() override;

    // Fills the sixteen boxes from the contact contactId.
    void loadContact();

    // Fill the list of open issues the contact opened, and of those assigned to it
    // from the open issues.
    void loadOpenedIssues();
    void loadAssignedIssues();

    // Save: checks both names, writes the contact, confirms and closes.
    void save();

    // Cancel: closes without writing.
    void cancel();

    // Cancel, Escape and the close button end here: with unsaved changes
    // the user is asked first, and may go on editing.
    void reject() override;

private:
    // contactId as a number. Throws Error when it is not one.
    qint64 contactNumber() const;
    // A box's text as the user sees it (the first name is box 0).
    QString shownText(int box) const;
    // The boxes' texts in box order, for a new contact.
    QStringList boxTexts() const;
    // The boxes' values in box order for an update: a box the user left as
    // loaded gives the stored value back exactly, a missing one included.
    QList<std::optional<QString>> boxValues() const;
    // Shows a stored value (a missing one as an empty box) and remembers it.
    void loadBox(int box, const std::optional<QString> &value);
    void clearEntries();
    // A box differs from what was loaded into it (from empty, for a new contact).
    bool hasUnsavedChanges() const;
    void fillIssueList(QTreeWidget &list, const QString &location, const QString &contactColumn);
    // After Save was refused because someone else saved the contact: says
    // what they changed, then reloads their version or keeps what is typed.
    void resolveConflict(const ConcurrentSave::ChangedMeanwhile &conflict);

    // The contact as stored when the window loaded it (or as the user last
    // saw someone else's version of it): Save is made against its version.
    std::optional<ConcurrentSave::StoredRow> m_stored;

    std::array<QLabel *, 16> m_captions{};
    // The fifteen one-line boxes by position (objectNames Text1 .. Text15),
    // and the notes (Text16).
    std::array<QLineEdit *, 15> m_lineBoxes{};
    QPlainTextEdit *m_notesBox = nullptr;
    QLineEdit *firstNameBox() const { return m_lineBoxes[0]; }
    QLineEdit *lastNameBox() const { return m_lineBoxes[1]; }
    QGroupBox *m_openedIssuesFrame = nullptr;
    QGroupBox *m_assignedIssuesFrame = nullptr;
    QTreeWidget *m_openedIssuesList = nullptr;
    QTreeWidget *m_assignedIssuesList = nullptr;
    QPushButton *m_saveButton = nullptr;
    QPushButton *m_cancelButton = nullptr;

    // Each box's value as loaded, and its text as the box then showed it. A
    // box cannot show a missing value, nor every line-break character as
    // such (a lone CR becomes a line break), so a box left untouched is
    // written back exactly as loaded.
    platform::EditorState m_state;
};
