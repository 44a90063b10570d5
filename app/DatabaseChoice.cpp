#include "app/DatabaseChoice.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/postgres/ServerTarget.h"
#include "platform/SettingsStore.h"

#include <QFileInfo>

namespace {
const QString settingsKey = QStringLiteral("Database");
} // namespace

DatabaseChoice DatabaseChoice::resolve(const QString &option)
{
    if (!option.isEmpty())
        return {option, QStringLiteral("--database")};
    const QString environment = qEnvironmentVariable("MARROWDESK_DATABASE");
    if (!environment.isEmpty())
        return {environment, QStringLiteral("MARROWDESK_DATABASE")};
    const QString kept = platform::readSetting(settingsKey, QString());
    if (!kept.isEmpty())
        return {kept, QStringLiteral("the settings")};
    return {};
}

QString DatabaseChoice::problem() const
{
    if (target.isEmpty())
        return {};
    const QString from = origin == QLatin1String("--database") ? QString() : QStringLiteral(" (from %1)").arg(origin);
    if (ConnectionText::namesServer(target)) {
        QString why;
        if (!ServerTarget::isReadable(target, &why))
            return QStringLiteral("the database server \"%1\"%2 cannot be read: %3").arg(target, from, why);
        return {};
    }
    if (!QFileInfo(target).isFile())
        return QStringLiteral("the database \"%1\"%2 does not exist or is not a file.").arg(target, from);
    return {};
}

QString rememberDatabase(const QString &target)
{
    if (ConnectionText::namesServer(target) && ServerTarget::holdsPassword(target))
        throw Refusal(QStringLiteral("The database was not kept: it holds a password, and the settings are a plain "
                                     "text file. Keep the password in ~/.pgpass (or PGPASSWORD) and give the "
                                     "database without it."));
    const QString kept =
        ConnectionText::namesServer(target) || target.isEmpty() ? target : QFileInfo(target).absoluteFilePath();
    platform::saveSetting(settingsKey, kept);
    return kept.isEmpty() ? QStringLiteral("Marrowdesk will open the usual database file from now on.")
                          : QStringLiteral("Marrowdesk will open \"%1\" from now on.").arg(kept);
}
