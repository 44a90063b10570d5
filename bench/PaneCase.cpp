// The detail pane: selecting an issue with a long story (1,000 history
// entries and 200 notes) until the pane has painted it.

#include "BenchData.h"
#include "Cases.h"
#include "Harness.h"

#include "app/DetailPane.h"
#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/IssueHistory.h"
#include "data/SharedConnection.h"
#include "data/Transaction.h"

#include <QCoreApplication>
#include <QTextBrowser>

#include <memory>

namespace Bench {
namespace {

// A database of two issues: issue 1 changed 1,000 times with 200 notes,
// issue 2 with nothing but its insert.
QString storyDatabase(const Run &run)
{
    const QString path = freshCopy(BenchData::emptyDatabase(run.folder), run.folder + QStringLiteral("/pane.mdb"));
    Connection connection;
    connection.Open(ConnectionText::dataSource(path));
    Transaction together(connection);
    connection.Execute(QStringLiteral("insert into Contacts (ID,[First Name],[Last Name]) values (1,'Ada','Lane')"));
    for (int id = 1; id <= 2; ++id)
        connection.Execute(QStringLiteral("insert into Issues (ID,Title,[Assigned To],[Opened By],[Opened Date],"
                                          "Status,Category,Priority) values (%1,'Printer jams',1,1,'8/1/2021','Open',"
                                          "'Bug','High')")
                               .arg(id));
    for (int change = 0; change < 1000; ++change)
        connection.Execute(
            change % 2 ? QStringLiteral("update Issues set Title='Printer jams, take %1' where ID=1").arg(change)
                       : QStringLiteral("update Issues set [Due Date]='1/%1/2027' where ID=1").arg(change % 28 + 1));
    for (int note = 0; note < 200; ++note)
        IssueHistory::addNote(connection, 1,
                              QStringLiteral("Note %1: called the vendor, see https://example.org/case/%1 and "
                                             "write to desk@example.org if it jams again.")
                                  .arg(note));
    together.commit();
    connection.Close();
    return path;
}

} // namespace

void paneCase(const Run &run)
{
    const QString database = storyDatabase(run);
    useDataHome(run.folder + QStringLiteral("/pane-home"), database);
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    form->setDetailPane({true, false});
    form->show();
    waitPainted(form.get());
    IssueListModel &model = *form->listModel();
    auto *view = form->findChild<QTextBrowser *>(QStringLiteral("detailText"));
    const auto select = [&](const char *id) {
        form->selectRow(model.rowOfFirstCell(QLatin1String(id)));
        return waitPainted(view->viewport());
    };
    const double ms = Harness::medianOf(
        [&] {
            select("2");
            return Harness::timedMs([&] { select("1"); });
        },
        run.runs(1000), 2);
    Harness::limit(QStringLiteral("detail pane: an issue with 1,000 history entries and 200 notes, selection to paint"),
                   ms, 30, QStringLiteral("ms"));
    form.reset();
    releaseSharedConnection();
}

} // namespace Bench
