#pragma once
// The Reminders dialog (context menu, "Remi&nders..."): reminders on or
// off and their morning time. Accepting it keeps the settings and turns
// the timer that reminds while Marrowdesk is closed on or off, offering
// the desktop's autostart where systemd is not there.

#include <QDialog>

class MainWindow;
class QCheckBox;
class QMenu;
class QTimeEdit;

class RemindersDialog : public QDialog {
    Q_OBJECT
public:
    explicit RemindersDialog(QWidget *parent = nullptr);

    // Adds the command to the list's context menu.
    static void addCommand(MainWindow &window, QMenu &menu);
    // Shows the dialog and applies what it was left with.
    static void run(MainWindow &window);

    QCheckBox *enabledBox = nullptr;
    QTimeEdit *morningEdit = nullptr;
};
