#include "data/Attachments.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/Session.h"
#include "data/Sha256.h"
#include "data/Transaction.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QMimeDatabase>
#include <QSaveFile>
#include <QTemporaryFile>
#include <QTimeZone>

#include <algorithm>
#include <future>

namespace Attachments {
namespace {

// Collects a query's values, row after row.
class Rows : public RowSink {
public:
    void columns(const QStringList &names) override { m_width = int(names.size()); }
    void value(Value value) override { m_values.append(std::move(value)); }
    int count() const { return m_width ? int(m_values.size()) / m_width : 0; }
    const Value &at(int row, int column) const { return m_values.at(qsizetype(row) * m_width + column); }

private:
    int m_width = 0;
    QList<Value> m_values;
};

Rows ask(Connection &connection, const QString &statement, const QStringList &parameters)
{
    Rows rows;
    connection.session()->query(statement, parameters, rows);
    return rows;
}

QString number(qint64 n)
{
    return QString::number(n);
}

QString sizeText(qint64 bytes)
{
    return QLocale::system().formattedDataSize(bytes, 1, QLocale::DataSizeTraditionalFormat);
}

[[noreturn]] void tooLarge(const QString &name, qint64 limit)
{
    throw Refusal(QStringLiteral("The file \u201c%1\u201d is larger than %2, the most Marrowdesk attaches; nothing was "
                                 "stored.")
                      .arg(name, sizeText(limit)));
}

[[noreturn]] void cancelled()
{
    throw Refusal(QStringLiteral("The file was not attached: you cancelled it, so nothing was stored."));
}

// Reads device to its end in chunks, handing each to take, all in one
// buffer: a chunk handed on is good until take returns.
template <typename Take>
qint64 readChunks(QIODevice &device, const QString &name, Take take)
{
    QByteArray buffer(chunkSize, Qt::Uninitialized);
    qint64 done = 0;
    for (;;) {
        const qint64 got = device.read(buffer.data(), chunkSize);
        if (got < 0)
            throw Refusal(QStringLiteral("The file \u201c%1\u201d could not be read (%2); nothing was stored.")
                              .arg(name, device.errorString()));
        if (got == 0)
            return done;
        done += got;
        take(QByteArray::fromRawData(buffer.constData(), got), done);
    }
}

[[noreturn]] void changedWhileRead(const QString &name)
{
    throw Refusal(QStringLiteral("The file \u201c%1\u201d changed while it was being attached; nothing was "
                                 "stored. Try again when it is no longer being written.")
                      .arg(name));
}

// Runs work (storing or writing the chunk) while another thread hashes it:
// the hash then costs no time of its own where a second core is free.
template <typename Work>
void hashAlongside(Sha256 &hash, const QByteArray &chunk, Work work)
{
    std::future<void> hashing = std::async(std::launch::async, [&hash, chunk] { hash.addData(chunk); });
    work();
    hashing.get();
}

struct Sniffed {
    QByteArray hash;
    qint64 size = 0;
    QString type;
};

Sniffed sniff(QIODevice &source, const QString &name, qint64 start, const Progress &progress, qint64 limit)
{
    Sniffed found;
    Sha256 hash;
    const qint64 total = source.size() - start;
    QByteArray head;
    found.size = readChunks(source, name, [&](const QByteArray &chunk, qint64 done) {
        if (done > limit)
            tooLarge(name, limit);
        if (head.isEmpty())
            head = QByteArray(chunk.constData(), std::min<qsizetype>(chunk.size(), 64 * 1024));
        hash.addData(chunk);
        if (progress && !progress(done, 2 * total))
            cancelled();
    });
    found.hash = hash.hexResult();
    found.type = QMimeDatabase().mimeTypeForData(head).name();
    return found;
}

} // namespace

qint64 add(Connection &connection, qint64 issueId, QIODevice &source, const QString &name, const Progress &progress,
           qint64 limit)
{
    // The content is read twice, for its hash and then to store it, so a
    // stream is first copied aside.
    if (source.isSequential()) {
        QTemporaryFile aside;
        if (!aside.open())
            throw Refusal(QStringLiteral("No temporary file could be made to read \u201c%1\u201d (%2); nothing was "
                                         "stored.")
                              .arg(name, aside.errorString()));
        readChunks(source, name, [&](const QByteArray &chunk, qint64 done) {
            if (done > limit)
                tooLarge(name, limit);
            if (aside.write(chunk) != chunk.size())
                throw Refusal(QStringLiteral("The temporary copy of \u201c%1\u201d could not be written (%2); "
                                             "nothing was stored.")
                                  .arg(name, aside.errorString()));
        });
        aside.seek(0);
        return add(connection, issueId, aside, name, progress, limit);
    }
    QString stored = name;
    stored.remove(QChar(0));
    if (stored.trimmed().isEmpty())
        throw Refusal(QStringLiteral("An attachment needs a name; nothing was stored."));
    const qint64 start = source.pos();
    if (source.size() - start > limit)
        tooLarge(stored, limit);
    const Sniffed content = sniff(source, stored, start, progress, limit);
    const QString hash = QString::fromLatin1(content.hash);
    Session &session = *connection.session();

    Transaction together(connection);
    if (ask(connection, QStringLiteral("SELECT \"ID\" FROM \"Issues\" WHERE \"ID\" = $1"), {number(issueId)}).count() ==
        0)
        throw Refusal(QStringLiteral("Issue %1 no longer exists (it may have been deleted meanwhile); the file was "
                                     "not attached.")
                          .arg(issueId));
    // The first writer of a content writes its chunks; a second, even one
    // at the same time on a server, waits for that and finds it there.
    const bool first = ask(connection,
                           QStringLiteral("INSERT INTO \"AttachmentContent\" (\"Hash\", \"Size\") VALUES ($1, $2) "
                                          "ON CONFLICT DO NOTHING RETURNING \"Hash\""),
                           {hash, number(content.size)})
                           .count() > 0;
    if (first) {
        if (!source.seek(start))
            throw Refusal(QStringLiteral("The file \u201c%1\u201d could not be read again (%2); nothing was stored.")
                              .arg(stored, source.errorString()));
        // What is stored is hashed again as it goes, so that a file written
        // to between the two reads is found out, and a growing one is not
        // read past what the first read found.
        Sha256 again;
        qint64 chunkNumber = 0;
        const qint64 storedSize = readChunks(source, stored, [&](const QByteArray &chunk, qint64 done) {
            if (done > content.size)
                changedWhileRead(stored);
            hashAlongside(again, chunk, [&] {
                session.executeWithBytes(QStringLiteral("INSERT INTO \"AttachmentChunks\" (\"Hash\", \"Number\", "
                                                        "\"Data\") VALUES ($1, $2, $3)"),
                                         {hash, number(chunkNumber++)}, chunk);
            });
            if (progress && !progress(content.size + done, 2 * content.size))
                cancelled();
        });
        if (storedSize != content.size || again.hexResult() != content.hash)
            changedWhileRead(stored);
    } else {
        // Content stored before (by anyone, with any program) is taken as
        // it stands only when its chunks add up to its size; whether they
        // match its hash, saving it out checks.
        const Rows held = ask(connection,
                              QStringLiteral("SELECT count(*), coalesce(sum(length(\"Data\")), 0) FROM "
                                             "\"AttachmentChunks\" WHERE \"Hash\" = $1"),
                              {hash});
        const qint64 chunks = held.at(0, 0).toInteger();
        if (held.at(0, 1).toInteger() != content.size || chunks != (content.size + chunkSize - 1) / chunkSize)
            throw Error(QStringLiteral("The database already holds content under the hash of \u201c%1\u201d, but "
                                       "it is damaged: %2 chunks that do not add up to the file's %3 bytes. The "
                                       "file was not attached; the database's owner can remove the damaged content "
                                       "(AttachmentContent and AttachmentChunks, hash %4).")
                            .arg(stored)
                            .arg(chunks)
                            .arg(content.size)
                            .arg(hash));
        if (progress && !progress(2 * content.size, 2 * content.size))
            cancelled();
    }
    const Rows added = ask(connection,
                           QStringLiteral("INSERT INTO \"Attachments\" (\"Issue ID\", \"Name\", \"Type\", \"Size\", "
                                          "\"Hash\") VALUES ($1, $2, $3, $4, $5) RETURNING \"ID\""),
                           {number(issueId), stored, content.type, number(content.size), hash});
    together.commit();
    return added.at(0, 0).toInteger();
}

qint64 add(Connection &connection, qint64 issueId, const QString &path, const Progress &progress, qint64 limit)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Refusal(QStringLiteral("The file %1 could not be opened (%2); nothing was attached.")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    return add(connection, issueId, file, QFileInfo(path).fileName(), progress, limit);
}

namespace {

const QString listColumns = QStringLiteral("SELECT \"ID\", \"Issue ID\", \"Name\", \"Type\", \"Size\", \"Hash\", "
                                           "\"Added\", \"AddedBy\" FROM \"Attachments\" WHERE \"Removed\" IS NULL ");

Attachment listed(const Rows &rows, int row)
{
    Attachment a;
    a.id = rows.at(row, 0).toInteger();
    a.issueId = rows.at(row, 1).toInteger();
    a.name = rows.at(row, 2).toTextOrEmpty();
    a.type = rows.at(row, 3).toTextOrEmpty();
    a.size = rows.at(row, 4).toInteger();
    a.hash = rows.at(row, 5).toTextOrEmpty();
    if (!rows.at(row, 6).isNull())
        a.added = QDateTime::fromMSecsSinceEpoch(rows.at(row, 6).toInteger(), QTimeZone::utc());
    a.addedBy = rows.at(row, 7).toTextOrEmpty();
    return a;
}

} // namespace

QList<Attachment> list(Connection &connection, qint64 issueId)
{
    const Rows rows =
        ask(connection, listColumns + QStringLiteral("AND \"Issue ID\" = $1 ORDER BY \"ID\""), {number(issueId)});
    QList<Attachment> found;
    for (int row = 0; row < rows.count(); ++row)
        found.append(listed(rows, row));
    return found;
}

QHash<qint64, QList<Attachment>> byIssue(Connection &connection)
{
    const Rows rows = ask(connection, listColumns + QStringLiteral("ORDER BY \"Issue ID\", \"ID\""), {});
    QHash<qint64, QList<Attachment>> found;
    for (int row = 0; row < rows.count(); ++row) {
        Attachment a = listed(rows, row);
        found[a.issueId].append(std::move(a));
    }
    return found;
}

void extract(Connection &connection, qint64 id, QIODevice &target)
{
    Transaction snapshot(connection, Session::Begin::Snapshot);
    const Rows found =
        ask(connection, QStringLiteral("SELECT \"Hash\", \"Size\", \"Name\" FROM \"Attachments\" WHERE \"ID\" = $1"),
            {number(id)});
    if (found.count() == 0)
        throw Refusal(QStringLiteral("Attachment %1 no longer exists; nothing was saved.").arg(id));
    const QString hash = found.at(0, 0).toTextOrEmpty();
    const qint64 size = found.at(0, 1).toInteger();
    const QString name = found.at(0, 2).toTextOrEmpty();
    Sha256 check;
    qint64 written = 0;
    for (qint64 chunkNumber = 0;; ++chunkNumber) {
        const std::optional<QByteArray> chunk = connection.session()->readBytes(
            QStringLiteral("SELECT \"Data\" FROM \"AttachmentChunks\" WHERE \"Hash\" = $1 AND \"Number\" = $2"),
            {hash, number(chunkNumber)});
        if (!chunk)
            break;
        written += chunk->size();
        hashAlongside(check, *chunk, [&] {
            if (target.write(*chunk) != chunk->size())
                throw Refusal(QStringLiteral("The attachment \u201c%1\u201d could not be written (%2).")
                                  .arg(name, target.errorString()));
        });
    }
    snapshot.commit();
    if (written != size || QString::fromLatin1(check.hexResult()) != hash)
        throw Error(QStringLiteral("The stored content of the attachment \u201c%1\u201d is damaged: it does not match "
                                   "the file that was attached, so what was written is not a good copy.")
                        .arg(name));
}

void extract(Connection &connection, qint64 id, const QString &path)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Refusal(QStringLiteral("The file %1 could not be written (%2); nothing was saved.")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
    try {
        extract(connection, id, file);
    } catch (...) {
        file.cancelWriting();
        throw;
    }
    if (!file.commit())
        throw Refusal(QStringLiteral("The file %1 could not be written (%2); nothing was saved.")
                          .arg(QDir::toNativeSeparators(path), file.errorString()));
}

void remove(Connection &connection, qint64 id)
{
    // The triggers stamp the time and who removed it.
    if (ask(connection,
            QStringLiteral("UPDATE \"Attachments\" SET \"Removed\" = 0 WHERE \"ID\" = $1 AND \"Removed\" IS NULL "
                           "RETURNING \"ID\""),
            {number(id)})
            .count() == 0)
        throw Refusal(QStringLiteral("The attachment is no longer there (it may have been removed meanwhile)."));
}

void restore(Connection &connection, qint64 id)
{
    if (ask(connection,
            QStringLiteral("UPDATE \"Attachments\" SET \"Removed\" = NULL WHERE \"ID\" = $1 AND \"Removed\" IS NOT "
                           "NULL RETURNING \"ID\""),
            {number(id)})
            .count() == 0)
        throw Refusal(QStringLiteral("The attachment cannot be put back: it is not removed, or no longer exists."));
}

QString safeFileName(const QString &name)
{
    QString safe;
    for (const char32_t c : name.toUcs4()) {
        const bool control = c < 0x20 || (c >= 0x7f && c <= 0x9f);
        const bool bidi =
            (c >= 0x202a && c <= 0x202e) || (c >= 0x2066 && c <= 0x2069) || c == 0x200e || c == 0x200f || c == 0x061c;
        if (control || bidi)
            continue;
        if (QStringLiteral("/\\:*?\"<>|").contains(QChar(c)))
            safe += QLatin1Char('_');
        else
            safe += QString::fromUcs4(&c, 1);
    }
    // Windows drops trailing dots and blanks; a leading blank hides a name.
    while (!safe.isEmpty() && (safe.endsWith(QLatin1Char('.')) || safe.endsWith(QLatin1Char(' '))))
        safe.chop(1);
    safe = safe.trimmed();
    if (safe.isEmpty())
        return QStringLiteral("attachment");
    // At most 255 bytes of UTF-8, cut between characters, the extension kept.
    const qsizetype dot = safe.lastIndexOf(QLatin1Char('.'));
    QString extension = dot > 0 && safe.size() - dot <= 16 ? safe.mid(dot) : QString();
    QString stem = safe.left(safe.size() - extension.size());
    while ((stem + extension).toUtf8().size() > 255) {
        stem.chop(stem.size() > 1 && stem.at(stem.size() - 1).isLowSurrogate() ? 2 : 1);
        if (stem.isEmpty()) {
            stem = QStringLiteral("attachment");
            extension.clear();
        }
    }
    return stem + extension;
}

} // namespace Attachments
