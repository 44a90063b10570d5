#include "data/BytePath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

bool linkTo(const QByteArray &target, const QString &link)
{
    return ::symlink(target.constData(), QFile::encodeName(link).constData()) == 0;
}

} // namespace

QString pathForBytes(const QByteArray &bytes, bool database)
{
    const QString text = QFile::decodeName(bytes);
    if (QFile::encodeName(text) == bytes)
        return text;
    // Removed when the program ends; the links in it point at the user's
    // files, which stay where they are.
    static QTemporaryDir aliases(QDir::tempPath() + QStringLiteral("/marrowdesk-names-XXXXXX"));
    static int made = 0;
    QByteArray absolute = bytes;
    if (!absolute.startsWith('/')) {
        char here[4096];
        if (::getcwd(here, sizeof here))
            absolute = QByteArray(here) + '/' + absolute;
    }
    const qsizetype slash = absolute.lastIndexOf('/');
    const QByteArray folder = absolute.left(qMax<qsizetype>(slash, 1));
    const QByteArray name = absolute.mid(slash + 1);
    const QString alias = aliases.filePath(QString::number(++made));
    if (QFile::encodeName(QFile::decodeName(name)) == name)
        return linkTo(folder, alias) ? alias + QLatin1Char('/') + QFile::decodeName(name) : text;
    // The file's own name is the one that is not valid: everything the
    // program finds beside a database is reached by a link of its own.
    if (!QDir().mkdir(alias))
        return text;
    const QString file = alias + QStringLiteral("/") + text.mid(text.lastIndexOf(QLatin1Char('/')) + 1);
    if (database)
        ::mkdir((folder + "/backups").constData(), 0700);
    linkTo(folder + "/backups", alias + QStringLiteral("/backups"));
    for (const char *suffix : {"-journal", "-wal"})
        linkTo(absolute + suffix, file + QLatin1String(suffix));
    return linkTo(absolute, file) ? file : text;
}
