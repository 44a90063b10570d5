#pragma once
// The main window's controls as tests reach them: by objectName, the
// design's control names, as a screen reader or the skin finds them.
//
//     ui(form).editButton->click();

#include "app/MainWindow.h"
#include "tests/support/WindowControls.h"

#include <QCheckBox>
#include <QTreeView>

struct MainWindowControls {
    explicit MainWindowControls(const MainWindow &form)
        : issueList(control<QTreeView>(form, "ListView1")), editButton(control<QPushButton>(form, "PushButton1")),
          addButton(control<QPushButton>(form, "PushButton2")), deleteButton(control<QPushButton>(form, "PushButton3")),
          sampleDataButton(control<QPushButton>(form, "PushButton4")),
          reportsButton(control<QPushButton>(form, "PushButton5")),
          helpButton(control<QPushButton>(form, "PushButton6")), findBox(control<QLineEdit>(form, "findBox")),
          overdueOnly(control<QCheckBox>(form, "overdueOnly")), showClosed(control<QCheckBox>(form, "showClosed")),
          counts(control<QLabel>(form, "issueCounts")), statusChoice(control<QComboBox>(form, "statusChoice"))
    {
    }

    QTreeView *issueList;
    QPushButton *editButton;
    QPushButton *addButton;
    QPushButton *deleteButton;
    QPushButton *sampleDataButton;
    QPushButton *reportsButton;
    QPushButton *helpButton;
    QLineEdit *findBox;
    QCheckBox *overdueOnly;
    QCheckBox *showClosed;
    QLabel *counts;
    QComboBox *statusChoice;
};

inline MainWindowControls ui(const MainWindow &form)
{
    return MainWindowControls(form);
}
