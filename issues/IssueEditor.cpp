#include "issues/IssueEditor.h"

#include "contacts/ContactEditor.h"
#include "data/Connection.h"
#include "data/ContactQueries.h"
#include "data/Error.h"
#include "data/HeldRecordset.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "platform/Appearance.h"
#include "platform/Controls.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/RecordSave.h"
#include "platform/Twips.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

#include <limits>

namespace {

// Layout in twips: a title row across the top, then two columns of captioned
// fields in four rows, then the comment box and the two commands.
constexpr int margin = 240;
constexpr int clientWidth = 8220;
constexpr int clientHeight = 6855;
constexpr int fieldHeight = 315;
constexpr int captionHeight = 240;
constexpr int rowPitch = 660;
constexpr int firstRowTop = 780;
constexpr int leftColumn = margin;
constexpr int leftFieldWidth = 2700;
constexpr int rightColumn = 4260;
constexpr int rightFieldWidth = 3000;
constexpr int smallButtonWidth = 315;
constexpr int smallButtonPitch = 345;
constexpr int contentWidth = clientWidth - 2 * margin;

int captionTop(int row)
{
    return firstRowTop + row * rowPitch;
}

int fieldTop(int row)
{
    return captionTop(row) + captionHeight;
}

// The comment box's text with each line break as one line feed, and every
// other character exactly as shown (toPlainText would turn no-break spaces
// into blanks).
QString commentText(const QPlainTextEdit *box)
{
    QString text = box->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, QLatin1Char('\n'));
    text.replace(QChar::LineSeparator, QLatin1Char('\n'));
    return text;
}

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

IssueEditor::IssueEditor(QWidget *parent) : QDialog(parent)
{
    // The program's window font, Arial 9 pt bold; Save and Cancel get the
    // larger command font of the contact editor (below).
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    // Each caption's access key, unique in the window.
    static const QHash<QString, QChar> accessKeys = {
        {QStringLiteral("Title"), u'T'},       {QStringLiteral("Assigned To"), u'A'},
        {QStringLiteral("Opened By"), u'B'},   {QStringLiteral("Opened Date"), u'O'},
        {QStringLiteral("Due Date"), u'U'},    {QStringLiteral("Status"), u'S'},
        {QStringLiteral("Category"), u'C'},    {QStringLiteral("Priority"), u'P'},
        {QStringLiteral("Issued ID"), u'I'},   {QStringLiteral("Comments"), u'M'},
        {QStringLiteral("Save"), u'V'},        {QStringLiteral("Cancel"), u'N'}};
    // Texts without an access key of their own (the list buttons) get none.
    auto caption = [this](QLabel *&label, const QString &name, const QString &text, const QRect &where) {
        label = platform::makeCaption(*this, name, text, accessKeys.value(text), where);
        return label;
    };
    auto named = [](QWidget *widget, const QString &name, const QString &accessible, const QRect &where) {
        platform::placed(widget, name, accessible, where);
    };
    auto button = [&](QPushButton *&member, const QString &name, const QString &text, const QRect &where,
                      const QString &description) {
        member = platform::makeButton(*this, name, text, accessKeys.value(text), where);
        member->setAccessibleDescription(description);
    };
    auto dateEdit = [&](DateField *&member, const QString &name, const QString &accessible, const QRect &where) {
        member = new DateField(this);
        named(member, name, accessible, where);
        member->lineEdit()->setAccessibleName(accessible);
    };
    auto smallButton = [](int column, int fieldWidth, int slot) {
        return column + fieldWidth + 60 + slot * smallButtonPitch;
    };

    // Widgets are made in tab order: title, the left column with its
    // buttons, the right column, the comment, then Save and Cancel.
    caption(fieldCaptions[2], QStringLiteral("Label1(2)"), QStringLiteral("Title"),
            platform::twipsRect(margin, 120, 2000, captionHeight));
    titleBox = new QLineEdit(this);
    named(titleBox, QStringLiteral("Text1"), QStringLiteral("Title"),
          platform::twipsRect(margin, 360, contentWidth, fieldHeight));
    titleBox->setMaxLength(std::numeric_limits<int>::max());

    caption(pickerCaptions[4], QStringLiteral("lblDetails(4)"), QStringLiteral("Assigned To"),
            platform::twipsRect(leftColumn, captionTop(0), leftFieldWidth, captionHeight));
    assignedToPicker = new ContactPicker(this);
    named(assignedToPicker, QStringLiteral("Combo1"), QStringLiteral("Assigned To"),
          platform::twipsRect(leftColumn, fieldTop(0), leftFieldWidth, fieldHeight));
    button(addAssignedToButton, QStringLiteral("PushButton5"), QStringLiteral("+"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 0), fieldTop(0), smallButtonWidth, fieldHeight),
           QStringLiteral("New contact"));
    button(editAssignedToButton, QStringLiteral("PushButton9"), QStringLiteral("*"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 1), fieldTop(0), smallButtonWidth, fieldHeight),
           QStringLiteral("Edit the contact the issue is assigned to"));
    button(deleteAssignedToButton, QStringLiteral("PushButton6"), QStringLiteral("-"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 2), fieldTop(0), smallButtonWidth, fieldHeight),
           QStringLiteral("Delete the contact the issue is assigned to, with its issues"));

    caption(pickerCaptions[0], QStringLiteral("lblDetails(0)"), QStringLiteral("Opened By"),
            platform::twipsRect(leftColumn, captionTop(1), leftFieldWidth, captionHeight));
    openedByPicker = new ContactPicker(this);
    named(openedByPicker, QStringLiteral("Combo2"), QStringLiteral("Opened By"),
          platform::twipsRect(leftColumn, fieldTop(1), leftFieldWidth, fieldHeight));
    button(addOpenedByButton, QStringLiteral("PushButton3"), QStringLiteral("+"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 0), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("New contact"));
    button(editOpenedByButton, QStringLiteral("PushButton10"), QStringLiteral("*"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 1), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("Edit the contact who opened the issue"));
    button(deleteOpenedByButton, QStringLiteral("PushButton4"), QStringLiteral("-"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 2), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("Delete the contact who opened the issue, with its issues"));
    for (ContactPicker *picker : {assignedToPicker, openedByPicker})
        picker->setToolTip(QStringLiteral("Double click to edit contact"));

    caption(fieldCaptions[0], QStringLiteral("Label1(0)"), QStringLiteral("Opened Date"),
            platform::twipsRect(leftColumn, captionTop(2), leftFieldWidth, captionHeight));
    dateEdit(openedDateField, QStringLiteral("DateTimePicker1"), QStringLiteral("Opened Date"),
             platform::twipsRect(leftColumn, fieldTop(2), leftFieldWidth, fieldHeight));
    caption(fieldCaptions[3], QStringLiteral("Label1(3)"), QStringLiteral("Due Date"),
            platform::twipsRect(leftColumn, captionTop(3), leftFieldWidth, captionHeight));
    dateEdit(dueDateField, QStringLiteral("DateTimePicker2"), QStringLiteral("Due Date"),
             platform::twipsRect(leftColumn, fieldTop(3), leftFieldWidth, fieldHeight));

    auto valuePicker = [&](QComboBox *&picker, QLabel *&label, const QString &name, const QString &text, int row,
                           QPushButton *&add, const QString &addName, QPushButton *&remove,
                           const QString &removeName) {
        caption(label, QStringLiteral("lblDetails(%1)").arg(row + 1), text,
                platform::twipsRect(rightColumn, captionTop(row), rightFieldWidth, captionHeight));
        picker = new QComboBox(this);
        named(picker, name, text, platform::twipsRect(rightColumn, fieldTop(row), rightFieldWidth, fieldHeight));
        button(add, addName, QStringLiteral("+"),
               platform::twipsRect(smallButton(rightColumn, rightFieldWidth, 0), fieldTop(row), smallButtonWidth,
                                   fieldHeight),
               QStringLiteral("Add a %1 value").arg(text.toLower()));
        button(remove, removeName, QStringLiteral("-"),
               platform::twipsRect(smallButton(rightColumn, rightFieldWidth, 1), fieldTop(row), smallButtonWidth,
                                   fieldHeight),
               QStringLiteral("Delete the %1 value, with its issues").arg(text.toLower()));
    };
    valuePicker(statusPicker, pickerCaptions[1], QStringLiteral("Combo3"), QStringLiteral("Status"), 0, addStatusButton,
                QStringLiteral("PushButton7"), deleteStatusButton, QStringLiteral("PushButton8"));
    valuePicker(categoryPicker, pickerCaptions[2], QStringLiteral("Combo4"), QStringLiteral("Category"), 1, addCategoryButton,
                QStringLiteral("PushButton11"), deleteCategoryButton, QStringLiteral("PushButton12"));
    valuePicker(priorityPicker, pickerCaptions[3], QStringLiteral("Combo5"), QStringLiteral("Priority"), 2, addPriorityButton,
                QStringLiteral("PushButton13"), deletePriorityButton, QStringLiteral("PushButton14"));

    caption(fieldCaptions[1], QStringLiteral("Label1(1)"), QStringLiteral("Issued ID"),
            platform::twipsRect(rightColumn, captionTop(3), rightFieldWidth, captionHeight));
    idBox = new QLineEdit(this);
    named(idBox, QStringLiteral("Text2"), QStringLiteral("Issued ID"),
          platform::twipsRect(rightColumn, fieldTop(3), rightFieldWidth, fieldHeight));
    idBox->setEnabled(false);

    changedElsewhereLabel = new QLabel(this);
    changedElsewhereLabel->setObjectName(QStringLiteral("changedElsewhere"));
    changedElsewhereLabel->setGeometry(platform::twipsRect(margin + 2000, 120, contentWidth - 2000, captionHeight));
    changedElsewhereLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    changedElsewhereLabel->setStyleSheet(QStringLiteral("color: #b00000;"));
    changedElsewhereLabel->hide();

    const int commentCaptionTop = captionTop(4);
    const int commentTop = commentCaptionTop + captionHeight;
    const int commentHeight = 2280;
    caption(fieldCaptions[4], QStringLiteral("Label1(4)"), QStringLiteral("Comments"),
            platform::twipsRect(margin, commentCaptionTop, 2000, captionHeight));
    commentBox = new QPlainTextEdit(this);
    named(commentBox, QStringLiteral("Text3"), QStringLiteral("Comments"),
          platform::twipsRect(margin, commentTop, contentWidth, commentHeight));
    commentBox->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    commentBox->setTabChangesFocus(true);

    const int commandTop = commentTop + commentHeight + 180;
    const int commandWidth = (contentWidth - 120) / 2;
    button(saveButton, QStringLiteral("PushButton2"), QStringLiteral("Save"),
           platform::twipsRect(margin, commandTop, commandWidth, 495), QStringLiteral("Save the issue"));
    button(cancelButton, QStringLiteral("PushButton1"), QStringLiteral("Cancel"),
           platform::twipsRect(margin + commandWidth + 120, commandTop, commandWidth, 495),
           QStringLiteral("Close without saving"));
    // Enter presses the button that has the keyboard, and Save otherwise;
    // Escape cancels, as in any dialog.
    saveButton->setDefault(true);
    for (QPushButton *command : {saveButton, cancelButton}) {
        QFont commandFont = font();
        commandFont.setPointSizeF(11.25);
        command->setFont(commandFont);
    }

    fieldCaptions[0]->setBuddy(openedDateField);
    fieldCaptions[1]->setBuddy(idBox);
    fieldCaptions[2]->setBuddy(titleBox);
    fieldCaptions[3]->setBuddy(dueDateField);
    fieldCaptions[4]->setBuddy(commentBox);
    pickerCaptions[0]->setBuddy(openedByPicker);
    pickerCaptions[1]->setBuddy(statusPicker);
    pickerCaptions[2]->setBuddy(categoryPicker);
    pickerCaptions[3]->setBuddy(priorityPicker);
    pickerCaptions[4]->setBuddy(assignedToPicker);

    setFixedSize(platform::twipsToPixels(clientWidth), platform::twipsToPixels(clientHeight));

    connect(cancelButton, &QPushButton::clicked, this, &IssueEditor::cancel);
    connect(saveButton, &QPushButton::clicked, this, &IssueEditor::save);
    connect(addOpenedByButton, &QPushButton::clicked, this, &IssueEditor::addOpenedByContact);
    connect(deleteOpenedByButton, &QPushButton::clicked, this, &IssueEditor::deleteOpenedByContact);
    connect(addAssignedToButton, &QPushButton::clicked, this, &IssueEditor::addAssignedToContact);
    connect(deleteAssignedToButton, &QPushButton::clicked, this, &IssueEditor::deleteAssignedToContact);
    connect(addStatusButton, &QPushButton::clicked, this, &IssueEditor::addStatus);
    connect(deleteStatusButton, &QPushButton::clicked, this, &IssueEditor::deleteStatus);
    connect(editAssignedToButton, &QPushButton::clicked, this, &IssueEditor::editAssignedToContact);
    connect(editOpenedByButton, &QPushButton::clicked, this, &IssueEditor::editOpenedByContact);
    connect(addCategoryButton, &QPushButton::clicked, this, &IssueEditor::addCategory);
    connect(deleteCategoryButton, &QPushButton::clicked, this, &IssueEditor::deleteCategory);
    connect(addPriorityButton, &QPushButton::clicked, this, &IssueEditor::addPriority);
    connect(deletePriorityButton, &QPushButton::clicked, this, &IssueEditor::deletePriority);
    connect(assignedToPicker, &ContactPicker::doubleClicked, this, &IssueEditor::assignedToDoubleClicked);
    connect(openedByPicker, &ContactPicker::doubleClicked, this, &IssueEditor::openedByDoubleClicked);
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
    m_loadedState = shownState();
}

QStringList IssueEditor::shownState() const
{
    return {titleBox->text(),       openedDateField->text(), dueDateField->text(),
            commentBox->toPlainText(), assignedToPicker->currentText(),  openedByPicker->currentText(),
            statusPicker->currentText(), categoryPicker->currentText(), priorityPicker->currentText()};
}

bool IssueEditor::hasUnsavedChanges() const
{
    const QStringList shown = shownState();
    const QComboBox *pickers[] = {assignedToPicker, openedByPicker, statusPicker, categoryPicker, priorityPicker};
    constexpr int firstPicker = 4;
    for (int i = 0; i < shown.size() && i < m_loadedState.size(); ++i) {
        // A list button's refill leaves its picker without a choice: that
        // loses nothing the user chose to keep.
        if (i >= firstPicker && pickers[i - firstPicker]->currentIndex() < 0)
            continue;
        if (shown[i] != m_loadedState[i])
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
        m_stored = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, issueId.toLongLong());
        rs->Open(IssueSql::openIssueQuery(issueId), sharedConnection(), Recordset::adOpenStatic,
                 Recordset::adLockReadOnly);
    });
    bool empty = false;
    step(104, [&] {
        empty = rs->Eof();
        // A closed issue is edited too: that is how it is reopened.
        if (empty) {
            rs->Open(IssueSql::closedIssueQuery(issueId), sharedConnection(), Recordset::adOpenStatic,
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
        m_loadedComment = LoadedComment{comment.isNull() ? std::nullopt : std::optional<QString>(comment.toText()),
                                        commentText(commentBox)};
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
        throw Error(QStringLiteral("The contact with ID %1 is not among the choices for %2.").arg(id.toText(), caption));
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
    const QString shown = commentText(commentBox);
    if (m_loadedComment && shown == m_loadedComment->shown)
        return m_loadedComment->stored;
    return shown;
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
    return IssueSql::updateStatement(valuesToSave(), issueId);
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
        missing(106, assignedToPicker->currentIndex() < 0, QStringLiteral("You forgot to select Assigned To."), assignedToPicker) ||
        missing(112, openedByPicker->currentIndex() < 0, QStringLiteral("You forgot to select Opened By."), openedByPicker) ||
        missing(118, statusPicker->currentIndex() < 0, QStringLiteral("You forgot to select Status."), statusPicker) ||
        missing(124, categoryPicker->currentIndex() < 0, QStringLiteral("You forgot to select Category."), categoryPicker) ||
        missing(130, priorityPicker->currentIndex() < 0, QStringLiteral("You forgot to select Priority."), priorityPicker))
        return;
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
        for (QComboBox *picker : {static_cast<QComboBox *>(assignedToPicker), static_cast<QComboBox *>(openedByPicker)}) {
            if (!ContactQueries::exists(sharedConnection(), chosenContactId(picker))) {
                goneContact = picker;
                return std::nullopt;
            }
        }
        return record.run(sql);
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
            [this](const ConcurrentSave::ChangedMeanwhile &conflict) { resolveConflict(conflict); }};
    platform::saveAndConfirm(step, 136, *this, record);
}

void IssueEditor::cancel()
{
    ErrorBlock step(location("PushButton1_Click"));
    step(100, [&] { reject(); });
}
