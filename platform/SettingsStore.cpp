#include "platform/SettingsStore.h"

#include "data/Error.h"

#include <QSettings>

namespace platform {
namespace {
QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlyn"),
                     QStringLiteral("Marrowdesk"));
}
} // namespace

QString GetSetting(const QString &key, const QString &defaultValue)
{
    const QSettings store = openStore();
    const QVariant value = store.value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void SaveSetting(const QString &key, const QString &value)
{
    QSettings store = openStore();
    store.setValue(key, value);
    store.sync();
    if (store.status() != QSettings::NoError)
        throw Error(QStringLiteral("The setting \"%1\" could not be saved to %2. Check that the folder "
                                   "exists and that you may write to it.")
                        .arg(key, store.fileName()));
}

QString settingsFilePath()
{
    return openStore().fileName();
}

} // namespace platform
