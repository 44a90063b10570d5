#include "platform/ReminderService.h"

#include "data/Error.h"
#include "platform/ProcessRunner.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace platform::ReminderService {
namespace {

const QString entryName = QStringLiteral("marrowdesk-remind.desktop");

} // namespace

QString setTimer(bool on)
{
    const QString command = QStringLiteral("systemctl --user %1 --now marrowdesk-remind.timer")
                                .arg(on ? QStringLiteral("enable") : QStringLiteral("disable"));
    const int result = runProgramAndWait(command);
    if (result == 0)
        return QString();
    if (result < 0)
        return QStringLiteral("systemd is not there to run the reminders (\"systemctl\" could not be started).");
    return QStringLiteral("\"%1\" ended with status %2: there may be no systemd user session, or the timer is "
                          "not installed.")
        .arg(command)
        .arg(result);
}

QString autostartPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QStringLiteral("/autostart/") +
           entryName;
}

void setAutostart(bool on)
{
    const QString path = autostartPath();
    if (!on) {
        if (QFile::exists(path) && !QFile::remove(path))
            throw Error(QStringLiteral("The autostart entry \"%1\" could not be removed.").arg(path));
        return;
    }
    const QString source = QCoreApplication::applicationDirPath() + QLatin1Char('/') + entryName;
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        throw Error(QStringLiteral("The autostart folder \"%1\" could not be made.").arg(QFileInfo(path).path()));
    QFile::remove(path);
    if (!QFile::copy(source, path))
        throw Error(QStringLiteral("The autostart entry could not be copied from \"%1\" to \"%2\".").arg(source, path));
}

} // namespace platform::ReminderService
