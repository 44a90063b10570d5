#include "app/MissingDatabase.h"

#include "data/Backup.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "platform/Dialogs.h"

#include <QFileInfo>
#include <QLocale>

#include <algorithm>

namespace {

// The backups and set-aside files, newest made first.
QList<Backup::Copy> copiesOf(const QString &databasePath)
{
    QList<Backup::Copy> all = Backup::copies(databasePath) + Backup::setAside(databasePath);
    std::stable_sort(all.begin(), all.end(),
                     [](const Backup::Copy &a, const Backup::Copy &b) { return a.made > b.made; });
    return all;
}

QString listed(const QList<Backup::Copy> &copies)
{
    QString text;
    for (const Backup::Copy &copy : copies)
        text += QStringLiteral("\r\n    %1%2").arg(copy.path, copy.sound ? QString() : QStringLiteral(" (not sound)"));
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
    QList<Backup::Copy> copies = copiesOf(database);
    if (copies.isEmpty())
        return;
    for (Backup::Copy &copy : copies)
        copy.sound = copy.sound && Backup::problemWith(copy.path).isEmpty();
    const QString missing =
        QStringLiteral("The database \"%1\" is missing, but copies of it are there:").arg(database) + listed(copies);
    const QString emptyOne = QStringLiteral("\r\n\r\nMarrowdesk starts with a new, empty database; the copies stay "
                                            "where they are. To restore one later, close Marrowdesk and run:\r\n    "
                                            "marrowdesk --restore FILE");
    const auto good = std::find_if(copies.cbegin(), copies.cend(), [](const Backup::Copy &copy) { return copy.sound; });
    if (good == copies.cend()) {
        platform::msgBox(missing + QStringLiteral("\r\n\r\nNone of them is sound.") + emptyOne, platform::Buttons::Ok,
                         platform::Icon::Warning);
        return;
    }
    const int issues = Backup::issueCount(good->path);
    const QString offer =
        missing +
        QStringLiteral("\r\n\r\nThe newest sound one is from %1 and holds %2 issues:\r\n    %3\r\n\r\nRestore "
                       "it now? If you choose No, ")
            .arg(QLocale().toString(good->made, QLocale::ShortFormat),
                 issues < 0 ? QStringLiteral("an unknown number of") : QString::number(issues), good->path);
    if (platform::msgBox(offer + emptyOne.mid(4), platform::Buttons::YesNo, platform::Icon::Warning) !=
        platform::Answer::Yes)
        return;
    try {
        Backup::restore(good->path, database);
        platform::msgBox(QStringLiteral("\"%1\" was restored as \"%2\".").arg(good->path, database));
    } catch (const Error &error) {
        platform::msgBox(error.description() + emptyOne, platform::Buttons::Ok, platform::Icon::Warning);
    }
}
