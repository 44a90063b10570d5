#pragma once
// One Marrowdesk per data folder: the first program on a folder holds a lock
// file in it and listens on a local socket named after the folder; a second
// start finds the lock, asks the first through the socket to bring its
// window to the front, and ends. So two programs never race over the
// database or its backups. (The SQL shell takes no part: it makes no
// backups, and SQLite's own locking serves it.)

#include <QLockFile>
#include <QObject>
#include <QString>

class QLocalServer;

class SingleInstance : public QObject {
    Q_OBJECT
public:
    explicit SingleInstance(const QString &dataFolder, QObject *parent = nullptr);
    ~SingleInstance() override;

    // Whether this program may go on: true when it now holds the folder, or
    // when no lock can be made there at all (start-up then reports the
    // folder's fault); false when another running program holds it, which
    // has then been asked to come to the front. A lock that names no owner
    // (empty, garbled, a folder in its place) is stale: it is set aside and
    // taken.
    bool claim();

    // After claim() returned false: whether the program holding the folder
    // answered, and so was brought to the front.
    bool firstAnswered() const { return m_firstAnswered; }

    // Whether this program holds the folder.
    bool holds() const { return m_lock.isLocked(); }

    static QString lockPath(const QString &dataFolder);
    // The local socket's name: the same for every spelling of the folder.
    static QString serverName(const QString &dataFolder);

signals:
    // Another start on the same folder asks for the window.
    void activationRequested();

private:
    void listen();

    QString m_folder;
    bool m_firstAnswered = false;
    QLockFile m_lock;
    QLocalServer *m_server = nullptr;
};
