#pragma once
// Helpers for the main window's tests: a clean first run, a started window,
// issues written straight into its database, and the error boxes' lines.

#include "app/MainWindow.h"
#include "app/list/IssueListModel.h"
#include "data/Connection.h"
#include "data/FileUtil.h"
#include "data/SharedConnection.h"
#include "platform/ApplicationTitle.h"
#include "platform/ProgramEnd.h"
#include "support/ScriptedDialogs.h"
#include "support/TestDatabase.h"

#include <QDir>
#include <QSettings>

#include <memory>

namespace form1test {

inline int &programEnds()
{
    static int ends = 0;
    return ends;
}

// No settings, no data folder, the template beside the program, no
// connection: the machine of a first run.
inline void freshMachine()
{
    QSettings store(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Tamberlyn"),
                    QStringLiteral("Marrowdesk"));
    store.clear();
    store.sync();
    QDir(SpecialFolderPath(CSIDL_COMMON_APPDATA) + QStringLiteral("/Tamberlyn")).removeRecursively();
    installTemplateBesideProgram();
    releaseSharedConnection();
    platform::setApplicationTitle(QString::fromLatin1(platform::productName));
    platform::setEndProgramHandler([](int) { ++programEnds(); });
}

inline std::unique_ptr<MainWindow> started()
{
    auto form = std::make_unique<MainWindow>();
    form->startUp();
    return form;
}

inline void execute(const QString &statement)
{
    sharedConnection().Execute(statement);
}

inline void addContact(int id, const QString &first, const QString &last)
{
    execute(QStringLiteral("insert into Contacts (ID,[First Name],[Last Name]) values (%1,'%2','%3')")
                .arg(id)
                .arg(first, last));
}

// Values are SQL text: 'quoted', or Null.
inline void addIssue(int id, const QString &title, const QString &opened, const QString &status,
                     const QString &due = QStringLiteral("Null"), const QString &comment = QStringLiteral("Null"),
                     int assignedTo = 1)
{
    execute(QStringLiteral("insert into Issues (ID,Title,[Assigned To],[Opened By],[Opened Date],Status,Category,"
                           "Priority,Comment,[Due Date]) values (%1,%2,%3,1,%4,%5,'Bug','High',%6,%7)")
                .arg(id)
                .arg(title)
                .arg(assignedTo)
                .arg(opened, status, comment, due));
}

inline QStringList shownIds(const MainWindow &form)
{
    QStringList ids;
    for (int row = 0; row < form.listModel()->rowCount(); ++row)
        ids.append(form.listModel()->cell(row, 0));
    return ids;
}

// Each error box's location line, without "in Pellucid2021/08/31.Form1.":
// "ListData at line 110".
inline QStringList errorLines(const ScriptedDialogs &dialogs)
{
    QStringList lines;
    for (const ScriptedDialogs::Box &box : dialogs.errorBoxes())
        lines.append(box.text.section(QStringLiteral("\r\n"), 1)
                         .section(QLatin1Char('\r'), 0, 0)
                         .remove(QStringLiteral("in Pellucid2021/08/31.Form1.")));
    return lines;
}

} // namespace form1test
