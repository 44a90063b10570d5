#include "app/Restore.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "platform/SingleInstance.h"

#include <QFileInfo>
#include <QTextStream>

int restoreCommand(const QString &backupFile, QTextStream &out, QTextStream &err)
{
    const QString database = DataFile::databasePath();
    try {
        for (const QString &folder : {DataFile::companyFolder(), DataFile::dataFolder()})
            if (!QFileInfo::exists(folder))
                DataFile::makeFolder(folder);
        SingleInstance instance(DataFile::dataFolder());
        if (!instance.claim() || !instance.holds())
            throw Error(QStringLiteral("Marrowdesk is running on \"%1\", or its lock there cannot be taken; close "
                                       "Marrowdesk and try again. Nothing was changed.")
                            .arg(DataFile::dataFolder()));
        const QString backup = QFileInfo(backupFile).absoluteFilePath();
        const QString aside = Backup::restore(backup, database);
        const QString kept =
            aside.isEmpty() ? QString() : QStringLiteral("; the earlier database was kept as \"%1\"").arg(aside);
        out << QStringLiteral("Restored \"%1\" as \"%2\"%3.").arg(backup, database, kept) << '\n';
        return 0;
    } catch (const Error &error) {
        err << "marrowdesk: " << error.description() << '\n';
        return 1;
    }
}
