#include "app/StartUp.h"

#include "app/DamagedStart.h"
#include "app/DataAccessCheck.h"
#include "app/MainWindow.h"
#include "app/MainWindowSettings.h"
#include "app/MissingDatabase.h"
#include "app/TrashCommands.h"
#include "app/list/IssueListModel.h"
#include "data/Backup.h"
#include "data/Connection.h"
#include "data/DataFile.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "data/IssueExchange.h"
#include "data/SharedConnection.h"
#include "platform/Appearance.h"
#include "platform/ApplicationTitle.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "platform/HandPointer.h"
#include "platform/ProgramEnd.h"
#include "platform/ServerWaitProgress.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QFileInfo>
#include <QPushButton>
#include <QTreeView>

namespace {

// Copies the database aside once a day before anything can write to it. A
// copy that cannot be made is told to the user, and start-up goes on: the
// database itself is never touched. A database that cannot be read at all
// is found on every start, the day's copy made or not.
void keepDailyBackup()
{
    // A server keeps its own backups (pg_dump, pg_basebackup): there is no
    // file here to copy.
    if (DataFile::onServer())
        return;
    if (offerRestoreWhenUnreadable(DataFile::databasePath()))
        return;
    try {
        Backup::makeDailyCopy(DataFile::databasePath());
    } catch (const Backup::DamagedDatabase &damaged) {
        offerRestore(DataFile::databasePath(), damaged.description());
    } catch (const Error &error) {
        platform::msgBox(error.description() + QStringLiteral("\r\n\r\nMarrowdesk goes on without today's backup."));
    }
}

// Opens the shared connection. A server that cannot be reached, or that
// refuses the login, is the user's to mend, not a fault of the program: a
// plain message says what to check and offers Retry and another database
// until one opens; Quit ends the program.
void openDatabase()
{
    for (;;) {
        try {
            sharedConnection().Open(DataFile::connectionString());
            return;
        } catch (const Refusal &refused) {
            if (!DataFile::onServer())
                throw;
            const platform::Answer answer = platform::msgBox(
                refused.description() + QStringLiteral("\r\n\r\nRetry once it is mended, or choose another database."),
                platform::Buttons::RetryOrChooseDatabase, platform::Icon::Warning);
            if (answer == platform::Answer::Ok) {
                platform::endProgram(1);
                throw;
            }
            if (answer == platform::Answer::No) {
                const QString other = platform::dialogs().input(
                    QStringLiteral("The database to open: a server's address (postgresql://HOST/DATABASE) or a "
                                   "database file."),
                    QString::fromLatin1(platform::productName), DataFile::connectionString());
                if (!other.trimmed().isEmpty())
                    DataFile::useDatabase(ConnectionText::namesServer(other)
                                              ? other.trimmed()
                                              : QFileInfo(other.trimmed()).absoluteFilePath());
            }
        }
    }
}

} // namespace

void StartUp::run(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "Form_Load"));

    recoverMissingDatabase();
    DataFile::prepare(step); // 100 to 110: the data folder and the database file
    keepDailyBackup();
    // A settings file that cannot be read is told before its defaults apply.
    if (const QString problem = platform::checkSettingsStore(); !problem.isEmpty())
        platform::msgBox(problem);

    step(112, [&] { ApplySkin(window); });

    HandPointer::applyInSteps(step, 114, window, window.commandButtons(), {&window, window.listView()});

    step(118, [&] { checkDataAccess(); });

    step(120, [&] {
        window.setWindowTitle(QString::fromLatin1(platform::productName));
        window.setWindowIcon(QApplication::windowIcon());
        SetAppTitle();
    });

    // The server's limits, and the windows kept alive while it is waited on.
    platform::followServerWaits();
    step(122, [&] { createSharedConnection(); });
    step(124, [&] { openDatabase(); });
    if (const QString repaired = sharedConnection().repairNotice(); !repaired.isEmpty())
        platform::msgBox(repaired);
    TrashCommands::purgeExpired();
    // On a team's server: the list follows the other users' changes.
    window.followServer();

    // The ten columns, captioned as an exported file heads them.
    IssueListModel &model = *window.listModel();
    for (int column = 0; column < IssueListModel::maxColumns; ++column)
        step(126 + 2 * column,
             [&] { model.addColumn(IssueExchange::caption(static_cast<IssueExchange::Field>(column))); });

    step(146, [&] { window.setColumnWidthTwips(0, MainWindowSettings::readColumnWidth(0)); });
    int columns = 0;
    step(148, [&] { columns = model.columnCount(); });
    for (int i = 2; i <= columns; ++i) {
        step(150, [&] { window.setColumnWidthTwips(i - 1, MainWindowSettings::readColumnWidth(i - 1)); });
        // 152: next i
    }

    // Before the view: its sort may be by one of the history's columns.
    window.setHistoryColumns(MainWindowSettings::readHistoryColumns());
    window.applyView(MainWindowSettings::readView());
    window.setDetailPane(MainWindowSettings::readPane());
    step(154, [&] { window.refillList(); });

    window.setNormalGeometryTwips(MainWindowSettings::readNormalGeometry());
    step(156, [&] { window.setWindowStateNumber(MainWindowSettings::readWindowState()); });

    bool normal = true;
    step(158, [&] { normal = MainWindow::windowStateNumber(window.windowState()) == 0; });
    if (normal)
        step(160, [&] { window.setMaximizedLayoutFlag(false); });
    else
        step(162, [&] { window.setMaximizedLayoutFlag(true); });
}
