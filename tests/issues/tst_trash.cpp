// The trash: each kind of delete, from the editor's list buttons or from
// marrowdesk-sql, comes back whole with its IDs, after a restart too; a
// restore that cannot be whole restores nothing.

#include "EditorSession.h"

#include "data/Error.h"
#include "data/Trash.h"

#include <QProcess>
#include <QPushButton>

namespace {

// Every row of the five tables: what a delete and its undo must give back
// (the versions aside: a restored row comes back one version on).
QStringList everything()
{
    QStringList rows;
    for (const char *sql :
         {"select * from Issues order by ID", "select * from Contacts order by ID",
          "select 'S', Status from Status order by Status", "select 'C', Category from Categories order by Category",
          "select 'P', Priority from Priorities order by Priority"}) {
        Recordset rs;
        for (rs.Open(QLatin1String(sql), sharedConnection()); !rs.Eof(); rs.MoveNext()) {
            QStringList cells;
            for (int c = 0; c < rs.fieldCount(); ++c)
                if (rs.fieldName(c) != QLatin1String("Version"))
                    cells << (rs.field(c).isNull() ? QStringLiteral("<null>") : rs.field(c).toText());
            rows << cells.join(QLatin1Char('|'));
        }
    }
    return rows;
}

void reopen(EditorSession &session)
{
    releaseSharedConnection();
    session.database.open(createSharedConnection());
}

} // namespace

class TestTrash : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init() { s = std::make_unique<EditorSession>(); }
    void cleanup() { s.reset(); }

    void everyDeleteComesBackWhole_data()
    {
        QTest::addColumn<QString>("button"); // empty: the statement runs in marrowdesk-sql
        QTest::addColumn<QString>("value");  // the entry chosen, or the statement
        QTest::addColumn<int>("bulk");       // issues of status "Bulk" added first
        QTest::addColumn<QString>("command");
        QTest::addColumn<int>("issuesGone");
        QTest::newRow("status of 2 issues") << "PushButton8"
                                            << "Open" << 0 << "Delete Status" << 2;
        QTest::newRow("status of none") << "PushButton8"
                                        << "waiting" << 0 << "Delete Status" << 0;
        QTest::newRow("status of one closed") << "PushButton8"
                                              << "Closed" << 0 << "Delete Status" << 1;
        QTest::newRow("status of 100,000") << "PushButton8"
                                           << "Bulk" << 100000 << "Delete Status" << 100000;
        QTest::newRow("category") << "PushButton12"
                                  << "Hardware" << 0 << "Delete Category" << 2;
        QTest::newRow("priority") << "PushButton14"
                                  << "Low" << 0 << "Delete Priority" << 2;
        QTest::newRow("contact and its issues") << "PushButton4"
                                                << "Ann Archer" << 0 << "Delete Opened By contact" << 2;
        QTest::newRow("marrowdesk-sql") << QString() << "delete from Issues where Status <> 'Closed'" << 0
                                        << "marrowdesk-sql" << 3;
    }

    void everyDeleteComesBackWhole()
    {
        QFETCH(QString, button);
        QFETCH(QString, value);
        QFETCH(int, bulk);
        QFETCH(QString, command);
        QFETCH(int, issuesGone);
        if (bulk) {
            raw("insert into Status values ('Bulk')");
            raw(QStringLiteral("with recursive n(i) as (select 1 union all select i + 1 from n where i < %1) "
                               "insert into Issues (Title, [Assigned To], [Opened By], [Opened Date], Status, "
                               "Category, Priority, Comment) select 'bulk ' || i, 1, 2, '2021-08-31', 'Bulk', "
                               "'Software', 'Low', 'c' from n")
                    .arg(bulk));
        }
        const QStringList before = everything();
        if (button.isEmpty()) {
            QProcess shell;
            shell.start(QStringLiteral(MARROWDESK_BIN_DIR "/marrowdesk-sql"), {s->database.path(), value});
            QVERIFY(shell.waitForFinished(30000));
            QCOMPARE(shell.exitCode(), 0);
        } else {
            s->dialogs.answers << platform::Answer::Yes;
            s->open(QString(), [&](IssueEditor &form) {
                for (QComboBox *picker : form.findChildren<QComboBox *>())
                    if (picker->findText(value) >= 0)
                        picker->setCurrentIndex(picker->findText(value));
                form.findChild<QPushButton *>(button)->click();
            });
        }
        QCOMPARE(everything().size(), before.size() - issuesGone - (button.isEmpty() ? 0 : 1));

        reopen(*s); // an undo outlives the program
        const auto group = Trash::newest(sharedConnection());
        QVERIFY(group);
        QCOMPARE(group->command, command);
        QCOMPARE(group->issues, issuesGone);
        Trash::restore(sharedConnection(), group->id);
        QCOMPARE(everything(), before);
        Recordset counted; // every issue here was at version 1 when deleted
        counted.Open(QStringLiteral("select count(*) as N from Issues where Version = 2"), sharedConnection());
        QCOMPARE(counted.Fields(QStringLiteral("N")).toInteger(), qint64(issuesGone));
        QVERIFY(!Trash::newest(sharedConnection()));
    }

    void restoreThatCannotBeWholeRestoresNothing_data()
    {
        QTest::addColumn<QStringList>("deletes"); // the first is the group restored; each its own group
        QTest::addColumn<QStringList>("meanwhile");
        QTest::addColumn<QString>("refusal");
        const QString nothing = QStringLiteral(" Nothing was restored.");
        QTest::newRow("issue ID taken again")
            << QStringList{"delete from Issues where Title='C'"}
            << QStringList{"insert into Issues (ID, Title) values (3, 'newcomer')"}
            << "Issue 3 cannot come back: its ID is now held by the issue “newcomer”." + nothing;
        QTest::newRow("contact ID taken again")
            << QStringList{"delete from Contacts where ID=3"}
            << QStringList{"insert into Contacts (ID, [First Name], [Last Name]) values (3, 'Zed', 'Zane')"}
            << "Contact 3 cannot come back: its ID is now held by the contact “Zed Zane”." + nothing;
        QTest::newRow("cascade whose contact was deleted and added again")
            << QStringList{"delete from Issues where Category='Software'", "delete from Contacts where ID=5"}
            << QStringList{"insert into Contacts ([First Name], [Last Name]) values ('Di', 'Dunn')"}
            << "Issue 4 “D” names a contact that is no longer in the database. Restore the delete of that contact "
               "first (Deleted Items), or add the issue anew." +
                   nothing;
    }

    void restoreThatCannotBeWholeRestoresNothing()
    {
        QFETCH(QStringList, deletes);
        QFETCH(QStringList, meanwhile);
        QFETCH(QString, refusal);
        qint64 group = 0;
        for (const QString &statement : deletes) {
            sharedConnection().Execute(statement);
            if (!group)
                group = Trash::newest(sharedConnection())->id;
        }
        for (const QString &statement : meanwhile)
            raw(statement);
        const QStringList before = everything();
        const int groups = Trash::groups(sharedConnection()).size();
        try {
            Trash::restore(sharedConnection(), group);
            QFAIL("restored");
        } catch (const Refusal &refused) {
            QCOMPARE(refused.description(), refusal);
        }
        QCOMPARE(everything(), before);
        QCOMPARE(Trash::groups(sharedConnection()).size(), groups);
    }

private:
    std::unique_ptr<EditorSession> s;
};

QTEST_MAIN(TestTrash)
#include "tst_trash.moc"
