#include "app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>

SingleInstance::SingleInstance(const QString &dataFolder, QObject *parent)
    : QObject(parent), m_folder(dataFolder), m_lock(lockPath(dataFolder))
{
    // The lock is stale only when its program is gone, however long it ran.
    m_lock.setStaleLockTime(0);
}

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
    const QString name = serverName(m_folder);
    if (m_lock.tryLock(0)) {
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
        return true;
    }
    if (m_lock.error() != QLockFile::LockFailedError)
        return true;
    QLocalSocket socket;
    socket.connectToServer(name);
    if (socket.waitForConnected(2000))
        socket.waitForDisconnected(2000);
    return false;
}
