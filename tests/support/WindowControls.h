#pragma once
// The controls of the program's windows as tests reach them: by objectName,
// the design's control names, as a screen reader or the skin finds them,
// not through the windows' members.
//
//     ui(form).titleBox->setText(QStringLiteral("Printer"));

#include "issues/ContactPicker.h"
#include "issues/DateField.h"
#include "issues/IssueEditor.h"
#include "reports/ReportChooser.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

// The window's control of that name and kind; a missing one ends the test
// program, since every later step would fail on it anyway.
template <typename T>
T *control(const QWidget &window, const char *name)
{
    T *found = window.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("%s has no control %s of the expected kind", qPrintable(window.objectName()), name);
    return found;
}

struct IssueEditorControls {
    explicit IssueEditorControls(const IssueEditor &form)
        : titleBox(control<QLineEdit>(form, "Text1")), assignedToPicker(control<ContactPicker>(form, "Combo1")),
          openedByPicker(control<ContactPicker>(form, "Combo2")),
          openedDateField(control<DateField>(form, "DateTimePicker1")),
          dueDateField(control<DateField>(form, "DateTimePicker2")), statusPicker(control<QComboBox>(form, "Combo3")),
          categoryPicker(control<QComboBox>(form, "Combo4")), priorityPicker(control<QComboBox>(form, "Combo5")),
          idBox(control<QLineEdit>(form, "Text2")), commentBox(control<QPlainTextEdit>(form, "Text3")),
          saveButton(control<QPushButton>(form, "PushButton2")),
          cancelButton(control<QPushButton>(form, "PushButton1")),
          addOpenedByButton(control<QPushButton>(form, "PushButton3")),
          deleteOpenedByButton(control<QPushButton>(form, "PushButton4")),
          addAssignedToButton(control<QPushButton>(form, "PushButton5")),
          deleteAssignedToButton(control<QPushButton>(form, "PushButton6")),
          addStatusButton(control<QPushButton>(form, "PushButton7")),
          deleteStatusButton(control<QPushButton>(form, "PushButton8")),
          editAssignedToButton(control<QPushButton>(form, "PushButton9")),
          editOpenedByButton(control<QPushButton>(form, "PushButton10")),
          addCategoryButton(control<QPushButton>(form, "PushButton11")),
          deleteCategoryButton(control<QPushButton>(form, "PushButton12")),
          addPriorityButton(control<QPushButton>(form, "PushButton13")),
          deletePriorityButton(control<QPushButton>(form, "PushButton14")),
          changedElsewhereLabel(control<QLabel>(form, "changedElsewhere"))
    {
    }

    QLineEdit *titleBox;
    ContactPicker *assignedToPicker;
    ContactPicker *openedByPicker;
    DateField *openedDateField;
    DateField *dueDateField;
    QComboBox *statusPicker;
    QComboBox *categoryPicker;
    QComboBox *priorityPicker;
    QLineEdit *idBox;
    QPlainTextEdit *commentBox;
    QPushButton *saveButton;
    QPushButton *cancelButton;
    QPushButton *addOpenedByButton;
    QPushButton *deleteOpenedByButton;
    QPushButton *addAssignedToButton;
    QPushButton *deleteAssignedToButton;
    QPushButton *addStatusButton;
    QPushButton *deleteStatusButton;
    QPushButton *editAssignedToButton;
    QPushButton *editOpenedByButton;
    QPushButton *addCategoryButton;
    QPushButton *deleteCategoryButton;
    QPushButton *addPriorityButton;
    QPushButton *deletePriorityButton;
    QLabel *changedElsewhereLabel;
};

struct ReportChooserControls {
    explicit ReportChooserControls(const ReportChooser &form)
        : reportTypeCaption(control<QLabel>(form, "Label1")), reportPicker(control<QComboBox>(form, "Combo1")),
          previewButton(control<QPushButton>(form, "PushButton1")),
          cancelButton(control<QPushButton>(form, "PushButton2"))
    {
    }

    QLabel *reportTypeCaption;
    QComboBox *reportPicker;
    QPushButton *previewButton;
    QPushButton *cancelButton;
};

inline IssueEditorControls ui(const IssueEditor &form)
{
    return IssueEditorControls(form);
}

inline ReportChooserControls ui(const ReportChooser &form)
{
    return ReportChooserControls(form);
}
