#include "app/RemindersDialog.h"

#include "app/MainWindow.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/ReminderService.h"
#include "platform/ReminderSettings.h"

#include <QAction>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QFormLayout>
#include <QMenu>
#include <QTimeEdit>

RemindersDialog::RemindersDialog(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Reminders"));
    setWindowTitle(QStringLiteral("Reminders"));
    auto *layout = new QFormLayout(this);
    enabledBox = new QCheckBox(QStringLiteral("&Remind me of issues due today and overdue"), this);
    enabledBox->setObjectName(QStringLiteral("remindersEnabled"));
    morningEdit = new QTimeEdit(this);
    morningEdit->setObjectName(QStringLiteral("morningTime"));
    morningEdit->setDisplayFormat(QStringLiteral("HH:mm"));
    morningEdit->setAccessibleName(QStringLiteral("Morning time"));
    const platform::ReminderSettings::Settings settings = platform::ReminderSettings::read();
    enabledBox->setChecked(settings.enabled);
    morningEdit->setTime(settings.morning);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addRow(enabledBox);
    layout->addRow(QStringLiteral("&Morning time:"), morningEdit);
    layout->addRow(buttons);
}

void RemindersDialog::addCommand(MainWindow &window, QMenu &menu)
{
    auto *action = new QAction(QStringLiteral("Remi&nders..."), &window);
    action->setObjectName(QStringLiteral("reminders"));
    QObject::connect(action, &QAction::triggered, &window, [&window] { run(window); });
    menu.addAction(action);
}

void RemindersDialog::run(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "Reminders"));
    RemindersDialog dialog(&window);
    step(100, [&] { platform::dialogs().showModal(dialog); });
    if (dialog.result() != QDialog::Accepted)
        return;
    const bool wasOn = platform::ReminderSettings::read().enabled;
    const bool on = dialog.enabledBox->isChecked();
    if (!step(102, [&] { platform::ReminderSettings::save({on, dialog.morningEdit->time()}); }))
        return;
    if (on == wasOn)
        return;
    const QString problem = platform::ReminderService::setTimer(on);
    if (!on) {
        step(104, [&] { platform::ReminderService::setAutostart(false); });
        return;
    }
    if (problem.isEmpty())
        return;
    const platform::Answer autostart = platform::msgBox(
        QStringLiteral("The reminders' timer could not be turned on: %1\r\nMarrowdesk reminds you while it runs. "
                       "Should it also remind you each time you log in to the desktop (autostart)?")
            .arg(problem),
        platform::Buttons::YesNo);
    if (autostart == platform::Answer::Yes)
        step(106, [&] { platform::ReminderService::setAutostart(true); });
}
