#pragma once
// The contact editor: the modal window that adds a new contact (m_ID empty)
// or edits the contact whose ID is m_ID.
//
// Sixteen boxes Text1 .. Text16 hold the contact's fields (Text16, the notes,
// is a multi-line QPlainTextEdit, the others are QLineEdit); for an existing
// contact the lists ListView1 and ListView2 show, read-only, the open issues
// the contact opened and the open issues assigned to the contact. Save is
// PushButton2, Cancel PushButton1. Every control's objectName is its name.

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

class Form3 : public QDialog {
    Q_OBJECT
public:
    explicit Form3(QWidget *parent = nullptr);
    ~Form3() override;

    // Set by the caller before showing: empty for a new contact, else the ID.
    QString m_ID;

    // The message shown when Save in edit mode finds the contact gone.
    static QString contactGoneMessage();

public slots:
    // Loads the window: colours, icon, hand pointer, list columns, and in
    // edit mode the contact and its two issue lists.
    void Form_Load();

    // Fills the sixteen boxes from the contact m_ID.
    void LoadData();

    // Fill ListView1 (opened by the contact) and ListView2 (assigned to it)
    // from the open issues.
    void LoadOpenedIssues();
    void LoadAssignedIssues();

    // Save: checks both names, writes the contact, confirms and closes.
    void PushButton2_Click();

    // Cancel: closes without writing.
    void PushButton1_Click();

    // Cancel, Escape and the close button end here: with unsaved changes
    // the user is asked first, and may go on editing.
    void reject() override;

private:
    // A box's text as the user sees it (Text1 is box 0).
    QString shownText(int box) const;
    // The boxes' texts in box order Text1 .. Text16, for a new contact.
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

    std::array<QLabel *, 16> Label1{};
    QLineEdit *Text1 = nullptr, *Text2 = nullptr, *Text3 = nullptr, *Text4 = nullptr, *Text5 = nullptr,
              *Text6 = nullptr, *Text7 = nullptr, *Text8 = nullptr, *Text9 = nullptr, *Text10 = nullptr,
              *Text11 = nullptr, *Text12 = nullptr, *Text13 = nullptr, *Text14 = nullptr, *Text15 = nullptr;
    QPlainTextEdit *Text16 = nullptr;
    std::array<QLineEdit *, 15> m_lineBoxes{}; // Text1 .. Text15, by position
    QGroupBox *Frame1 = nullptr;
    QGroupBox *Frame2 = nullptr;
    QTreeWidget *ListView1 = nullptr;
    QTreeWidget *ListView2 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton1 = nullptr;

    // Each box's value as loaded, and its text as the box then showed it. A
    // box cannot show a missing value, nor every line-break character as
    // such (a lone CR becomes a line break), so a box left untouched is
    // written back exactly as loaded.
    struct LoadedBox {
        std::optional<QString> value;
        QString shown;
    };
    std::array<std::optional<LoadedBox>, 16> m_loaded{};
};
