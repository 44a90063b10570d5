#include "platform/ReminderSettings.h"

#include "platform/SettingsStore.h"

namespace platform::ReminderSettings {
namespace {

const QString enabledKey = QStringLiteral("Reminders/Enabled");
const QString morningKey = QStringLiteral("Reminders/MorningTime");

} // namespace

Settings read()
{
    Settings settings;
    settings.enabled = readSetting(enabledKey, QStringLiteral("false")) == QLatin1String("true");
    const QTime morning = QTime::fromString(readSetting(morningKey, QString()), QStringLiteral("HH:mm"));
    if (morning.isValid())
        settings.morning = morning;
    return settings;
}

void save(const Settings &settings)
{
    saveSettings({{enabledKey, settings.enabled ? QStringLiteral("true") : QStringLiteral("false")},
                  {morningKey, settings.morning.toString(QStringLiteral("HH:mm"))}});
}

} // namespace platform::ReminderSettings
