#include "platform/SettingsStore.h"

#include "data/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QTemporaryFile>

namespace platform {
namespace {
QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlyn"),
                     QStringLiteral("Marrowdesk"));
}

// Whether the bytes read as a settings file. They are read from a copy:
// QSettings keeps files it has read in a cache, and would not read the
// settings file itself again.
bool readsAsSettings(const QByteArray &bytes)
{
    QTemporaryFile copy;
    if (!copy.open() || copy.write(bytes) != bytes.size())
        return true; // cannot tell; the file stays where it is
    copy.close();
    const QSettings probe(copy.fileName(), QSettings::IniFormat);
    return probe.status() == QSettings::NoError;
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

QString checkSettingsStore()
{
    const QString path = settingsFilePath();
    const QFileInfo info(path);
    if (!info.exists())
        return QString();
    const QString defaults =
        QStringLiteral("Marrowdesk starts with its default column widths and window state.");
    if (info.isDir())
        return QStringLiteral("The settings file \"%1\" cannot be read: it is a folder. %2 Move that folder away so "
                              "that your settings can be saved.")
            .arg(path, defaults);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The settings file \"%1\" cannot be read (%2). %3 Check the file's permissions so "
                              "that your settings can be saved.")
            .arg(path, file.errorString(), defaults);
    if (readsAsSettings(file.readAll()))
        return QString();
    file.close();
    QString aside = path + QStringLiteral(".damaged");
    for (int number = 2; QFileInfo::exists(aside); ++number)
        aside = path + QStringLiteral(".damaged-%1").arg(number);
    if (!QFile::rename(path, aside))
        return QStringLiteral("The settings file \"%1\" is damaged and cannot be read, and it could not be moved "
                              "aside. %2 Move the file away so that your settings can be saved.")
            .arg(path, defaults);
    return QStringLiteral("The settings file \"%1\" was damaged and could not be read; it was kept as \"%2\". %3")
        .arg(path, aside, defaults);
}

} // namespace platform
