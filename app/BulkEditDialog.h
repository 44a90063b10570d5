#pragma once
// "Bulk Edit Selected Issues..." (context menu, Ctrl+E in the list): one
// window that sets the status, category, priority, assignee or due date
// of every selected issue, or closes or reopens them, each field left as
// every issue has it unless the user picks a value. Saving asks once with
// the count, writes all of them as one change (data/BulkEdit.h), reports
// the issues someone else changed or deleted meanwhile, and Ctrl+Z takes
// the whole change back in one step.

#include "data/BulkEdit.h"

#include <QDialog>

class DateField;
class MainWindow;
class QComboBox;
class QLabel;
class QMenu;
class QPushButton;

class BulkEditDialog : public QDialog {
    Q_OBJECT
public:
    enum class Closing { Unchanged, Close, Reopen };

    BulkEditDialog(const BulkEdit::Choices &choices, int count, QWidget *parent = nullptr);

    // Adds the command to the list's context menu and Ctrl+E to the list.
    static void addCommand(MainWindow &window, QMenu &menu);
    // Runs the command on the window's selected issues.
    static void run(MainWindow &window);

    // The fields picked; the status only when picked as a status (closing
    // and reopening are closing()).
    BulkEdit::Changes changes() const;
    Closing closing() const;

    QComboBox *statusPicker = nullptr;
    QComboBox *categoryPicker = nullptr;
    QComboBox *priorityPicker = nullptr;
    QComboBox *assigneePicker = nullptr;
    QComboBox *dueDateChoice = nullptr; // leave, set to, clear
    DateField *dueDateField = nullptr;
    QComboBox *closingPicker = nullptr;
    QPushButton *saveButton = nullptr;

private:
    // Accepts the window when something is picked and the date reads.
    void trySave();
    void showWhatApplies();

    QList<qint64> m_contactIds;
};
