#include "platform/SettingsStore.h"

#include "data/Error.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryFile>

#include <cerrno>
#include <sys/stat.h>

namespace platform {
namespace {

// Settings never come near this size; a larger file is not read.
constexpr qint64 largestSettingsFile = qint64{1024} * 1024;

// Constructing the store reads the settings file at once; only do so when
// settingsFileIsReadable.
QSettings openStore()
{
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlyn"),
                     QStringLiteral("Marrowdesk"));
}

enum class FileKind { Absent, Ordinary, Folder, Special, TooLarge };

// What stands at the settings path, from its status alone (a link is
// followed). Nothing is opened: opening a FIFO waits for a writer, and a
// device such as /dev/zero never ends.
FileKind kindOf(const QString &path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return errno == ENOENT ? FileKind::Absent : FileKind::Ordinary; // the open tells what is wrong
    if (S_ISDIR(status.st_mode))
        return FileKind::Folder;
    if (!S_ISREG(status.st_mode))
        return FileKind::Special;
    return status.st_size > largestSettingsFile ? FileKind::TooLarge : FileKind::Ordinary;
}

// Whether the store may open the file. A special file or one of an absurd
// size is neither read nor replaced; a folder in its place just fails to
// open, and an unreadable file too.
bool settingsFileIsReadable(const QString &path)
{
    const FileKind kind = kindOf(path);
    return kind != FileKind::Special && kind != FileKind::TooLarge;
}

// The settings file that start-up found unfit and told the user of; it is
// left as it is, and saving skips it without a second message.
QString &refusedAtStartUp()
{
    static QString path;
    return path;
}

// Writes the values to the store in one go. False when they could not be
// written; throws Error when the file is not one the store may replace.
bool writeSettings(const QList<std::pair<QString, QString>> &values)
{
    const QString path = settingsFilePath();
    if (!settingsFileIsReadable(path)) {
        if (refusedAtStartUp() == path)
            return true;
        throw Error(QStringLiteral("The settings were not saved: \"%1\" is not an ordinary settings file, and "
                                   "Marrowdesk leaves it as it is. Move it away so that your settings can be saved.")
                        .arg(path));
    }
    QSettings store = openStore();
    for (const auto &[key, value] : values)
        store.setValue(key, value);
    store.sync();
    return store.status() == QSettings::NoError;
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

QString readSetting(const QString &key, const QString &defaultValue)
{
    if (!settingsFileIsReadable(settingsFilePath()))
        return defaultValue;
    const QSettings store = openStore();
    const QVariant value = store.value(key);
    return value.isValid() ? value.toString() : defaultValue;
}

void saveSetting(const QString &key, const QString &value)
{
    if (!writeSettings({{key, value}}))
        throw Error(QStringLiteral("The setting \"%1\" could not be saved to %2. Check that the folder "
                                   "exists and that you may write to it.")
                        .arg(key, settingsFilePath()));
}

void saveSettings(const QList<std::pair<QString, QString>> &values)
{
    if (!writeSettings(values))
        throw Error(QStringLiteral("The settings could not be saved to %1. Check that the folder exists and that "
                                   "you may write to it.")
                        .arg(settingsFilePath()));
}

QString settingsFilePath()
{
    // Where QSettings keeps the user's settings of an organisation and an
    // application, found without opening the store.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/Tamberlyn/Marrowdesk.conf");
}

QString checkSettingsStore()
{
    const QString path = settingsFilePath();
    refusedAtStartUp().clear();
    const FileKind kind = kindOf(path);
    if (kind == FileKind::Absent)
        return QString();
    const QString defaults = QStringLiteral("Marrowdesk starts with its default column widths and window state.");
    if (kind == FileKind::Folder)
        return QStringLiteral("The settings file \"%1\" cannot be read: it is a folder. %2 Move that folder away so "
                              "that your settings can be saved.")
            .arg(path, defaults);
    if (kind == FileKind::Special || kind == FileKind::TooLarge) {
        refusedAtStartUp() = path;
        const QString what = kind == FileKind::Special ? QStringLiteral("is not an ordinary file")
                                                       : QStringLiteral("is far too large (over 1 MiB)");
        return QStringLiteral("The settings file \"%1\" %2, so Marrowdesk does not read it. %3 The file is left as "
                              "it is, and your settings are not saved while it is there; move it away so that they "
                              "can be.")
            .arg(path, what, defaults);
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("The settings file \"%1\" cannot be read (%2). %3 Check the file's permissions so "
                              "that your settings can be saved.")
            .arg(path, file.errorString(), defaults);
    if (readsAsSettings(file.read(largestSettingsFile + 1)))
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
