// The main window's CSV commands end to end: the listed issues (the find
// bar and the closed issues toggle respected) exported through the file
// chooser, and the file imported back through the preview.

#include "MainWindowFixture.h"

#include "app/CsvDialogs.h"
#include "app/FilterBar.h"
#include "app/list/IssueSearch.h"
#include "data/Csv.h"
#include "data/Recordset.h"
#include "tests/support/MainWindowControls.h"

#include <QAction>
#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>

using namespace form1test;

namespace {

void trigger(MainWindow &form, const QString &text)
{
    for (QAction *action : form.contextMenu()->actions())
        if (action->text() == text) {
            action->trigger();
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no command %1").arg(text)));
}

} // namespace

class TestCsvCommands : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void listedIssuesGoOutAndComeBack();
};

void TestCsvCommands::listedIssuesGoOutAndComeBack()
{
    freshMachine();
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> form = started();
    addContact(1, QStringLiteral("Ann"), QStringLiteral("Lee"));
    addIssue(1, "'Printer jams'", "'8/1/2021'", "'Open'", "'8/9/2021'", "'=HYPERLINK(\"x\")'");
    addIssue(2, "'Printer smokes'", "'8/2/2021'", "'Closed'");
    addIssue(3, "'VPN drops'", "'8/3/2021'", "'Open'");
    addIssue(4, "'Printer toner'", "'8/4/2021'", "'Open'");
    form->refillList();
    ui(*form).findBox->setText(QStringLiteral("printer"));
    form->listSearch()->waitUntilApplied();
    form->sortByColumn(1);
    form->sortByColumn(1); // Title, descending: the file keeps the list's order

    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("listed.csv"));
    dialogs.modalScripts.append([](QDialog &window) { window.accept(); });
    dialogs.fileNames.append(path);
    trigger(*form, QStringLiteral("E&xport to CSV..."));
    QCOMPARE(dialogs.errorBoxes().size(), 0);
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadOnly));
    const Csv::Document written = Csv::read(file.readAll());
    QVERIFY(written.byteOrderMark);
    QCOMPARE(written.records.size(), 3); // the headings, issues 1 and 4
    QCOMPARE(written.records[0].first(), QStringLiteral("Issued ID"));
    QCOMPARE(written.records[1].mid(0, 2), (QStringList{"4", "Printer toner"}));
    QCOMPARE(written.records[2].mid(0, 2), (QStringList{"1", "Printer jams"}));
    QCOMPARE(written.records[2][4], QStringLiteral("2021-08-01"));
    QCOMPARE(written.records[2][9], QStringLiteral("'=HYPERLINK(\"x\")"));
    QCOMPARE(dialogs.boxes.last().text, QStringLiteral("2 issues were exported to \"%1\".").arg(path));
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("listed-activity.csv"))));

    // Asked for, their notes and history go to a second file beside it.
    sharedConnection().Execute(QStringLiteral("insert into Notes ([Issue ID], Text) values (4, 'Ordered more')"));
    dialogs.modalScripts.append([](QDialog &window) {
        window.findChild<QCheckBox *>(QStringLiteral("activityBox"))->setChecked(true);
        window.accept();
    });
    dialogs.fileNames.append(path);
    trigger(*form, QStringLiteral("E&xport to CSV..."));
    const QString activityPath = folder.filePath(QStringLiteral("listed-activity.csv"));
    QFile activityFile(activityPath);
    QVERIFY(activityFile.open(QIODevice::ReadOnly));
    const Csv::Document activity = Csv::read(activityFile.readAll());
    QCOMPARE(activity.records.size(), 4); // the headings; 4 added, noted; 1 added
    QCOMPARE(activity.records[2].mid(0, 2), (QStringList{"4", "note added"}));
    QCOMPARE(activity.records[2][4], QStringLiteral("Ordered more"));
    QCOMPARE(dialogs.boxes.last().text,
             QStringLiteral("2 issues were exported to \"%1\". Their notes and history (3 entries) were written to "
                            "\"%2\".")
                 .arg(path, activityPath));

    // The preview imports the comments as titles: the title column, which
    // filled that field, is left out.
    QString summary;
    IssueExchange::Mapping mapping;
    dialogs.modalScripts.append([&](QDialog &window) {
        auto &preview = static_cast<CsvImportDialog &>(window);
        preview.setColumnField(9, IssueExchange::Field::Title);
        mapping = preview.mapping();
        summary = preview.summary();
        window.accept();
    });
    dialogs.fileNames.append(path);
    trigger(*form, QStringLiteral("I&mport from CSV..."));
    QCOMPARE(dialogs.errorBoxes().size(), 0);
    QVERIFY(!mapping[1]);
    QCOMPARE(mapping[9], std::optional(IssueExchange::Field::Title));
    // The issues were written straight into the table, so their values are
    // in no list yet.
    QCOMPARE(summary, QStringLiteral("2 issues would be imported.\n\nNew statuses (1):\n  Open\n\nNew categories "
                                     "(1):\n  Bug\n\nNew priorities (1):\n  High"));
    QCOMPARE(dialogs.boxes.last().text,
             QStringLiteral("2 issues were imported, with 0 new contacts and 3 new list values; 0 rows were refused."));
    Recordset titles;
    titles.Open(QStringLiteral("select Title from Issues where ID > 4 order by ID"), sharedConnection());
    QCOMPARE(titles.field(0, 0).toTextOrEmpty(), QString());
    QCOMPARE(titles.field(1, 0).toTextOrEmpty(), QStringLiteral("=HYPERLINK(\"x\")"));

    // The same file again, as it was exported: both rows match the issues
    // they came from and are skipped, unless the user says otherwise.
    QStringList summaries;
    dialogs.modalScripts.append([&](QDialog &window) {
        auto &preview = static_cast<CsvImportDialog &>(window);
        summaries << preview.summary();
        preview.setSkipsMatching(false);
        summaries << preview.summary().section(QLatin1Char('\n'), 0, 2);
        preview.setSkipsMatching(true);
        window.accept();
    });
    dialogs.fileNames.append(path);
    trigger(*form, QStringLiteral("I&mport from CSV..."));
    QCOMPARE(summaries,
             (QStringList{"0 issues would be imported.\n\n2 rows match issues already there (same title, opened date "
                          "and opener) and would be skipped: lines 2, 3.",
                          "2 issues would be imported.\n\n2 rows match issues already there (same title, opened date "
                          "and opener) and would be imported again: lines 2, 3."}));
    QCOMPARE(dialogs.boxes.last().text,
             QStringLiteral("0 issues were imported, with 0 new contacts and 0 new list values; 0 rows were refused. 2 "
                            "rows that match issues already there were skipped."));
    Recordset count;
    count.Open(QStringLiteral("select Count(*) from Issues"), sharedConnection());
    QCOMPARE(count.field(0, 0).toInteger(), 6);
}

QTEST_MAIN(TestCsvCommands)
#include "tst_csvcommands.moc"
