#include "app/Shutdown.h"

#include "app/MainWindow.h"
#include "app/MainWindowSettings.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/SharedConnection.h"
#include "platform/ErrorBlock.h"

#include <QCoreApplication>

#include <algorithm>

void Shutdown::query(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "Form_QueryUnload"));

    // The widths and the state are written together at 106, so that a store
    // that cannot be written is reported once.
    QList<MainWindowSettings::Entry> settings;
    int columns = 0;
    // The ten columns' widths: the history's date columns keep none.
    step(100, [&] { columns = std::min(window.listModel()->columnCount(), IssueListModel::maxColumns); });
    for (int i = 1; i <= columns; ++i) {
        step(102,
             [&] { settings.append(MainWindowSettings::columnWidthEntry(i - 1, window.columnWidthTwips(i - 1))); });
        // 104: next i
    }
    step(106, [&] {
        settings.append(MainWindowSettings::windowStateEntry(MainWindow::windowStateNumber(window.windowState())));
        MainWindowSettings::save(settings);
    });
    step(108, [&] {
        if (sharedConnection().State() != 0)
            sharedConnection().Close();
    });
    step(110, [&] { releaseSharedConnection(); });
    step(112, [&] { QCoreApplication::processEvents(); });
    step(114, [&] { QCoreApplication::processEvents(); });
}
