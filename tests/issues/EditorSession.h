#pragma once
// What the issue editor's tests share: a fresh database as the shared
// connection with five contacts, three value lists and four issues, the
// scripted dialogs, and the editor shown through the dialogs seam.

#include "data/Connection.h"
#include "data/Recordset.h"
#include "data/SharedConnection.h"
#include "issues/ContactPicker.h"
#include "issues/IssueEditor.h"
#include "tests/support/ScriptedDialogs.h"
#include "tests/support/TestDatabase.h"
#include "tests/support/WindowControls.h"

#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QTest>

#include <sqlite3.h>

#include <functional>

// Runs SQL outside the program's dialect (triggers, odd values).
inline void raw(const QString &sql)
{
    if (sqlite3_exec(sharedConnection().handle(), sql.toUtf8().constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
        QFAIL(sqlite3_errmsg(sharedConnection().handle()));
}

// The first column of every row of a query, as text.
inline QStringList column(const QString &sql)
{
    QStringList values;
    Recordset rs;
    for (rs.Open(sql, sharedConnection()); !rs.Eof(); rs.MoveNext())
        values << rs.field(0).toTextOrEmpty();
    return values;
}

inline QStringList items(const QComboBox *picker)
{
    QStringList texts;
    for (int i = 0; i < picker->count(); ++i)
        texts << picker->itemText(i);
    return texts;
}

inline void choose(QComboBox *picker, const QString &text)
{
    picker->setCurrentIndex(picker->findText(text));
    QVERIFY2(picker->currentIndex() >= 0, qPrintable(text));
}

inline qint64 newestIssue()
{
    return column(QStringLiteral("select Max(ID) from Issues")).value(0).toLongLong();
}

// A title and every choice Save asks for.
inline void fillAll(IssueEditor &form)
{
    ui(form).titleBox->setText(QStringLiteral("Printer"));
    choose(ui(form).assignedToPicker, QStringLiteral("Ann Archer"));
    choose(ui(form).openedByPicker, QStringLiteral("Bob Brown"));
    choose(ui(form).statusPicker, QStringLiteral("Open"));
    choose(ui(form).categoryPicker, QStringLiteral("Hardware"));
    choose(ui(form).priorityPicker, QStringLiteral("High"));
}

inline QStringList texts(const QList<ScriptedDialogs::Box> &boxes)
{
    QStringList result;
    for (const ScriptedDialogs::Box &box : boxes)
        result << box.text;
    return result;
}

// "in Pellucid2021/08/31.Form2.X at line N" of an error box.
inline QString place(const ScriptedDialogs::Box &box)
{
    const int line = box.text.lastIndexOf(QLatin1String("\r\nin Pellucid"));
    return line < 0 ? QString() : box.text.mid(line + 2).section(QLatin1Char('\r'), 0, 0);
}

class EditorSession {
public:
    // Contacts by ID: 1 Cy Cole, 2 Ann Archer, 3 Ed Eel, 4 Bob Brown, 5 Di Dunn.
    // Issues (assigned, opened, status, category, priority):
    // A (2, 1, Open, Hardware, High), B (1, 2, Closed, Hardware, Low),
    // C (3, 4, Open, Software, High), D (5, 3, Won't fix, Software, Low).
    EditorSession()
    {
        database.open(createSharedConnection());
        for (const char *sql :
             {"insert into Contacts ([First Name],[Last Name]) values ('Cy','Cole')",
              "insert into Contacts ([First Name],[Last Name]) values ('Ann','Archer')",
              "insert into Contacts ([First Name],[Last Name]) values ('Ed','Eel')",
              "insert into Contacts ([First Name],[Last Name]) values ('Bob','Brown')",
              "insert into Contacts ([First Name],[Last Name]) values ('Di','Dunn')",
              "insert into [Status] values ('Open')", "insert into [Status] values ('waiting')",
              "insert into [Status] values ('Closed')", "insert into [Status] values ('Won''t fix')",
              "insert into [Categories] values ('Software')", "insert into [Categories] values ('Hardware')",
              "insert into [Priorities] values ('Low')", "insert into [Priorities] values ('High')"})
            sharedConnection().Execute(QLatin1String(sql));
        addIssue("A", 2, 1, "Open", "Hardware", "High", "old");
        addIssue("B", 1, 2, "Closed", "Hardware", "Low", "old");
        addIssue("C", 3, 4, "Open", "Software", "High", "old");
        addIssue("D", 5, 3, "Won''t fix", "Software", "Low", "old");
    }

    ~EditorSession() { releaseSharedConnection(); }

    // Opened 2021-08-31, due 2021-09-15; returns the new ID.
    static qint64 addIssue(const QString &title, int assignedTo, int openedBy, const QString &status,
                           const QString &category, const QString &priority, const QString &comment)
    {
        sharedConnection().Execute(
            QStringLiteral("insert into Issues (Title,[Assigned To],[Opened By],[Opened Date],Status,Category,"
                           "Priority,Comment,[Due Date]) values ('%1',%2,%3,'2021-08-31','%4','%5','%6','%7',"
                           "'2021-09-15')")
                .arg(title)
                .arg(assignedTo)
                .arg(openedBy)
                .arg(status, category, priority, comment));
        return sharedConnection().lastInsertedId();
    }

    // Shows the editor through the dialogs seam and runs the script while it
    // is open; afterwards stillOpen tells whether the window stayed open.
    void open(const QString &id, const std::function<void(IssueEditor &)> &script)
    {
        IssueEditor form;
        form.issueId = id;
        form.setWindowTitle(id.isEmpty() ? QStringLiteral("Add New Issue") : QStringLiteral("Edit Data"));
        // First in the queue: windows the script opens take the scripts after it.
        dialogs.modalScripts.prepend([&](QDialog &window) {
            window.show();
            QApplication::setActiveWindow(&window);
            script(form);
            stillOpen = window.isVisible();
        });
        platform::dialogs().showModal(form);
    }

    TestDatabase database;
    ScriptedDialogs dialogs;
    bool stillOpen = false;
};
