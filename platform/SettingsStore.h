#pragma once
// The per-user settings store: named text values under the company key
// "Tamberlyn" and the application key "Marrowdesk", kept by QSettings in
// $XDG_CONFIG_HOME/Tamberlyn/Marrowdesk.conf.

#include <QList>
#include <QString>

#include <utility>

namespace platform {

// The stored text of a key, or defaultValue when the key is absent. A
// settings file that is not an ordinary file (a FIFO, a device, a link to
// one) or is over 1 MiB is never opened: every key reads as its default.
QString readSetting(const QString &key, const QString &defaultValue);

// Stores a value and writes it to disk at once. Throws Error when the store
// cannot be written.
void saveSetting(const QString &key, const QString &value);

// Stores the values (key, text) and writes them to disk together, so that a
// store that cannot be written fails once. Throws Error then. A settings file
// that readSetting would not open is never replaced: when start-up already
// told the user of it, nothing is written and nothing thrown.
void saveSettings(const QList<std::pair<QString, QString>> &values);

// The file that holds the settings.
QString settingsFilePath();

// Checks, before the settings are first read, that the settings file can be
// read. A damaged file (not in the settings format) is moved aside to
// "<file>.damaged" (or ".damaged-2", ...), so that the settings saved later
// never overwrite it; one that is not an ordinary file or is over 1 MiB is
// left where it is, unread. Returns what to tell the user, or empty text when
// the file is sound or absent.
QString checkSettingsStore();

} // namespace platform
