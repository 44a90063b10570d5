#include "data/FileUtil.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

QString SpecialFolderPath(int folderNumber)
{
    if (folderNumber != CSIDL_COMMON_APPDATA)
        return QString();
    QString path = qEnvironmentVariable("XDG_DATA_HOME");
    if (path.isEmpty() || !QDir::isAbsolutePath(path))
        path = QDir::homePath() + QStringLiteral("/.local/share");
    path.remove(QChar(0));
    path = path.trimmed();
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

bool FileExists(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() && info.lastModified().isValid();
}

QString programFolder()
{
    return QCoreApplication::applicationDirPath();
}
