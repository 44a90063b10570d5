#pragma once
// Files attached to issues (schema version 9). A file's bytes are kept once
// per SHA-256 however many attachments name them, in chunks, so that no
// statement carries a whole file and neither adding nor extracting holds
// one in memory. Adding is one transaction: a cancel, a failure or a file
// over the limit stores nothing. Extracting checks the hash and refuses
// what does not match.
//
// Removing an attachment marks it removed (the history's "attachment
// removed", with who and when), and Undo of that change puts it back; its
// content stays while its issue does. An issue's attachments go to the
// trash with it, come back with its restore, and go for good with its
// purge, with the content no other attachment names.

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QString>

#include <functional>

class Connection;
class QIODevice;

namespace Attachments {

// The largest file attached unless the caller says otherwise.
inline constexpr qint64 defaultSizeLimit = qint64(512) * 1024 * 1024;
// The size of the stored chunks.
inline constexpr qint64 chunkSize = qint64(512) * 1024;

struct Attachment {
    qint64 id = 0;
    qint64 issueId = 0;
    QString name;
    QString type; // a MIME type sniffed from the content
    qint64 size = 0;
    QString hash; // SHA-256, in lower-case hex
    QDateTime added;
    QString addedBy;
};

// Told the bytes done out of the bytes to do (the file is read twice: once
// for its hash, once to store it); returning false cancels.
using Progress = std::function<bool(qint64 done, qint64 total)>;

// Attaches what source holds (read from where it stands to its end) to the
// issue under name, and returns the attachment's ID. Throws Refusal when
// the issue is gone, the file is larger than limit, it changed while being
// read, or progress cancelled; Error when the database holds content under
// the file's hash whose chunks do not add up to its size. Nothing is stored
// then.
qint64 add(Connection &connection, qint64 issueId, QIODevice &source, const QString &name,
           const Progress &progress = {}, qint64 limit = defaultSizeLimit);
// The same for a file, under its own name.
qint64 add(Connection &connection, qint64 issueId, const QString &path, const Progress &progress = {},
           qint64 limit = defaultSizeLimit);

// The issue's attachments, oldest first, the removed ones left out.
QList<Attachment> list(Connection &connection, qint64 issueId);
// The same for every issue that has any (trashed ones too), by issue ID,
// in one read.
QHash<qint64, QList<Attachment>> byIssue(Connection &connection);

// Writes the attachment's content to target. Throws Error when the stored
// content does not match its hash: what was written then is no good copy.
void extract(Connection &connection, qint64 id, QIODevice &target);
// Writes it to a new file at path, which appears only when whole and good.
void extract(Connection &connection, qint64 id, const QString &path);

// Marks the attachment removed, or puts a removed one back. Refusal when it
// is not there to remove (or to put back).
void remove(Connection &connection, qint64 id);
void restore(Connection &connection, qint64 id);

// A file name to save a stored name as on any desktop system: never a path
// ('/', '\\' and the characters Windows forbids become '_'), no NUL,
// control or bidirectional control characters, not "." or "..", at most 255
// bytes of UTF-8 (the extension kept), never empty.
QString safeFileName(const QString &name);

} // namespace Attachments
