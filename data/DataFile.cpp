#include "data/DataFile.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/FileUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace DataFile {

QString companyFolder()
{
    return SpecialFolderPath(CSIDL_COMMON_APPDATA) + QStringLiteral("/Tamberlyn");
}

QString dataFolder()
{
    return SpecialFolderPath(CSIDL_COMMON_APPDATA) + QStringLiteral("/Tamberlyn/") + QStringLiteral("Marrowdesk");
}

namespace {

// The file chosen on the command line; empty for the usual one.
QString &chosenDatabase()
{
    static QString path;
    return path;
}

} // namespace

QString databasePath()
{
    if (!chosenDatabase().isEmpty())
        return chosenDatabase();
    return dataFolder() + QStringLiteral("/dbData.mdb");
}

void useDatabase(const QString &target)
{
    chosenDatabase() = target;
}

bool onServer()
{
    return ConnectionText::namesServer(chosenDatabase());
}

QString templatePath()
{
    return programFolder() + QStringLiteral("/dbBlank.mdb");
}

QString connectionString()
{
    if (onServer())
        return chosenDatabase();
    return QStringLiteral("provider=microsoft.jet.oledb.4.0;") + ConnectionText::dataSource(databasePath()) +
           QStringLiteral(";JET OLEDB:Database Password=");
}

void makeFolder(const QString &path)
{
    // Each missing level from the top down, so that a new account without
    // ~/.local/share still gets its data folder; a level that already exists
    // keeps its permissions.
    const QString absolute = QDir::cleanPath(QDir(path).absolutePath());
    qsizetype next = 0;
    while (next >= 0) {
        next = absolute.indexOf(QLatin1Char('/'), next + 1);
        const QString level = next < 0 ? absolute : absolute.left(next);
        if (QFileInfo(level).isDir())
            continue;
        if (!QDir().mkdir(level, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) && !QFileInfo(level).isDir())
            throw Error(QStringLiteral("The folder \"%1\" could not be made. Check that its parent folder exists and "
                                       "that you may write to it.")
                            .arg(level));
    }
}

void copyTemplate()
{
    const QString source = templatePath();
    const QString target = databasePath();
    if (!QFileInfo::exists(source))
        throw Error(QStringLiteral("The empty database \"%1\" that comes with Marrowdesk is missing, so no database "
                                   "could be made. Reinstall Marrowdesk.")
                        .arg(source));
    if (QFileInfo::exists(target))
        throw Error(QStringLiteral("The database \"%1\" already exists; it was left as it is.").arg(target));
    QFile file(source);
    if (!file.copy(target))
        throw Error(
            QStringLiteral("The empty database could not be copied to \"%1\": %2.").arg(target, file.errorString()));
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner);
}

} // namespace DataFile
