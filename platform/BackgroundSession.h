#pragma once
// Reads of the database made on a worker thread, with a session of its own,
// so that the window's thread never waits on the network: one read at a
// time, in the order asked, each handing its outcome back to this object's
// thread, to a receiver that still lives.
//
// The session opens at the first read, and afresh after a read that failed
// (the server away or restarted): a lost server costs a read a failed
// connect on the worker, never a stop of the window.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>

#include <functional>
#include <memory>

class Connection;

namespace platform {

class BackgroundSession : public QObject {
    Q_OBJECT
public:
    // What a read hands back: the work to do on this object's thread with
    // what it read. Empty: nothing to do (a read that found itself dropped).
    using Delivery = std::function<void()>;
    using Read = std::function<Delivery(Connection &session)>;
    using Failed = std::function<void(const QString &description)>;

    // target: the database, as SessionBeside::targetOf names it.
    explicit BackgroundSession(QString target, QObject *parent = nullptr);
    // Reads still waiting never run; the one running is waited for.
    ~BackgroundSession() override;

    // Runs read on the worker. Its delivery runs on this object's thread
    // while receiver lives; when read throws Error, failed runs there
    // instead, with the error's description.
    void run(QObject *receiver, Read read, Failed failed);

    // Waits until no read runs or waits and each delivery is made (tests,
    // benchmarks).
    void waitUntilDelivered();

private:
    struct Session;
    std::shared_ptr<Session> m_session; // used on the worker only
    QThreadPool m_worker;
};

} // namespace platform
