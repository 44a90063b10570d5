#include "app/CalendarCommands.h"

#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/ICalendar.h"
#include "data/SharedConnection.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QDir>
#include <QMenu>

namespace CalendarCommands {

void add(MainWindow &window, QMenu &menu)
{
    auto *exportAction = new QAction(QStringLiteral("Exp&ort Calendar..."), &window);
    exportAction->setObjectName(QStringLiteral("exportCalendar"));
    QObject::connect(exportAction, &QAction::triggered, &window, [&window] { exportCalendar(window); });
    menu.addAction(exportAction);
}

void exportCalendar(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ExportCalendar"));
    const IssueListModel &model = *window.listModel();
    const platform::Answer listedOnly =
        platform::msgBox(QStringLiteral("Export only the %1 issues listed now?\r\nNo exports every issue, open and "
                                        "closed, that has a due date.")
                             .arg(model.rowCount()),
                         platform::Buttons::YesNo);
    const QString path =
        platform::saveFileName(QStringLiteral("Export Calendar"), QDir::homePath() + QStringLiteral("/issues.ics"),
                               QStringLiteral("iCalendar files (*.ics);;All files (*)"));
    if (path.isEmpty())
        return;
    std::optional<std::vector<qint64>> ids;
    if (listedOnly == platform::Answer::Yes) {
        ids.emplace();
        ids->reserve(static_cast<size_t>(model.rowCount()));
        for (int row = 0; row < model.rowCount(); ++row)
            ids->push_back(model.cell(row, IssueListModel::idColumn).toLongLong());
    }
    int written = 0;
    if (step(100, [&] { written = ICalendar::exportToFile(sharedConnection(), ids, path); }))
        platform::msgBox(QStringLiteral("%1 issues with a due date were exported to \"%2\".").arg(written).arg(path));
}

} // namespace CalendarCommands
