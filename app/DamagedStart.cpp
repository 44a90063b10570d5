#include "app/DamagedStart.h"

#include "data/BackupChoice.h"
#include "data/Error.h"
#include "platform/Dialogs.h"

#include <QLocale>

namespace {

QString madeOn(const Backup::SoundCopy &sound)
{
    return QLocale().toString(sound.copy.made.date(), QLocale::ShortFormat);
}

QString issuesIn(const Backup::SoundCopy &sound)
{
    return sound.issues < 0 ? QStringLiteral("an unknown number of issues")
                            : QStringLiteral("%L1 issues").arg(sound.issues);
}

QString listOf(const QList<Backup::SoundCopy> &sound)
{
    QString list = QStringLiteral("Sound backups, newest first:");
    for (const Backup::SoundCopy &each : sound)
        list += QStringLiteral("\r\n    %1, %2: %3").arg(madeOn(each), issuesIn(each), each.copy.path);
    return list;
}

} // namespace

bool offerRestore(const QString &databasePath, const QString &finding)
{
    const QString damaged = QStringLiteral("The database \"%1\" is damaged or cannot be read.").arg(databasePath);
    const QList<Backup::SoundCopy> sound = Backup::soundCopies(databasePath);
    if (sound.isEmpty()) {
        platform::msgBox(damaged + QStringLiteral(" There is no sound backup to restore. Marrowdesk goes on with it; "
                                                  "what it cannot read it will report."),
                         finding + QStringLiteral("\r\n\r\nBackups folder: %1").arg(Backup::folderFor(databasePath)),
                         platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
    const Backup::SoundCopy &newest = sound.first();
    const QString question = damaged + QStringLiteral("\r\n\r\nRestore the last good backup, from %1, which holds %2?")
                                           .arg(madeOn(newest), issuesIn(newest));
    const QString details =
        finding + QStringLiteral("\r\n\r\n") + listOf(sound) +
        QStringLiteral("\r\n\r\nYes keeps the damaged database aside, together with its journal, as "
                       "dbData-before-restore-DATE-TIME.mdb beside it. No goes on with the damaged database.\r\n\r\n"
                       "To restore a backup later, close Marrowdesk and run:\r\n    marrowdesk --restore \"%1\"")
            .arg(newest.copy.path);
    if (platform::msgBox(question, details, platform::Buttons::YesNo, platform::Icon::Warning) != platform::Answer::Yes)
        return false;
    try {
        const QString aside = Backup::restore(newest.copy.path, databasePath);
        platform::msgBox(QStringLiteral("The backup from %1 was restored. The damaged database was kept as \"%2\".")
                             .arg(madeOn(newest), aside));
        return true;
    } catch (const Error &error) {
        platform::msgBox(error.description(), platform::Buttons::Ok, platform::Icon::Warning);
        return false;
    }
}

bool offerRestoreWhenUnreadable(const QString &databasePath)
{
    const QString problem = Backup::unreadable(databasePath);
    if (problem.isEmpty())
        return false;
    offerRestore(databasePath, QStringLiteral("The database \"%1\" %2").arg(databasePath, problem));
    return true;
}
