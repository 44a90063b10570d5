// The six commands under the main window's issue list.

#include "app/MainWindow.h"

#include "app/FilterBar.h"
#include "app/MainWindowSettings.h"
#include "app/SampleData.h"
#include "app/UndoCommands.h"
#include "app/list/IssueListModel.h"
#include "data/ChangeListener.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/Deletes.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "data/SqlText.h"
#include "issues/IssueEditor.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/Dialogs.h"
#include "platform/ErrorBlock.h"
#include "reports/ReportChooser.h"

#include <QItemSelectionModel>
#include <QTreeView>

#include <algorithm>
#include <memory>

namespace {
const QString helpAddress = QStringLiteral("https://www.tamberlyn.example/contact/");

} // namespace

std::unique_ptr<IssueEditor> MainWindow::newIssueEditor()
{
    auto editor = std::make_unique<IssueEditor>(this);
    editor->setAttachmentLimit(MainWindowSettings::readAttachmentLimit());
    connect(editor.get(), &IssueEditor::attached, this,
            [this](qint64 issueId) { m_undo->justMade(UndoCommands::Kind::Attach, issueId); });
    // On a team server the editor says when someone else saves its issue.
    if (m_changes)
        editor->followChanges(m_changes, m_backgroundReads);
    return editor;
}

void MainWindow::backToList(const QString &issueId)
{
    activateWindow();
    raise();
    const int row = issueId.isEmpty() ? -1 : m_model->rowOfFirstCell(issueId);
    if (row >= 0)
        selectRow(row);
    m_issueList->setFocus(Qt::OtherFocusReason);
}

void MainWindow::showIssue(qint64 id)
{
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    const QString issueId = QString::number(id);
    if (m_model->rowOfFirstCell(issueId) < 0 && m_filterBar->isVisible())
        hideFilterBar();
    backToList(issueId);
}

void MainWindow::editSelectedIssue()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton1_Click"));

    // With no row selected there is no issue to edit.
    bool nothingSelected = true;
    step(100, [&] { nothingSelected = m_model->rowCount() == 0 || selectedRow() < 0; });
    if (nothingSelected)
        return;
    QString id;
    step(102, [&] { id = m_model->cell(selectedRow(), IssueListModel::idColumn); });
    markRowSeen(selectedRow());

    std::unique_ptr<IssueEditor> form;
    const auto editor = [&]() -> IssueEditor & {
        if (!form)
            form = newIssueEditor();
        return *form;
    };
    step(104, [&] { editor().issueId = id; });
    step(106, [&] { editor().setWindowTitle(QStringLiteral("Edit Data")); });
    const std::optional<qint64> before = m_undo->lastChange();
    step(108, [&] { platform::dialogs().showModal(editor()); });
    if (form && !form->savedIssueId().isEmpty())
        m_undo->done(UndoCommands::Kind::Edit, id.toLongLong(), before);
    step(110, [&] { refillList(); });
    // The edited issue is found again by its ID, wherever the refill put it;
    // when it is no longer open, nothing is selected.
    int row = -1;
    step(112, [&] { row = m_model->rowOfFirstCell(id); });
    step(114, [&] { selectRow(row); });
    backToList(QString());
}

void MainWindow::addNewIssue()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton2_Click"));

    std::unique_ptr<IssueEditor> form;
    const auto editor = [&]() -> IssueEditor & {
        if (!form)
            form = newIssueEditor();
        return *form;
    };
    step(100, [&] { editor().issueId = QString(); });
    step(102, [&] { editor().setWindowTitle(QStringLiteral("Add New Issue")); });
    step(104, [&] { platform::dialogs().showModal(editor()); });
    step(106, [&] { refillList(); });
    backToList(form ? form->savedIssueId() : QString());
}

void MainWindow::deleteSelectedIssue()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton3_Click"));

    if (m_issueList->selectionModel()->selectedRows().size() > 1) {
        deleteSelectedIssues();
        return;
    }
    int row = -1;
    step(100, [&] { row = m_model->rowCount() == 0 ? -1 : selectedRow(); });
    if (row < 0)
        return;
    const QString id = m_model->cell(row, IssueListModel::idColumn);
    // The issue as stored when the user is asked: the delete goes ahead
    // only while nobody has changed it since. A database that cannot be
    // read now fails the delete itself below, which says so once.
    std::optional<ConcurrentSave::StoredRow> seen;
    bool unread = false;
    if (SqlText::isPlainId(id)) {
        try {
            seen = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, id.toLongLong());
        } catch (const Error &) {
            unread = true;
        }
    }
    QString title = m_model->cell(row, 1);
    QString changedMeanwhile; // what someone else changed while the user decided
    bool deleted = false;
    for (;;) {
        bool confirmed = false;
        step(102, [&] {
            confirmed =
                platform::msgBox(changedMeanwhile + QStringLiteral("Are you sure you want to delete [") + title +
                                     QStringLiteral("]?\r\nIssue %1 \u201c%2\u201d goes alone: its contacts and "
                                                    "list values stay.\r\nDo you wish to continue?")
                                         .arg(id, title),
                                 platform::Buttons::YesNoDefaultNo, platform::Icon::None) == platform::Answer::Yes;
        });
        if (!confirmed)
            return;
        std::optional<ConcurrentSave::ChangedMeanwhile> conflict;
        deleted = step(104, [&] {
            // The ID goes into the statement unquoted, so it must be a plain number.
            if (!SqlText::isPlainId(id))
                throw Error(
                    QStringLiteral("The selected issue's ID \"%1\" is not a number; nothing was deleted.").arg(id));
            // Not read when asked (a server briefly away): read now, so the
            // delete still goes against a version, never blind.
            if (unread) {
                seen = ConcurrentSave::readStored(sharedConnection(), ConcurrentSave::Table::Issues, id.toLongLong());
                unread = false;
            }
            try {
                Deletes::issue(sharedConnection(), id.toLongLong(), QStringLiteral("Delete Selected Issue"), seen);
            } catch (const ConcurrentSave::ChangedMeanwhile &changed) {
                conflict.emplace(changed);
            }
        });
        if (!conflict)
            break;
        deleted = false;
        changedMeanwhile = platform::changedBeforeDelete(
            QStringLiteral("issue"),
            platform::changesText(*seen, conflict->current(), platform::issueFieldNames(sharedConnection())));
        title = conflict->current().value(QStringLiteral("Title")).toTextOrEmpty();
        seen = conflict->current();
    }
    if (deleted)
        m_undo->deleted(id.toLongLong());
    step(106, [&] { refillList(); });
    // The row that took the deleted issue's place is selected (the new last
    // row when the last one went), so that Delete goes on down the list; an
    // issue still listed (its delete failed) stays selected.
    step(108, [&] {
        const int kept = m_model->rowOfFirstCell(id);
        selectRow(kept >= 0 ? kept : qMin(row, m_model->rowCount() - 1));
    });
}

void MainWindow::deleteSelectedIssues()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton3_Click"));
    QList<qint64> ids;
    int first = -1;
    step(100, [&] {
        for (const QModelIndex &index : m_issueList->selectionModel()->selectedRows()) {
            const QString id = m_model->cell(index.row(), IssueListModel::idColumn);
            if (!SqlText::isPlainId(id))
                throw Error(
                    QStringLiteral("The selected issue's ID \"%1\" is not a number; nothing was deleted.").arg(id));
            ids << id.toLongLong();
            first = first < 0 ? index.row() : std::min(first, index.row());
        }
    });
    if (ids.size() < 2)
        return;
    bool confirmed = false;
    step(102, [&] {
        confirmed = platform::msgBox(QStringLiteral("Are you sure you want to delete these %1 issues?\r\nThey go "
                                                    "alone: their contacts and list values stay, and Undo Delete "
                                                    "brings all of them back.\r\nDo you wish to continue?")
                                         .arg(ids.size()),
                                     platform::Buttons::YesNoDefaultNo, platform::Icon::None) == platform::Answer::Yes;
    });
    if (!confirmed)
        return;
    step(104, [&] { Deletes::issues(sharedConnection(), ids, QStringLiteral("Delete Selected Issues")); });
    step(106, [&] { refillList(); });
    step(108, [&] { selectRow(std::min(first, m_model->rowCount() - 1)); });
}

void MainWindow::loadSampleData()
{
    LoadSampleData([this] { refillList(); });
}

void MainWindow::showReports()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton5_Click"));
    step(100, [&] {
        ReportChooser form(this);
        platform::dialogs().showModal(form);
    });
}

void MainWindow::showHelp()
{
    ErrorBlock step(ErrorBlock::location("Form1", "PushButton6_Click"));
    step(100, [&] {
        platform::msgBox(QStringLiteral("Questions? Please contact Team Tamberlyn at ") + helpAddress,
                         platform::Buttons::Ok, platform::Icon::None);
    });
}
