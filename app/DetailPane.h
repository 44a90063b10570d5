#pragma once
// The detail pane beside or below the issue list: the selected issue's
// fields as the list shows them, its notes and its activity, newest first,
// its attachments, and a box to add a note (Ctrl+Enter adds it). Reading an
// issue no longer needs the modal editor.
//
// Files dropped anywhere on the pane, or pasted with Ctrl+V outside the
// note box (a copied picture as a PNG), are attached to the shown issue.
//
// The notes and the activity are read on the shared connection on a
// database file, and on a worker with a session of its own on a team's
// server, so that selecting an issue never waits on the network; an answer
// for an issue no longer selected is dropped. What the note box holds is
// the user's until added: showing another issue, or a colleague's change
// arriving, leaves it as typed.

#include "app/DetailPaneText.h"
#include "data/Attachments.h"
#include "data/IssueHistory.h"

#include <QDateTime>
#include <QHash>
#include <QWidget>

class AttachmentList;
class AttachmentThumbnails;
class Connection;
class QLabel;
class QMimeData;
class QPlainTextEdit;
class QPushButton;
class QTextBrowser;

namespace platform {
class BackgroundSession;
struct AttachmentSources;
} // namespace platform

class DetailPane : public QWidget {
    Q_OBJECT
public:
    explicit DetailPane(QWidget *parent = nullptr);

    // Reads on this worker from now on (a team's server); null: on the
    // shared connection.
    void readOnWorker(platform::BackgroundSession *session) { m_worker = session; }

    // Shows the issue with this ID, with its fields (captions and texts as
    // the list shows them); an empty ID shows that no issue is selected.
    // The same issue shown again keeps its place in the pane.
    void showIssue(const QString &id, const QList<DetailPaneText::Field> &fields);
    // Reads the shown issue's notes and activity again.
    void reread();
    QString shownIssueId() const { return m_issueId; }

    // Adds the note box's text as a note to the shown issue. The box is
    // emptied when it was added; when adding fails the text stays in it and
    // the pane says why.
    void addNote();

    // Asks for files and attaches each to the shown issue, with a progress
    // window that can cancel; a file refused (too large, unreadable) is
    // said in the pane and the others go on.
    void attachFiles();
    // Attaches the files (or the picture) a drop or the clipboard holds, in
    // the same way; a folder, pipe or device among them is said and skipped.
    void attachFrom(const QMimeData &data);
    // Ctrl+V outside the note box: attaches what the clipboard holds.
    void paste();
    // The largest file attached (a setting of the main window's).
    void setAttachmentLimit(qint64 bytes) { m_attachmentLimit = bytes; }

    // Opens a read-only copy of the attachment with the desktop's program;
    // content that no longer matches its hash is said, and nothing opened.
    void openAttachment(const Attachments::Attachment &attachment);
    void saveAttachment(const Attachments::Attachment &attachment);
    // Removes it (Ctrl+Z puts it back).
    void removeAttachment(const Attachments::Attachment &attachment);

    // The issue's notes and activity as the pane shows them after its
    // fields, with the entries "Restore this value" applies to, by their
    // Seq: the newest notes and entries, or with everything, all of them.
    // Throws Error.
    struct Activity {
        QString html;
        QHash<qint64, IssueHistory::Entry> restorable;
        QList<Attachments::Attachment> attachments;
    };
    static Activity readActivity(Connection &connection, qint64 issueId, const QDateTime &now, bool everything);
    // How many of each show until the user asks for all: a long story
    // shows at once, its older part a click away.
    static constexpr int notesShown = 50;
    static constexpr int entriesShown = 100;

signals:
    // A note was added to the issue (the undo stack keeps it).
    void noteAdded(qint64 issueId);
    // "Restore this value" was chosen on an activity entry.
    void restoreRequested(const IssueHistory::Entry &entry);
    // A file was attached to the issue, or an attachment removed, by this
    // user (each one its own change for Ctrl+Z).
    void attached(qint64 issueId);
    void attachmentRemoved(qint64 issueId);

private:
    void render(const QString &activityHtml, bool samePlace);
    void showActivity(quint64 generation, Activity activity);
    void openLink(const QUrl &link);
    void showProblem(const QString &text);
    void attach(const platform::AttachmentSources &sources);
    void showAttachments(QList<Attachments::Attachment> attachments);
    QString dragCopy(const Attachments::Attachment &attachment);

    QTextBrowser *m_view;
    QLabel *m_noteProblem;
    QPlainTextEdit *m_noteBox;
    QPushButton *m_addNoteButton;
    QPushButton *m_attachButton;
    AttachmentList *m_attachmentList;
    AttachmentThumbnails *m_thumbnails = nullptr; // made with the first attachment shown
    qint64 m_attachmentLimit;
    platform::BackgroundSession *m_worker = nullptr;

    QString m_issueId;
    QList<DetailPaneText::Field> m_fields;
    QHash<qint64, IssueHistory::Entry> m_restorable;
    QString m_activityHtml;    // as last read
    bool m_everything = false; // the user asked for every note and entry
    // Counts the reads asked for; an answer to an older one is dropped.
    quint64 m_generation = 0;
};
