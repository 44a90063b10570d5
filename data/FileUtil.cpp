#include "data/FileUtil.h"

#include "data/Error.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
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

int writeAside(const QString &path, const std::function<int(QIODevice &)> &write)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(QStringLiteral("The file \"%1\" could not be made: %2").arg(path, file.errorString()));
    const int written = write(file);
    if (!file.commit())
        throw Error(QStringLiteral("The file \"%1\" could not be written: %2").arg(path, file.errorString()));
    return written;
}
