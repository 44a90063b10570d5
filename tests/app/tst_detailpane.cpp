// The detail pane and undo of edits: what the pane shows of an issue, its
// notes and its activity; adding a note; Ctrl+Z over every kind of change;
// restoring a value against an issue changed since; the pane kept between
// runs.

#include "MainWindowFixture.h"

#include "app/AttachmentList.h"
#include "app/AttachmentThumbnails.h"
#include "app/DetailPane.h"
#include "app/DetailPaneText.h"
#include "data/Attachments.h"
#include "data/ConcurrentSave.h"
#include "data/IssueHistory.h"
#include "data/Session.h"
#include "data/Transaction.h"
#include "platform/AttachmentCopies.h"
#include "tests/support/MainWindowControls.h"
#include "tests/support/WindowControls.h"

#include <QAction>
#include <QBuffer>
#include <QClipboard>
#include <QDesktopServices>
#include <QDropEvent>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <sys/stat.h>

using namespace form1test;

namespace {

DetailPane *paneOf(const MainWindow &form)
{
    return control<DetailPane>(form, "detailPane");
}

QString paneText(const MainWindow &form)
{
    QCoreApplication::processEvents();
    return control<QTextBrowser>(form, "detailText")->toPlainText();
}

// Selects the issue; the pane shows it once the selection settled.
void selectIssue(MainWindow &form, const QString &id)
{
    form.selectRow(form.listModel()->rowOfFirstCell(id));
    QCoreApplication::processEvents();
}

QString stored(qint64 id, const QString &column)
{
    const auto row = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, id);
    return row ? row->value(column).toTextOrEmpty() : QStringLiteral("(gone)");
}

// The issue's title and status, and its notes, as stored.
QString issueState(qint64 id)
{
    QStringList notes;
    for (const IssueHistory::Note &note : IssueHistory::notes(sharedConnection(), id))
        notes << note.text;
    return QStringList{stored(id, QStringLiteral("Title")), stored(id, QStringLiteral("Status")), notes.join(u'|')}
        .join(u'/');
}

// The attachment list's rows: name, then size (the date left out).
QStringList listed(const MainWindow &form)
{
    QCoreApplication::processEvents();
    const QAbstractItemModel *rows = control<AttachmentList>(form, "attachmentList")->model();
    QStringList names;
    for (int row = 0; row < rows->rowCount(); ++row)
        names << rows->index(row, 0).data().toString().section(u',', 0, 0);
    return names;
}

QStringList attachedNames(qint64 issueId)
{
    QStringList names;
    for (const Attachments::Attachment &a : Attachments::list(sharedConnection(), issueId))
        names << a.name;
    return names;
}

// Takes the addresses the desktop is asked to open, in place of the desktop.
class DesktopDouble : public QObject {
    Q_OBJECT
public:
    DesktopDouble() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "open"); }
    ~DesktopDouble() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }
    QList<QUrl> opened;
public slots:
    void open(const QUrl &url) { opened << url; }
};

// The editor's next show: the title typed over and saved.
std::function<void(QDialog &)> savingTitle(const QString &title)
{
    return [title](QDialog &window) {
        auto &editor = static_cast<IssueEditor &>(window);
        IssueEditorControls(editor).titleBox->setText(title);
        IssueEditorControls(editor).saveButton->click();
    };
}

} // namespace

class TestDetailPane : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void init();
    void cleanup()
    {
        m_form.reset();
        m_dialogs.reset();
    }

    void activityInWordsNewestFirst();
    void ctrlEnterAddsANote_data();
    void ctrlEnterAddsANote();
    void undoOfEachKindOfChange_data();
    void undoOfEachKindOfChange();
    void revertOfAChangedIssueIsRefused_data();
    void revertOfAChangedIssueIsRefused();
    void notesShowAsTypedWithLinks_data();
    void notesShowAsTypedWithLinks();
    void paneIsRememberedAndLeavesTheListAloneWhenHidden();
    void attachesAndSavesAs();
    void attachesWhatIsDroppedOrPasted_data();
    void attachesWhatIsDroppedOrPasted();
    void opensAReadOnlyCopyAndNeverDamagedContent();
    void deleteKeyRemovesAndCtrlZPutsBack();

private:
    std::unique_ptr<MainWindow> m_form;
    std::unique_ptr<ScriptedDialogs> m_dialogs;
};

void TestDetailPane::init()
{
    freshMachine();
    m_dialogs = std::make_unique<ScriptedDialogs>();
    m_form = started();
    addContact(1, QStringLiteral("Ada"), QStringLiteral("O''Lane"));
    for (const char *statement : {"insert into Status values ('Open')", "insert into Status values ('Closed')",
                                  "insert into Categories values ('Bug')", "insert into Priorities values ('High')"})
        execute(QLatin1String(statement));
    addIssue(3, QStringLiteral("'Printer jams'"), QStringLiteral("'8/1/2021'"), QStringLiteral("'Open'"),
             QStringLiteral("'12/24/2026'"));
    addIssue(5, QStringLiteral("'VPN drops'"), QStringLiteral("'8/2/2021'"), QStringLiteral("'Open'"));
    m_form->refillList();
    m_dialogs->boxes.clear();
}

void TestDetailPane::activityInWordsNewestFirst()
{
    execute(QStringLiteral("update Issues set Title='Printer jams <again>' where ID=3"));
    execute(QStringLiteral("update Issues set [Due Date]='1/5/2027' where ID=3"));
    execute(QStringLiteral("update Issues set [Assigned To]=Null where ID=3"));
    IssueHistory::addNote(sharedConnection(), 3, QStringLiteral("<i>Call</i> ann@example.org"));
    m_form->refillList();
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    const QString who = IssueHistory::currentUser(sharedConnection());
    const QString text = paneText(*m_form);
    const QStringList inOrder = {
        QStringLiteral("Title\nPrinter jams <again>"),
        QStringLiteral("Notes"),
        QStringLiteral("<i>Call</i> ann@example.org"),
        QStringLiteral("Activity"),
        who + QStringLiteral(" added the note \u201c<i>Call</i> ann@example.org\u201d"),
        QStringLiteral("\u2014 just now"),
        who + QStringLiteral(" cleared Assigned To (was Ada O'Lane)"),
        QStringLiteral("Restore this value"),
        who + QStringLiteral(" changed Due Date from 12/24/2026 to 1/5/2027"),
        who + QStringLiteral(" changed Title from \u201cPrinter jams\u201d to \u201cPrinter jams <again>\u201d"),
        who + QStringLiteral(" added the issue"),
    };
    qsizetype at = 0;
    for (const QString &part : inOrder) {
        const qsizetype found = text.indexOf(part, at);
        QVERIFY2(found >= 0, qPrintable(part + QStringLiteral(" not after ") + text));
        at = found + part.size();
    }
    const QString html = control<QTextBrowser>(*m_form, "detailText")->toHtml();
    QVERIFY(html.contains(QStringLiteral("href=\"mailto:ann@example.org\"")));
    QVERIFY(!html.contains(QStringLiteral("<i>Call")));
    // A long story shows its newest part, and the rest on request.
    {
        Transaction together(sharedConnection());
        for (int take = 1; take <= DetailPane::entriesShown; ++take)
            execute(QStringLiteral("update Issues set Title='Take %1' where ID=3").arg(take));
        together.commit();
    }
    m_form->refillList();
    selectIssue(*m_form, QStringLiteral("3"));
    QVERIFY(paneText(*m_form).contains(QStringLiteral("Take %1").arg(DetailPane::entriesShown)));
    QVERIFY(!paneText(*m_form).contains(QStringLiteral("Due Date from 12/24/2026")));
    emit control<QTextBrowser>(*m_form, "detailText")->anchorClicked(QUrl(QStringLiteral("more:all")));
    QVERIFY(paneText(*m_form).contains(QStringLiteral("Due Date from 12/24/2026")));
}

void TestDetailPane::ctrlEnterAddsANote_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("added");
    QTest::newRow("a note") << QStringLiteral("Called the vendor\nback Monday") << true;
    QTest::newRow("blanks only, refused") << QStringLiteral("  \n ") << false;
}

void TestDetailPane::ctrlEnterAddsANote()
{
    QFETCH(QString, typed);
    QFETCH(bool, added);
    m_form->show();
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    auto *box = control<QPlainTextEdit>(*m_form, "noteBox");
    box->setPlainText(typed);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(IssueHistory::notes(sharedConnection(), 3).size(), added ? 1 : 0);
    QCOMPARE(box->toPlainText(), added ? QString() : typed);
    QCOMPARE(control<QLabel>(*m_form, "noteProblem")->isVisibleTo(m_form.get()), !added);
    QCOMPARE(paneText(*m_form).contains(QStringLiteral("back Monday")), added);
    QVERIFY(m_dialogs->boxes.isEmpty());
}

void TestDetailPane::undoOfEachKindOfChange_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("changed");
    QTest::newRow("edit") << "edit"
                          << "&Undo Edit of Issue 3"
                          << "Toner out/Open/";
    QTest::newRow("close") << "close"
                           << "&Undo Close of Issue 3"
                           << "Printer jams/Closed/";
    QTest::newRow("reopen") << "reopen"
                            << "&Undo Reopen of Issue 3"
                            << "Printer jams/Open/";
    QTest::newRow("note") << "note"
                          << "&Undo Note on Issue 3"
                          << "Printer jams/Open/Toner ordered";
    QTest::newRow("delete") << "delete"
                            << "&Undo Delete"
                            << "(gone)/(gone)/";
}

void TestDetailPane::undoOfEachKindOfChange()
{
    QFETCH(QString, kind);
    QFETCH(QString, caption);
    QFETCH(QString, changed);
    if (kind == QLatin1String("reopen")) {
        execute(QStringLiteral("update Issues set Status='Closed' where ID=3"));
        ui(*m_form).showClosed->setChecked(true);
    }
    m_form->setDetailPane({true, false});
    const QString before = issueState(3);
    selectIssue(*m_form, QStringLiteral("3"));
    if (kind == QLatin1String("edit")) {
        m_dialogs->modalScripts = {savingTitle(QStringLiteral("Toner out"))};
        m_form->editSelectedIssue();
    } else if (kind == QLatin1String("close")) {
        m_form->closeSelectedIssue();
    } else if (kind == QLatin1String("reopen")) {
        m_dialogs->modalScripts = {savingTitle(QStringLiteral("Printer jams"))};
        m_form->reopenSelectedIssue();
    } else if (kind == QLatin1String("note")) {
        control<QPlainTextEdit>(*m_form, "noteBox")->setPlainText(QStringLiteral("Toner ordered"));
        control<QPushButton>(*m_form, "addNoteButton")->click();
    } else {
        m_dialogs->answers = {platform::Answer::Yes};
        m_form->deleteSelectedIssue();
    }
    QCOMPARE(issueState(3), changed);
    auto *undo = control<QAction>(*m_form, "undoDelete");
    QCOMPARE(undo->text(), caption);
    QCOMPARE(undo->shortcut(), QKeySequence(QKeySequence::Undo));
    undo->trigger();
    QCOMPARE(issueState(3), before);
    QCOMPARE(undo->text(), QStringLiteral("&Undo Delete"));
    QCOMPARE(m_form->listModel()->cell(m_form->selectedRow(), 0), QStringLiteral("3"));
    QCOMPARE(errorLines(*m_dialogs), QStringList());
}

void TestDetailPane::revertOfAChangedIssueIsRefused_data()
{
    QTest::addColumn<bool>("fromPane");
    QTest::newRow("undo") << false;
    QTest::newRow("restore this value") << true;
}

void TestDetailPane::revertOfAChangedIssueIsRefused()
{
    QFETCH(bool, fromPane);
    m_dialogs->modalScripts = {savingTitle(QStringLiteral("Toner out"))};
    selectIssue(*m_form, QStringLiteral("3"));
    m_form->editSelectedIssue();
    // Someone changes the issue after the edit.
    execute(QStringLiteral("update Issues set Title='Toner in' where ID=3"));
    m_form->setDetailPane({true, false});
    const QString before = issueState(3);
    m_dialogs->boxes.clear();
    if (fromPane) {
        const IssueHistory::Entry saved =
            IssueHistory::entries(sharedConnection(), IssueHistory::Item::Issue, 3).value(1);
        QCOMPARE(saved.newValue.toTextOrEmpty(), QStringLiteral("Toner out"));
        emit control<QTextBrowser>(*m_form, "detailText")
            ->anchorClicked(QUrl(QStringLiteral("restore:%1").arg(saved.seq)));
    } else {
        control<QAction>(*m_form, "undoDelete")->trigger();
    }
    QCOMPARE(issueState(3), before);
    QCOMPARE(m_dialogs->boxes.size(), 1);
    QVERIFY2(m_dialogs->boxes.first().text.contains(
                 QStringLiteral("Someone else changed issue 3 since, so nothing was %1.\r\nThe issue now holds:\r\n"
                                "Title: \u201cToner in\u201d")
                     .arg(fromPane ? QStringLiteral("put back") : QStringLiteral("undone"))),
             qPrintable(m_dialogs->boxes.first().text));
    QCOMPARE(errorLines(*m_dialogs), QStringList());
}

void TestDetailPane::notesShowAsTypedWithLinks_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("html");
    QTest::newRow("markup stays text") << "<b>bold</b> & <script>x</script>"
                                       << "&lt;b&gt;bold&lt;/b&gt; &amp; &lt;script&gt;x&lt;/script&gt;";
    QTest::newRow("link, sentence end kept out") << "see https://example.org/a?b=1&c=\"2\"."
                                                 << "see <a href=\"https://example.org/a?b=1&amp;c=\">"
                                                    "https://example.org/a?b=1&amp;c=</a>&quot;2&quot;.";
    QTest::newRow("www and mail") << "www.example.org or ann@example.org"
                                  << "<a href=\"https://www.example.org\">www.example.org</a> or <a "
                                     "href=\"mailto:ann@example.org\">ann@example.org</a>";
    QTest::newRow("lines kept") << "one\r\ntwo\nthree"
                                << "one<br>two<br>three";
    QTest::newRow("link text escaped") << "http://x.org/<b>"
                                       << "<a href=\"http://x.org/\">http://x.org/</a>&lt;b&gt;";
}

void TestDetailPane::notesShowAsTypedWithLinks()
{
    QFETCH(QString, typed);
    QFETCH(QString, html);
    QCOMPARE(DetailPaneText::linkified(typed), html);
}

void TestDetailPane::paneIsRememberedAndLeavesTheListAloneWhenHidden()
{
    QTreeView *list = ui(*m_form).issueList;
    const QRect designed = list->geometry();
    auto *toggle = control<QAction>(*m_form, "detailPaneAction");
    QCOMPARE(toggle->shortcut(), QKeySequence(Qt::Key_F3));
    QVERIFY(!paneOf(*m_form)->isVisibleTo(m_form.get()));

    selectIssue(*m_form, QStringLiteral("3"));
    toggle->trigger();
    QVERIFY(paneOf(*m_form)->isVisibleTo(m_form.get()));
    QVERIFY(list->geometry().right() < paneOf(*m_form)->geometry().left());
    QVERIFY(paneText(*m_form).contains(QStringLiteral("Printer jams")));
    QVERIFY(paneText(*m_form).contains(QStringLiteral("12/24/2026")));
    control<QAction>(*m_form, "paneBelowAction")->trigger();
    QVERIFY(list->geometry().bottom() < paneOf(*m_form)->geometry().top());

    // Kept for the next start, and the list back as designed without it.
    m_form.reset();
    m_form = started();
    QVERIFY(paneOf(*m_form)->isVisibleTo(m_form.get()));
    QVERIFY(control<QAction>(*m_form, "paneBelowAction")->isChecked());
    control<QAction>(*m_form, "detailPaneAction")->trigger();
    QCOMPARE(ui(*m_form).issueList->geometry(), designed);
    m_form.reset();
    m_form = started();
    QVERIFY(!paneOf(*m_form)->isVisibleTo(m_form.get()));
}

// A file chosen is attached and listed with its history entry; Save As
// writes it back; a file over the limit is said in the pane, not stored.
void TestDetailPane::attachesAndSavesAs()
{
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("scan.txt"));
    QFile file(source);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write("hello\n");
    file.close();
    m_dialogs->fileNames << source;
    control<QPushButton>(*m_form, "attachButton")->click();
    const QString text = paneText(*m_form);
    QCOMPARE(listed(*m_form), QStringList{QStringLiteral("scan.txt\n6 bytes")});
    QVERIFY(text.contains(QStringLiteral(" attached the file \u201cscan.txt\u201d")));

    const QString saved = dir.filePath(QStringLiteral("back.txt"));
    m_dialogs->fileNames << saved;
    paneOf(*m_form)->saveAttachment(Attachments::list(sharedConnection(), 3).value(0));
    QFile back(saved);
    QVERIFY(back.open(QIODevice::ReadOnly));
    QCOMPARE(back.readAll(), QByteArray("hello\n"));

    paneOf(*m_form)->setAttachmentLimit(3);
    m_dialogs->fileNames << source;
    control<QPushButton>(*m_form, "attachButton")->click();
    QVERIFY(control<QLabel>(*m_form, "noteProblem")->text().contains(QStringLiteral("larger than")));
    QCOMPARE(Attachments::list(sharedConnection(), 3).size(), 1);
    QVERIFY(m_dialogs->boxes.isEmpty());
}

// What is dropped on the pane or the editor, or pasted in the pane, is
// attached; a folder or a pipe is refused by name and nothing is stored; a
// new issue in the editor is saved first.
void TestDetailPane::attachesWhatIsDroppedOrPasted_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QString>("what");
    QTest::addColumn<QString>("attached"); // a pattern; empty: nothing
    QTest::addColumn<QString>("said");
    QTest::newRow("file dropped on the pane") << "pane"
                                              << "file"
                                              << "^log\\.txt$"
                                              << "";
    QTest::newRow("folder dropped") << "pane"
                                    << "folder"
                                    << ""
                                    << "is a folder";
    QTest::newRow("pipe dropped") << "pane"
                                  << "pipe"
                                  << ""
                                  << "not an ordinary file";
    QTest::newRow("files pasted") << "paste"
                                  << "file"
                                  << "^log\\.txt$"
                                  << "";
    QTest::newRow("files pasted in the note box, as text") << "note"
                                                           << "file"
                                                           << ""
                                                           << "";
    QTest::newRow("picture pasted") << "paste"
                                    << "picture"
                                    << "^Screenshot \\d{4}-\\d\\d-\\d\\d \\d\\d\\.\\d\\d\\.\\d\\d\\.png$"
                                    << "";
    QTest::newRow("file dropped on the editor") << "editor"
                                                << "file"
                                                << "^log\\.txt$"
                                                << "1 file was attached to issue 3.";
    QTest::newRow("file dropped on a new issue") << "new issue"
                                                 << "file"
                                                 << ""
                                                 << "Save the new issue first";
}

void TestDetailPane::attachesWhatIsDroppedOrPasted()
{
    QFETCH(QString, how);
    QFETCH(QString, what);
    QFETCH(QString, attached);
    QFETCH(QString, said);
    m_form->show();
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    QTemporaryDir dir;
    const QString target = dir.filePath(what == QLatin1String("file") ? QStringLiteral("log.txt") : what);
    if (what == QLatin1String("file")) {
        QFile file(target);
        QVERIFY(file.open(QIODevice::WriteOnly) && file.write("boot\n") == 5);
    } else if (what == QLatin1String("folder")) {
        QVERIFY(QDir().mkpath(target));
    } else if (what == QLatin1String("pipe")) {
        QCOMPARE(mkfifo(QFile::encodeName(target).constData(), 0600), 0);
    }
    auto *data = new QMimeData;
    if (what == QLatin1String("picture")) {
        QImage picture(640, 480, QImage::Format_RGB32);
        picture.fill(Qt::darkCyan);
        data->setImageData(picture);
    } else {
        data->setUrls({QUrl::fromLocalFile(target)});
    }
    // As the desktop drops: the drag enters, then lets go.
    const auto drop = [data](QWidget *on) {
        QDragEnterEvent enter(QPoint(4, 4), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(on, &enter);
        QVERIFY(enter.isAccepted());
        QDropEvent event(QPointF(4, 4), Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(on, &event);
        QVERIFY(event.isAccepted());
    };
    if (how == QLatin1String("paste") || how == QLatin1String("note")) {
        data->setText(target);
        QGuiApplication::clipboard()->setMimeData(data);
        QWidget *into = how == QLatin1String("note")
                            ? static_cast<QWidget *>(control<QPlainTextEdit>(*m_form, "noteBox"))
                            : control<QTextBrowser>(*m_form, "detailText");
        into->setFocus();
        QTest::keyClick(into, Qt::Key_V, Qt::ControlModifier);
    } else if (how == QLatin1String("pane")) {
        drop(paneOf(*m_form));
        delete data;
    } else {
        IssueEditor editor(m_form.get());
        editor.issueId = how == QLatin1String("editor") ? QStringLiteral("3") : QString();
        // The title box takes text drops of its own; files still attach.
        drop(IssueEditorControls(editor).titleBox);
        QVERIFY(IssueEditorControls(editor).titleBox->text().isEmpty());
        delete data;
    }
    QCOMPARE(control<QPlainTextEdit>(*m_form, "noteBox")->toPlainText(),
             how == QLatin1String("note") ? target : QString());
    const QStringList names = attachedNames(3);
    QCOMPARE(names.size(), attached.isEmpty() ? 0 : 1);
    if (!attached.isEmpty())
        QVERIFY2(QRegularExpression(attached).match(names.first()).hasMatch(), qPrintable(names.first()));
    const QString problem = control<QLabel>(*m_form, "noteProblem")->text();
    if (how == QLatin1String("editor") || how == QLatin1String("new issue")) {
        QCOMPARE(m_dialogs->boxes.size(), 1);
        QVERIFY2(m_dialogs->boxes.first().text.startsWith(said), qPrintable(m_dialogs->boxes.first().text));
    } else {
        QVERIFY(m_dialogs->boxes.isEmpty());
        QCOMPARE(control<QLabel>(*m_form, "noteProblem")->isVisibleTo(m_form.get()), !said.isEmpty());
        QVERIFY2(problem.contains(said), qPrintable(problem));
        QCOMPARE(listed(*m_form).size(), names.size());
    }
    if (what == QLatin1String("picture")) {
        // A picture shows as itself, small, made off the window's thread.
        QCOMPARE(Attachments::list(sharedConnection(), 3).first().type, QStringLiteral("image/png"));
        auto *pictures = paneOf(*m_form)->findChild<AttachmentThumbnails *>();
        QVERIFY(pictures);
        pictures->waitUntilMade();
        const QImage made = pictures->picture(Attachments::list(sharedConnection(), 3).first().hash);
        QCOMPARE(made.size(), QSize(48, 48));
        QCOMPARE(made.pixelColor(0, 0).alpha(), 0); // 48 by 36 within the square
    }
}

// Opening hands the desktop a read-only, never executable copy under the
// name made safe; content that no longer matches its hash is said and
// nothing is opened.
void TestDetailPane::opensAReadOnlyCopyAndNeverDamagedContent()
{
    QBuffer script;
    script.setData("#!/bin/sh\necho hi\n");
    script.open(QIODevice::ReadOnly);
    Attachments::add(sharedConnection(), 3, script, QStringLiteral("../run\u202Egpj.sh"));
    m_form->show();
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    DesktopDouble desktop;
    auto *list = control<AttachmentList>(*m_form, "attachmentList");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(desktop.opened.size(), 1);
    const QString copy = desktop.opened.first().toLocalFile();
    QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral(".._rungpj.sh"));
    QVERIFY(copy.startsWith(platform::attachmentCopiesFolder() + u'/'));
    // The file's own bits: "User" is what this user may do, and root may write anything.
    const QFile::Permissions writeOrRun =
        QFile::WriteOwner | QFile::ExeOwner | QFile::WriteGroup | QFile::ExeGroup | QFile::WriteOther | QFile::ExeOther;
    QCOMPARE(QFile::permissions(copy) & writeOrRun, QFile::Permissions());
    QFile opened(copy);
    QVERIFY(opened.open(QIODevice::ReadOnly));
    QCOMPARE(opened.readAll(), QByteArray("#!/bin/sh\necho hi\n"));

    QBuffer other;
    other.setData("other content");
    other.open(QIODevice::ReadOnly);
    Attachments::add(sharedConnection(), 3, other, QStringLiteral("other.txt"));
    sharedConnection().session()->executeWithBytes(
        QStringLiteral("UPDATE \"AttachmentChunks\" SET \"Data\" = $2 WHERE \"Hash\" = $1"),
        {Attachments::list(sharedConnection(), 3).last().hash}, QByteArray("other cont3nt"));
    paneOf(*m_form)->reread();
    QCOMPARE(list->model()->rowCount(), 2);
    list->setCurrentIndex(list->model()->index(1, 0));
    QTest::keyClick(list, Qt::Key_Return);
    QCOMPARE(desktop.opened.size(), 1);
    QVERIFY(control<QLabel>(*m_form, "noteProblem")->text().contains(QStringLiteral("is damaged")));
    QVERIFY(!QFile::exists(
        QDir(platform::attachmentCopiesFolder())
            .filePath(Attachments::list(sharedConnection(), 3).last().hash + QStringLiteral("/other.txt"))));
}

// Delete removes the chosen attachment; Ctrl+Z puts it back, and then
// takes back its attaching.
void TestDetailPane::deleteKeyRemovesAndCtrlZPutsBack()
{
    m_form->show();
    m_form->setDetailPane({true, false});
    selectIssue(*m_form, QStringLiteral("3"));
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("trace.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly) && file.write("trace") == 5);
    file.close();
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(file.fileName())});
    paneOf(*m_form)->attachFrom(data);
    auto *undo = control<QAction>(*m_form, "undoDelete");
    QCOMPARE(undo->text(), QStringLiteral("&Undo Attach on Issue 3"));
    auto *list = control<AttachmentList>(*m_form, "attachmentList");
    list->setFocus();
    list->setCurrentIndex(list->model()->index(0, 0));
    QTest::keyClick(list, Qt::Key_Delete);
    QCOMPARE(attachedNames(3), QStringList());
    QVERIFY(!list->isVisibleTo(m_form.get()));
    QCOMPARE(undo->text(), QStringLiteral("&Undo Attachment Removal on Issue 3"));
    undo->trigger();
    QCOMPARE(attachedNames(3), QStringList{QStringLiteral("trace.txt")});
    QCOMPARE(listed(*m_form), QStringList{QStringLiteral("trace.txt\n5 bytes")});
    undo->trigger();
    QCOMPARE(attachedNames(3), QStringList());
    QCOMPARE(errorLines(*m_dialogs), QStringList());
}

QTEST_MAIN(TestDetailPane)
#include "tst_detailpane.moc"
