#include "app/TrashCommands.h"

#include "app/DeletedItemsWindow.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/Trash.h"
#include "data/WallClock.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/SettingsStore.h"

#include <QAction>
#include <QCryptographicHash>
#include <QFileInfo>
#include <QMenu>

TrashCommands::TrashCommands(MainWindow *window) : QObject(window), m_window(window)
{
    auto *deleted = new QAction(QStringLiteral("Deleted I&tems..."), window);
    deleted->setObjectName(QStringLiteral("deletedItems"));
    connect(deleted, &QAction::triggered, this, &TrashCommands::showDeletedItems);
    // Beside Undo (app/UndoCommands), which undoes the last delete from here.
    if (auto *menu = window->findChild<QMenu *>(QStringLiteral("listMenu"))) {
        menu->addSeparator();
        menu->addAction(deleted);
    }
}

namespace {

// The trash clock's reading is kept per database file: each file's groups
// were numbered by its own history.
QString trashClockKey()
{
    const QByteArray path = QFileInfo(DataFile::databasePath()).absoluteFilePath().toUtf8();
    return QStringLiteral("TrashClock/") +
           QString::fromLatin1(QCryptographicHash::hash(path, QCryptographicHash::Sha256).toHex().left(24));
}

} // namespace

void TrashCommands::purgeExpired()
{
    try {
        if (!hasSharedConnection() || sharedConnection().State() != 1)
            return;
        Connection &connection = sharedConnection();
        if (connection.isShared()) {
            Trash::purgeOlderThan(connection, QDateTime::currentDateTimeUtc().addDays(-Trash::keptDays));
            return;
        }
        const QString key = trashClockKey();
        const auto previous = TrashClock::fromText(platform::readSetting(key, QString()));
        const TrashClock::Reading reading = Trash::readClock(connection, previous, WallClock::nowMicros());
        // Kept before anything is purged: a store that cannot be written
        // throws, and then nothing goes.
        platform::saveSetting(key, TrashClock::toText(reading));
        if (TrashClock::mayPurge(previous))
            Trash::purgeExpired(connection, reading);
    } catch (const Error &) {
    }
}

void TrashCommands::undoLastDelete()
{
    ErrorBlock step(ErrorBlock::location("Form1", "UndoDelete"));
    std::optional<Trash::Group> last;
    if (!step(100, [&] { last = Trash::newest(sharedConnection()); }))
        return;
    if (!last) {
        platform::msgBox(QStringLiteral("There is no delete to undo."));
        return;
    }
    QList<qint64> issues;
    if (!step(102, [&] { issues = Trash::restore(sharedConnection(), last->id); }))
        return;
    step(104, [&] { showIssues(issues); });
}

void TrashCommands::showDeletedItems()
{
    ErrorBlock step(ErrorBlock::location("Form1", "DeletedItems"));
    DeletedItemsWindow window(m_window);
    step(100, [&] { platform::dialogs().showModal(window); });
    step(102, [&] { showIssues(window.restoredIssues()); });
}

void TrashCommands::showIssues(const QList<qint64> &issues)
{
    m_window->refillList();
    if (!issues.isEmpty())
        m_window->selectRow(m_window->listModel()->rowOfFirstCell(QString::number(issues.first())));
}
