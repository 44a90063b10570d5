#pragma once
// The issue editor: the modal window that adds a new issue (m_ID empty) or
// edits the issue whose ID is m_ID.

#include "data/IssueSql.h"

#include <QDialog>
#include <QHash>
#include <QList>
#include <QString>

#include <optional>

class ContactPicker;
class DateField;
class ErrorBlock;
class QComboBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class Value;

class Form2 : public QDialog {
    Q_OBJECT
public:
    explicit Form2(QWidget *parent = nullptr);
    ~Form2() override;

    // Set by the caller before showing: empty for a new issue, else the ID.
    QString m_ID;

    // The IDs of the contacts in both contact pickers: entry i belongs to
    // item i of Combo1 and of Combo2. LoadContacts rebuilds it.
    QList<qint64> m_ContactIDs;

    // The statements Save sends, built from what the window shows now.
    // Throw Error when a chosen contact has no ID or a date is not a date.
    QString insertStatement() const;
    QString updateStatement() const;

    QLineEdit *Text1;          // title
    ContactPicker *Combo1;     // assigned to
    ContactPicker *Combo2;     // opened by
    DateField *DateTimePicker1; // opened date
    DateField *DateTimePicker2; // due date
    QComboBox *Combo3;         // status
    QComboBox *Combo4;         // category
    QComboBox *Combo5;         // priority
    QLineEdit *Text2;          // the issue's ID, shown only
    QPlainTextEdit *Text3;     // comment
    QPushButton *PushButton1;  // Cancel
    QPushButton *PushButton2;  // Save
    QPushButton *PushButton3;  // "+" Opened By
    QPushButton *PushButton4;  // "-" Opened By
    QPushButton *PushButton5;  // "+" Assigned To
    QPushButton *PushButton6;  // "-" Assigned To
    QPushButton *PushButton7;  // "+" Status
    QPushButton *PushButton8;  // "-" Status
    QPushButton *PushButton9;  // "*" Assigned To
    QPushButton *PushButton10; // "*" Opened By
    QPushButton *PushButton11; // "+" Category
    QPushButton *PushButton12; // "-" Category
    QPushButton *PushButton13; // "+" Priority
    QPushButton *PushButton14; // "-" Priority
    // Captions: "Opened Date", "Issued ID", "Title", "Due Date", "Comments".
    QLabel *Label1[5];
    // Captions: "Opened By", "Status", "Category", "Priority", "Assigned To".
    QLabel *lblDetails[5];

public slots:
    void Form_Load();
    void LoadContacts();
    void LoadStatus();
    void LoadCategories();
    void LoadPriorities();
    void LoadData();

    void PushButton1_Click(); // Cancel
    void PushButton2_Click(); // Save

    // Cancel, Escape and the close button end here: with unsaved changes
    // the user is asked first, and may go on editing.
    void reject() override;

    void PushButton3_Click();  // new contact (Opened By)
    void PushButton4_Click();  // delete the Opened By contact and its issues
    void PushButton5_Click();  // new contact (Assigned To)
    void PushButton6_Click();  // delete the Assigned To contact and its issues
    void PushButton7_Click();  // add a status
    void PushButton8_Click();  // delete the status and its issues
    void PushButton9_Click();  // edit the Assigned To contact
    void PushButton10_Click(); // edit the Opened By contact
    void PushButton11_Click(); // add a category
    void PushButton12_Click(); // delete the category and its issues
    void PushButton13_Click(); // add a priority
    void PushButton14_Click(); // delete the priority and its issues

    // A double click on a contact picker edits its contact, like its "*".
    void Combo1_DblClick();
    void Combo2_DblClick();

private:
    // The location text of one of this window's operations, for its error block.
    static QString location(const char *operation);

    struct ValueList;
    ValueList statusList();
    ValueList categoryList();
    ValueList priorityList();

    void fillValueList(QComboBox *picker, const QString &location, const QString &query, const QString &column);
    void addValue(const QString &location, const ValueList &list);
    void deleteValue(const QString &location, const ValueList &list);
    void newContact(const QString &location);
    void editContact(const QString &location, QComboBox *picker);
    void deleteContact(const QString &location, QComboBox *picker, const QString &warning, const QString &command);
    qint64 chosenContactId(const QComboBox *picker) const;
    void selectContact(ContactPicker *picker, const Value &id, const QString &caption);
    void selectValue(QComboBox *picker, const Value &value, const QString &caption);
    void labelNamesakes();
    void reloadContactsKeepingChoices();
    std::optional<QString> choiceToSave(const QComboBox *picker) const;
    std::optional<QString> commentToSave() const;
    IssueSql::Values valuesToSave() const;
    // What the fields show: title, the two dates, comment, the five pickers.
    QStringList shownState() const;
    bool hasUnsavedChanges() const;
    // shownState() as the load left it.
    QStringList m_loadedState;

    // A choice of a value list as loaded: the stored text (its letter case
    // may differ from the item's), and the item that showed it. While that
    // item stays chosen, Save writes the stored text back.
    struct LoadedChoice {
        QString stored;
        int index;
        QString item;
    };
    QHash<const QComboBox *, LoadedChoice> m_loadedChoices;

    // The comment as loaded (nothing when it was missing), and as the
    // comment box showed it. The box cannot show a missing value and turns
    // every kind of line break into its own, so a comment left untouched is
    // written back exactly as it was loaded.
    struct LoadedComment {
        std::optional<QString> stored;
        QString shown;
    };
    std::optional<LoadedComment> m_loadedComment;
};
