#include "app/UndoCommands.h"

#include "app/MainWindow.h"
#include "app/TrashCommands.h"
#include "app/list/IssueListModel.h"
#include "data/ConcurrentSave.h"
#include "data/Connection.h"
#include "data/Error.h"
#include "data/SharedConnection.h"
#include "platform/ChangedMeanwhile.h"
#include "platform/ErrorBlock.h"

#include <QAction>
#include <QMenu>

UndoCommands::UndoCommands(MainWindow *window, TrashCommands *trash) : QObject(window), m_window(window), m_trash(trash)
{
    // The name it had as "Undo Delete", which it still is with nothing
    // newer to undo.
    m_undo = new QAction(this);
    m_undo->setObjectName(QStringLiteral("undoDelete"));
    m_undo->setShortcut(QKeySequence::Undo);
    m_undo->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_undo);
    connect(m_undo, &QAction::triggered, this, &UndoCommands::undo);
    // Where "Undo Delete" always stood: just before "Deleted Items...".
    if (auto *menu = window->findChild<QMenu *>(QStringLiteral("listMenu")))
        menu->insertAction(window->findChild<QAction *>(QStringLiteral("deletedItems")), m_undo);
    updateCaption();
}

std::optional<qint64> UndoCommands::lastChange() const
{
    try {
        Connection &connection = sharedConnection();
        if (m_user.isEmpty())
            m_user = IssueHistory::currentUser(connection);
        const std::optional<IssueHistory::Entry> last = IssueHistory::lastChangeBy(connection, m_user);
        return last ? last->changeId : 0;
    } catch (const Error &) {
        return std::nullopt;
    }
}

void UndoCommands::done(Kind kind, qint64 issueId, std::optional<qint64> before)
{
    if (!before)
        return;
    const std::optional<qint64> after = lastChange();
    // Nothing new (a save that changed nothing, a command refused): nothing
    // to undo either.
    if (!after || *after == 0 || *after == *before)
        return;
    m_done.append({kind, issueId, *after});
    updateCaption();
}

void UndoCommands::doneTogether(qint64 firstIssueId, int count, std::optional<qint64> before)
{
    done(Kind::BulkEdit, firstIssueId, before);
    if (!m_done.isEmpty() && m_done.last().kind == Kind::BulkEdit) {
        m_done.last().count = count;
        updateCaption();
    }
}

void UndoCommands::justMade(Kind kind, qint64 issueId)
{
    if (const std::optional<qint64> last = lastChange(); last && *last != 0) {
        m_done.append({kind, issueId, *last});
        updateCaption();
    }
}

void UndoCommands::deleted(qint64 issueId)
{
    m_done.append({Kind::Delete, issueId, 0});
    updateCaption();
}

QString UndoCommands::caption() const
{
    if (m_done.isEmpty() || m_done.last().kind == Kind::Delete)
        return QStringLiteral("&Undo Delete");
    const Done &last = m_done.last();
    const QString issue = QString::number(last.issueId);
    switch (last.kind) {
    case Kind::Close:
        return QStringLiteral("&Undo Close of Issue %1").arg(issue);
    case Kind::Reopen:
        return QStringLiteral("&Undo Reopen of Issue %1").arg(issue);
    case Kind::Note:
        return QStringLiteral("&Undo Note on Issue %1").arg(issue);
    case Kind::Restore:
        return QStringLiteral("&Undo Restore on Issue %1").arg(issue);
    case Kind::Attach:
        return QStringLiteral("&Undo Attach on Issue %1").arg(issue);
    case Kind::AttachmentRemoval:
        return QStringLiteral("&Undo Attachment Removal on Issue %1").arg(issue);
    case Kind::BulkEdit:
        return last.count == 1 ? QStringLiteral("&Undo Bulk Edit of Issue %1").arg(issue)
                               : QStringLiteral("&Undo Bulk Edit of %1 Issues").arg(last.count);
    default:
        return QStringLiteral("&Undo Edit of Issue %1").arg(issue);
    }
}

void UndoCommands::updateCaption()
{
    m_undo->setText(caption());
}

void UndoCommands::undo()
{
    if (m_done.isEmpty() || m_done.last().kind == Kind::Delete) {
        if (!m_done.isEmpty())
            m_done.removeLast();
        updateCaption();
        m_trash->undoLastDelete();
        return;
    }
    // Taken off whether or not it can be put back: a refused undo would
    // otherwise stand in front of every older one.
    const Done last = m_done.takeLast();
    updateCaption();
    ErrorBlock step(ErrorBlock::location("Form1", "Undo"));
    QStringList fields;
    step(100, [&] {
        for (const IssueHistory::Entry &entry : IssueHistory::change(sharedConnection(), last.changeId))
            if (!entry.field.isEmpty() && !fields.contains(entry.field))
                fields.append(entry.field);
    });
    // A bulk edit names the issue that stands in the way when one does.
    putBack(QStringLiteral("undone"), last.kind == Kind::BulkEdit && last.count > 1 ? 0 : last.issueId, fields,
            [&] { IssueHistory::revertChange(sharedConnection(), last.changeId); });
}

void UndoCommands::restore(const IssueHistory::Entry &entry)
{
    const std::optional<qint64> before = lastChange();
    if (putBack(QStringLiteral("put back"), entry.itemId, {entry.field},
                [&] { IssueHistory::revertEntry(sharedConnection(), entry.seq); }))
        done(Kind::Restore, entry.itemId, before);
}

bool UndoCommands::putBack(const QString &what, qint64 issueId, const QStringList &fields,
                           const std::function<void()> &write)
{
    ErrorBlock step(ErrorBlock::location("Form1", "Undo"));
    const bool written = step(102, [&] {
        try {
            write();
        } catch (const ConcurrentSave::ChangedMeanwhile &changed) {
            // What the other user left in the fields this would have put back.
            const platform::FieldNames names = platform::issueFieldNames(sharedConnection());
            QStringList lines;
            for (const QString &field : fields) {
                const Value value = changed.current().value(field);
                const QString shown = value.isNull() ? QString() : names.shown(field, value);
                lines << QStringLiteral("%1: %2").arg(names.caption(field),
                                                      shown.isEmpty() ? QStringLiteral("(empty)")
                                                                      : QStringLiteral("\u201c%1\u201d").arg(shown));
            }
            const qint64 changedId = issueId ? issueId : changed.current().value(QStringLiteral("ID")).toInteger();
            throw Refusal(QStringLiteral("Someone else changed issue %1 since, so nothing was %2.\r\n"
                                         "The issue now holds:\r\n%3")
                              .arg(changedId)
                              .arg(what, lines.join(QStringLiteral("\r\n"))));
        } catch (const ConcurrentSave::DeletedMeanwhile &gone) {
            if (!issueId)
                throw Refusal(gone.description().section(u',', 0, 0) +
                              QStringLiteral(", so nothing was %1.").arg(what));
            throw Refusal(QStringLiteral("Issue %1 has been deleted since, so nothing was %2.").arg(issueId).arg(what));
        }
    });
    step(104, [&] { showIssue(issueId); });
    return written;
}

void UndoCommands::showIssue(qint64 issueId)
{
    m_window->refillList();
    const int row = m_window->listModel()->rowOfFirstCell(QString::number(issueId));
    if (row >= 0)
        m_window->selectRow(row);
}
