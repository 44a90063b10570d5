#include "platform/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QThread>

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_folder(dataFolder), m_lock(lockPath(dataFolder))
{
    // Never stale by age, however long a program runs: staleness is judged
    // by its owner (see claim).
    m_lock.setStaleLockTime(0);
}

namespace {

// Whether a program on this folder answers on its socket. A program that
// has just taken the lock may not listen yet, so it is given a moment.
bool firstAnswers(const QString &name)
{
    QElapsedTimer waited;
    waited.start();
    do {
        QLocalSocket socket;
        socket.connectToServer(name);
        if (socket.waitForConnected(500)) {
            socket.waitForDisconnected(2000);
            return true;
        }
        QThread::msleep(100);
    } while (waited.elapsed() < 2000);
    return false;
}

// Sets a lock that no running program holds out of the way: a file is
// removed (it holds nothing but an owner's number); anything else, such as
// a folder, is renamed aside, so that nothing in it is lost.
bool clearStaleLock(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isDir() || info.isSymLink())
        return QFile::remove(path);
    for (int n = 1; n < 100; ++n) {
        const QString aside = path + QStringLiteral(".stale-%1").arg(n);
        if (!QFileInfo::exists(aside))
            return QDir().rename(path, aside);
    }
    return false;
}

} // namespace

SingleInstance::~SingleInstance() = default;

QString SingleInstance::lockPath(const QString &dataFolder)
{
    return dataFolder + QStringLiteral("/marrowdesk.lock");
}

QString SingleInstance::serverName(const QString &dataFolder)
{
    const QString canonical = QFileInfo(dataFolder).canonicalFilePath();
    const QByteArray key = (canonical.isEmpty() ? QDir::cleanPath(dataFolder) : canonical).toUtf8();
    return QStringLiteral("marrowdesk-") +
           QString::fromLatin1(QCryptographicHash::hash(key, QCryptographicHash::Sha256).toHex().left(32));
}

bool SingleInstance::claim()
{
    if (m_lock.isLocked())
        return true;
    for (int attempt = 0; !m_lock.tryLock(0); ++attempt) {
        if (m_lock.error() != QLockFile::LockFailedError)
            return true; // start-up reports the folder's fault
        qint64 owner = 0;
        QString host, application;
        if (m_lock.getLockInfo(&owner, &host, &application) && owner > 0) {
            // A running owner: Qt itself sets aside a lock whose program is
            // gone, or whose number another program now has.
            m_firstAnswered = firstAnswers(serverName(m_folder));
            return false;
        }
        // No owner can be read: empty after a power cut, garbled, a folder.
        // A program taking the lock this instant writes its number just
        // after making the file, so the lock is read once more first.
        if (attempt == 0) {
            QThread::msleep(300);
            continue;
        }
        if (attempt > 1 || !clearStaleLock(lockPath(m_folder)))
            return true; // start-up reports the folder's fault
    }
    listen();
    return true;
}

void SingleInstance::listen()
{
    const QString name = serverName(m_folder);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    QLocalServer::removeServer(name); // the socket file of a program that was killed
    connect(m_server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket *socket = m_server->nextPendingConnection()) {
            connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
            socket->disconnectFromServer();
        }
        emit activationRequested();
    });
    // Without the socket a second start still finds the lock; it only
    // cannot bring this window forward.
    m_server->listen(name);
}
