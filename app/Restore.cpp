#include "app/Restore.h"

#include "app/SingleInstance.h"
#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "platform/Dialogs.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>
#include <QTextStream>

namespace {

QString howToRestoreLater(const QString &backupPath)
{
    return QStringLiteral("To restore a backup later, close Marrowdesk and run:\r\n    marrowdesk --restore \"%1\"")
        .arg(backupPath);
}

} // namespace

bool offerRestore(const QString &databasePath, const QString &finding)
{
    const Backup::Copy good = Backup::newestSound(databasePath);
    if (good.path.isEmpty()) {
        platform::msgBox(finding + QStringLiteral("\r\n\r\nThere is no sound backup to restore in \"%1\". Marrowdesk "
                                                  "goes on with the damaged database; what it cannot read it will "
                                                  "report.")
                                       .arg(Backup::folderFor(databasePath)),
                         platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
    const QString date = QLocale().toString(good.made.date(), QLocale::ShortFormat);
    const int issues = Backup::issueCount(good.path);
    const QString offer =
        finding +
        QStringLiteral("\r\n\r\nThe last good backup is from %1 and holds %2 issues:\r\n    %3\r\n\r\nRestore it now? "
                       "The damaged database is kept aside, together with its journal, as "
                       "dbData-before-restore-DATE-TIME.mdb beside it.\r\n\r\nIf you choose No, Marrowdesk goes on "
                       "with the damaged database. ")
            .arg(date, issues < 0 ? QStringLiteral("an unknown number of") : QString::number(issues), good.path) +
        howToRestoreLater(good.path);
    if (platform::msgBox(offer, platform::Buttons::YesNo, platform::Icon::Warning) != platform::Answer::Yes)
        return false;
    try {
        const QString aside = Backup::restore(good.path, databasePath);
        platform::msgBox(QStringLiteral("The backup from %1 was restored. The damaged database was kept as \"%2\".")
                             .arg(date, aside));
        return true;
    } catch (const Error &error) {
        platform::msgBox(error.description(), platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
}

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
