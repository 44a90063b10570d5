#pragma once
// The reminders' settings, in the settings group "Reminders" beside the
// window's keys: whether reminders are on, and the morning time they are
// told at.

#include <QTime>

namespace platform::ReminderSettings {

struct Settings {
    bool enabled = false;
    QTime morning = QTime(8, 0);
};

// Missing or unreadable values read as the defaults.
Settings read();
// Throws Error when the settings cannot be written.
void save(const Settings &settings);

} // namespace platform::ReminderSettings
