#pragma once
// The per-user settings store: named text values under the company key
// "Tamberlyn" and the application key "Marrowdesk", kept by QSettings in
// $XDG_CONFIG_HOME/Tamberlyn/Marrowdesk.conf.

#include <QString>

namespace platform {

// The stored text of a key, or defaultValue when the key is absent.
QString GetSetting(const QString &key, const QString &defaultValue);

// Stores a value and writes it to disk at once. Throws Error when the store
// cannot be written.
void SaveSetting(const QString &key, const QString &value);

// The file that holds the settings.
QString settingsFilePath();

// Checks, before the settings are first read, that the settings file can be
// read. A damaged file (not in the settings format) is moved aside to
// "<file>.damaged" (or ".damaged-2", ...), so that the settings saved later
// never overwrite it. Returns what to tell the user, or empty text when the
// file is sound or absent.
QString checkSettingsStore();

} // namespace platform
