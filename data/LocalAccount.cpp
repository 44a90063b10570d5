#include "data/LocalAccount.h"

#include <QSysInfo>

#include <pwd.h>
#include <unistd.h>

namespace LocalAccount {
namespace {

QString systemAccount()
{
    if (const passwd *entry = getpwuid(getuid()); entry && entry->pw_name && *entry->pw_name)
        return QString::fromLocal8Bit(entry->pw_name);
    for (const char *variable : {"USER", "LOGNAME"})
        if (const QString named = qEnvironmentVariable(variable); !named.isEmpty())
            return named;
    return QStringLiteral("uid%1").arg(getuid());
}

} // namespace

QString name()
{
    return systemAccount() + QLatin1Char('@') + QSysInfo::machineHostName();
}

} // namespace LocalAccount
