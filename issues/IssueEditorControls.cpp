// The issue editor's controls: made, placed and connected. What they do is
// in IssueEditor.cpp and the files beside it.

#include "issues/IssueEditor.h"

#include "data/Attachments.h"
#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "platform/Appearance.h"
#include "platform/Controls.h"
#include "platform/FileDropTarget.h"
#include "platform/Twips.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

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

} // namespace

IssueEditor::IssueEditor(QWidget *parent) : QDialog(parent), m_attachmentLimit(Attachments::defaultSizeLimit)
{
    // The design's window name: the skin finds the window's controls by it.
    setObjectName(QStringLiteral("Form2"));
    // The program's window font, Arial 9 pt bold; Save and Cancel get the
    // larger command font of the contact editor (below).
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    // Each caption's access key, unique in the window.
    static const QHash<QString, QChar> accessKeys = {
        {QStringLiteral("Title"), u'T'},     {QStringLiteral("Assigned To"), u'A'},
        {QStringLiteral("Opened By"), u'B'}, {QStringLiteral("Opened Date"), u'O'},
        {QStringLiteral("Due Date"), u'U'},  {QStringLiteral("Status"), u'S'},
        {QStringLiteral("Category"), u'C'},  {QStringLiteral("Priority"), u'P'},
        {QStringLiteral("Issued ID"), u'I'}, {QStringLiteral("Comments"), u'M'},
        {QStringLiteral("Save"), u'V'},      {QStringLiteral("Cancel"), u'N'}};
    // Texts without an access key of their own (the list buttons) get none.
    auto caption = [this](QLabel *&label, const QString &name, const QString &text, const QRect &where) {
        label = platform::makeCaption(*this, name, text, accessKeys.value(text), where);
        return label;
    };
    auto named = [](QWidget *widget, const QString &name, const QString &accessible, const QRect &where) {
        platform::placed(widget, name, accessible, where);
    };
    // A screen reader reads a button's name: the small ones say what they
    // do ("Add status"), not "+".
    auto button = [&](QPushButton *&member, const QString &name, const QString &text, const QRect &where,
                      const QString &description, const QString &spokenName = QString()) {
        member = platform::makeButton(*this, name, text, accessKeys.value(text), where);
        member->setAccessibleDescription(description);
        if (!spokenName.isEmpty())
            member->setAccessibleName(spokenName);
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
           QStringLiteral("New contact"), QStringLiteral("Add contact"));
    button(editAssignedToButton, QStringLiteral("PushButton9"), QStringLiteral("*"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 1), fieldTop(0), smallButtonWidth, fieldHeight),
           QStringLiteral("Edit the contact the issue is assigned to"), QStringLiteral("Edit contact"));
    button(deleteAssignedToButton, QStringLiteral("PushButton6"), QStringLiteral("-"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 2), fieldTop(0), smallButtonWidth, fieldHeight),
           QStringLiteral("Delete the contact the issue is assigned to, with its issues"),
           QStringLiteral("Delete contact"));

    caption(pickerCaptions[0], QStringLiteral("lblDetails(0)"), QStringLiteral("Opened By"),
            platform::twipsRect(leftColumn, captionTop(1), leftFieldWidth, captionHeight));
    openedByPicker = new ContactPicker(this);
    named(openedByPicker, QStringLiteral("Combo2"), QStringLiteral("Opened By"),
          platform::twipsRect(leftColumn, fieldTop(1), leftFieldWidth, fieldHeight));
    button(addOpenedByButton, QStringLiteral("PushButton3"), QStringLiteral("+"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 0), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("New contact"), QStringLiteral("Add contact"));
    button(editOpenedByButton, QStringLiteral("PushButton10"), QStringLiteral("*"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 1), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("Edit the contact who opened the issue"), QStringLiteral("Edit contact"));
    button(deleteOpenedByButton, QStringLiteral("PushButton4"), QStringLiteral("-"),
           platform::twipsRect(smallButton(leftColumn, leftFieldWidth, 2), fieldTop(1), smallButtonWidth, fieldHeight),
           QStringLiteral("Delete the contact who opened the issue, with its issues"),
           QStringLiteral("Delete contact"));
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
                           QPushButton *&add, const QString &addName, QPushButton *&remove, const QString &removeName) {
        caption(label, QStringLiteral("lblDetails(%1)").arg(row + 1), text,
                platform::twipsRect(rightColumn, captionTop(row), rightFieldWidth, captionHeight));
        picker = new QComboBox(this);
        named(picker, name, text, platform::twipsRect(rightColumn, fieldTop(row), rightFieldWidth, fieldHeight));
        button(add, addName, QStringLiteral("+"),
               platform::twipsRect(smallButton(rightColumn, rightFieldWidth, 0), fieldTop(row), smallButtonWidth,
                                   fieldHeight),
               QStringLiteral("Add a %1 value").arg(text.toLower()), QStringLiteral("Add %1").arg(text.toLower()));
        button(remove, removeName, QStringLiteral("-"),
               platform::twipsRect(smallButton(rightColumn, rightFieldWidth, 1), fieldTop(row), smallButtonWidth,
                                   fieldHeight),
               QStringLiteral("Delete the %1 value, with its issues").arg(text.toLower()),
               QStringLiteral("Delete %1").arg(text.toLower()));
    };
    valuePicker(statusPicker, pickerCaptions[1], QStringLiteral("Combo3"), QStringLiteral("Status"), 0, addStatusButton,
                QStringLiteral("PushButton7"), deleteStatusButton, QStringLiteral("PushButton8"));
    valuePicker(categoryPicker, pickerCaptions[2], QStringLiteral("Combo4"), QStringLiteral("Category"), 1,
                addCategoryButton, QStringLiteral("PushButton11"), deleteCategoryButton,
                QStringLiteral("PushButton12"));
    valuePicker(priorityPicker, pickerCaptions[3], QStringLiteral("Combo5"), QStringLiteral("Priority"), 2,
                addPriorityButton, QStringLiteral("PushButton13"), deletePriorityButton,
                QStringLiteral("PushButton14"));

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
    new platform::FileDropTarget(this, [this](const QMimeData &data) { attachDropped(data); });
}
