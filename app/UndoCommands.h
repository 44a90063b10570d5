#pragma once
// Ctrl+Z: undoes the user's last change of any kind made in this run (an
// edit saved in the issue editor, a close, a reopen, a note added, a value
// restored from the detail pane, a file attached or an attachment removed
// there, a delete), newest first, one stack for the run. A delete comes back from the trash as "Undo Delete" always brought
// it, also with nothing else to undo (a delete of an earlier run). Every
// other change is put back from the issue's history through the same check
// as a save: when someone changed the issue since, nothing is written and a
// message names what they left.
//
// "Restore this value" in the detail pane goes through the same check.

#include "data/IssueHistory.h"

#include <QList>
#include <QObject>
#include <QString>

#include <functional>
#include <optional>

class MainWindow;
class QAction;
class TrashCommands;

class UndoCommands : public QObject {
    Q_OBJECT
public:
    enum class Kind { Edit, Close, Reopen, Note, Restore, Delete, BulkEdit, Attach, AttachmentRemoval };

    // Adds the Undo command (Ctrl+Z) to the window's keys and list menu.
    UndoCommands(MainWindow *window, TrashCommands *trash);

    // The newest change this user made, before a command: what the command
    // added to the history is what comes after it. None when the history
    // cannot be read (nothing of the command is then undone by Ctrl+Z).
    std::optional<qint64> lastChange() const;
    // Notes a command that may have changed the issue: when the history has
    // a change of this user newer than `before`, it goes on the stack.
    void done(Kind kind, qint64 issueId, std::optional<qint64> before);
    // The same for a bulk edit of `count` issues, the first of them given:
    // one step puts every one of them back.
    void doneTogether(qint64 firstIssueId, int count, std::optional<qint64> before);
    // Notes the change a command has just written (a note added).
    void justMade(Kind kind, qint64 issueId);
    // Notes a delete, undone from the trash.
    void deleted(qint64 issueId);

    // What Ctrl+Z would undo, as the command's caption: "&Undo Delete", "&Undo
    // Edit of Issue 7".
    QString caption() const;

public slots:
    void undo();
    void restore(const IssueHistory::Entry &entry);

private:
    struct Done {
        Kind kind = Kind::Edit;
        qint64 issueId = 0;
        qint64 changeId = 0; // 0 for a delete
        int count = 1;       // the issues of a bulk edit
    };
    // Shows the issue after its change was put back.
    void showIssue(qint64 issueId);
    // Runs a put-back; a refusal because the issue changed since is told
    // with what the other user left in the fields concerned. Returns
    // whether it was put back.
    bool putBack(const QString &what, qint64 issueId, const QStringList &fields, const std::function<void()> &write);
    void updateCaption();

    MainWindow *m_window;
    TrashCommands *m_trash;
    QAction *m_undo;
    QList<Done> m_done;
    mutable QString m_user; // who this program's changes are recorded as, once asked
};
