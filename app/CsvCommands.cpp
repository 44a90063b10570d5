#include "app/CsvCommands.h"

#include "app/CsvDialogs.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/ActivityExport.h"
#include "data/Error.h"
#include "data/FileUtil.h"
#include "data/IssueExchange.h"
#include "data/SharedConnection.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QMenu>

namespace CsvCommands {
namespace {

const QString csvFilter = QStringLiteral("CSV files (*.csv *.txt);;All files (*)");

} // namespace

void add(MainWindow &window, QMenu &menu)
{
    auto *exportAction = new QAction(QStringLiteral("E&xport to CSV..."), &window);
    auto *importAction = new QAction(QStringLiteral("I&mport from CSV..."), &window);
    QObject::connect(exportAction, &QAction::triggered, &window, [&window] { exportIssues(window); });
    QObject::connect(importAction, &QAction::triggered, &window, [&window] { importIssues(window); });
    window.addActions({exportAction, importAction});
    menu.addSeparator();
    menu.addActions({exportAction, importAction});
}

void exportIssues(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ExportCsv"));
    const IssueListModel &model = *window.listModel();
    CsvExportDialog choice(model.rowCount(), &window);
    step(100, [&] { platform::dialogs().showModal(choice); });
    if (choice.result() != QDialog::Accepted)
        return;
    const QString path = platform::saveFileName(QStringLiteral("Export to CSV"),
                                                QDir::homePath() + QStringLiteral("/issues.csv"), csvFilter);
    if (path.isEmpty())
        return;

    std::optional<std::vector<qint64>> ids;
    if (!choice.allIssues()) {
        ids.emplace();
        ids->reserve(static_cast<size_t>(model.rowCount()));
        for (int row = 0; row < model.rowCount(); ++row)
            ids->push_back(model.cell(row, IssueListModel::idColumn).toLongLong());
    }
    int written = 0;
    int entries = 0;
    const QString activityPath = ActivityExport::pathBeside(path);
    const bool done = step(102, [&] {
        // The history's dates go into the file while the list shows them.
        written = writeAside(path, [&](QIODevice &file) {
            return IssueExchange::exportIssues(sharedConnection(), ids, file, choice.byteOrderMark(),
                                               window.historyColumns().any());
        });
        if (choice.withActivity())
            entries = writeAside(activityPath, [&](QIODevice &file) {
                return ActivityExport::write(sharedConnection(), ids, file, choice.byteOrderMark());
            });
    });
    if (!done)
        return;
    QString told = QStringLiteral("%1 issues were exported to \"%2\".").arg(written).arg(path);
    if (choice.withActivity())
        told += QStringLiteral(" Their notes and history (%1 entries) were written to \"%2\".")
                    .arg(entries)
                    .arg(activityPath);
    platform::msgBox(told);
}

void importIssues(MainWindow &window)
{
    ErrorBlock step(ErrorBlock::location("Form1", "ImportCsv"));
    const QString path = platform::dialogs().fileName(platform::FileAction::Open, QStringLiteral("Import from CSV"),
                                                      QDir::homePath(), csvFilter);
    if (path.isEmpty())
        return;
    IssueExchange::Existing existing;
    if (!step(100, [&] { existing = IssueExchange::readExisting(sharedConnection()); }))
        return;
    // The file is read and planned as it streams in, and read again for
    // another choice of columns: it is never held whole. Rows that match
    // issues already there are skipped until the user says otherwise.
    Csv::Latin1 latin1 = Csv::Latin1::Refuse;
    const auto planWith = [&](const std::optional<IssueExchange::Mapping> &mapping,
                              IssueExchange::Matching matching = IssueExchange::Matching::Skip) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Error(QStringLiteral("The file \"%1\" could not be read: %2").arg(path, file.errorString()));
        CsvReadProgress progress(path, &window);
        return IssueExchange::planFile(
            file, latin1, mapping, existing, [&](qint64 done, qint64 total) { return progress.report(done, total); },
            QLocale(), matching);
    };
    std::optional<IssueExchange::FilePlan> file;
    if (!step(102,
              [&] {
                  try {
                      file = planWith(std::nullopt);
                  } catch (const Csv::NotUtf8 &notUtf8) {
                      const auto answer = platform::msgBox(
                          notUtf8.description() + QStringLiteral("\r\nRead it as Latin-1 (ISO 8859-1) instead?"),
                          platform::Buttons::YesNo, platform::Icon::Warning);
                      if (answer != platform::Answer::Yes)
                          return;
                      latin1 = Csv::Latin1::Convert;
                      file = planWith(std::nullopt);
                  }
              }) ||
        !file)
        return;
    if (file->plan.issues.isEmpty() && file->plan.refusals.isEmpty() && file->plan.matchingLines.isEmpty()) {
        platform::msgBox(QStringLiteral("The file \"%1\" holds no issues: a line of headings and one line per "
                                        "issue are expected.")
                             .arg(path));
        return;
    }

    const auto replan = [&](const IssueExchange::Mapping &mapping, IssueExchange::Matching matching) {
        std::optional<IssueExchange::Plan> plan;
        ErrorBlock again(ErrorBlock::location("Form1", "ImportCsv"));
        again(104, [&] {
            if (auto planned = planWith(mapping, matching))
                plan = std::move(planned->plan);
        });
        return plan;
    };
    CsvImportDialog preview(std::move(*file), replan);
    file.reset();
    step(106, [&] { platform::dialogs().showModal(preview); });
    if (preview.result() != QDialog::Accepted)
        return;
    IssueExchange::Counts counts;
    const bool imported = step(108, [&] { counts = IssueExchange::apply(sharedConnection(), preview.plan()); });
    step(110, [&] { window.refillList(); });
    if (imported) {
        QString done = QStringLiteral("%1 issues were imported, with %2 new contacts and %3 new list values; %4 "
                                      "rows were refused.")
                           .arg(counts.issues)
                           .arg(counts.contacts)
                           .arg(counts.values)
                           .arg(preview.plan().refusals.size());
        if (preview.skipsMatching() && !preview.plan().matchingLines.isEmpty())
            done += QStringLiteral(" %1 rows that match issues already there were skipped.")
                        .arg(preview.plan().matchingLines.size());
        platform::msgBox(done);
    }
}

} // namespace CsvCommands
