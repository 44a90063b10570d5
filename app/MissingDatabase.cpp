#include "app/MissingDatabase.h"

#include "data/BackupChoice.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "platform/Dialogs.h"

#include <QFileInfo>
#include <QLocale>
#include <QSet>

namespace {

// Every file there, each marked when it is not among the sound ones.
QString listed(const QList<Backup::Copy> &copies, const QList<Backup::SoundCopy> &sound)
{
    QSet<QString> soundPaths;
    for (const Backup::SoundCopy &each : sound)
        soundPaths.insert(each.copy.path);
    QString text;
    for (const Backup::Copy &copy : copies)
        text += QStringLiteral("\r\n    %1%2")
                    .arg(copy.path, soundPaths.contains(copy.path) ? QString() : QStringLiteral(" (not sound)"));
    return text;
}

} // namespace

void recoverMissingDatabase()
{
    if (DataFile::onServer())
        return;
    const QString database = DataFile::databasePath();
    Backup::removeLeftovers(database);
    if (QFileInfo::exists(database) || !QFileInfo::exists(DataFile::dataFolder()))
        return;
    const QList<Backup::Copy> copies = Backup::copies(database) + Backup::setAside(database);
    if (copies.isEmpty())
        return;
    // The same choice a damaged database is offered, with the files kept
    // aside as the last resort.
    const QList<Backup::SoundCopy> sound = Backup::soundCopies(database, Backup::Candidates::BackupsAndSetAside);
    const QString missing =
        QStringLiteral("The database \"%1\" is missing, but copies of it are there:").arg(database) +
        listed(copies, sound);
    const QString emptyOne = QStringLiteral("\r\n\r\nMarrowdesk starts with a new, empty database; the copies stay "
                                            "where they are. To restore one later, close Marrowdesk and run:\r\n    "
                                            "marrowdesk --restore FILE");
    if (sound.isEmpty()) {
        platform::msgBox(missing + QStringLiteral("\r\n\r\nNone of them is sound.") + emptyOne, platform::Buttons::Ok,
                         platform::Icon::Warning);
        return;
    }
    const Backup::SoundCopy &good = sound.first();
    const QString offer =
        missing +
        QStringLiteral("\r\n\r\nThe newest sound one is from %1 and holds %2 issues:\r\n    %3\r\n\r\nRestore "
                       "it now? If you choose No, ")
            .arg(QLocale().toString(good.copy.made, QLocale::ShortFormat),
                 good.issues < 0 ? QStringLiteral("an unknown number of") : QString::number(good.issues),
                 good.copy.path);
    if (platform::msgBox(offer + emptyOne.mid(4), platform::Buttons::YesNo, platform::Icon::Warning) !=
        platform::Answer::Yes)
        return;
    try {
        Backup::restore(good.copy.path, database);
        platform::msgBox(QStringLiteral("\"%1\" was restored as \"%2\".").arg(good.copy.path, database));
    } catch (const Error &error) {
        platform::msgBox(error.description() + emptyOne, platform::Buttons::Ok, platform::Icon::Warning);
    }
}
