#include "platform/BackgroundSession.h"

#include "data/Connection.h"
#include "data/Error.h"
#include "data/SessionBeside.h"
#include "platform/WorkerPriority.h"

#include <QCoreApplication>

#include <exception>

namespace platform {

struct BackgroundSession::Session {
    QString target;
    std::unique_ptr<Connection> connection;
};

BackgroundSession::BackgroundSession(QString target, QObject *parent)
    : QObject(parent), m_session(std::make_shared<Session>())
{
    m_session->target = std::move(target);
    // One thread: the session serves one read at a time, and the window's
    // thread keeps the other core.
    m_worker.setMaxThreadCount(1);
}

BackgroundSession::~BackgroundSession()
{
    m_worker.clear();
    m_worker.waitForDone();
}

void BackgroundSession::run(QObject *receiver, Read read, Failed failed)
{
    m_worker.start([this, session = m_session, guard = QPointer<QObject>(receiver), read = std::move(read),
                    failed = std::move(failed)] {
        runBelowWindowPriority();
        Delivery delivery;
        try {
            if (!session->connection)
                session->connection = SessionBeside::open(session->target);
            delivery = read(*session->connection);
        } catch (const Error &error) {
            // The next read opens a session afresh rather than trust one a
            // failure may have left half closed.
            session->connection.reset();
            if (failed)
                delivery = [failed, description = error.description()] { failed(description); };
        } catch (const std::exception &error) {
            session->connection.reset();
            if (failed)
                delivery = [failed, description = QString::fromUtf8(error.what())] { failed(description); };
        }
        if (!delivery)
            return;
        QMetaObject::invokeMethod(
            this,
            [guard, delivery = std::move(delivery)] {
                if (guard)
                    delivery();
            },
            Qt::QueuedConnection);
    });
}

void BackgroundSession::waitUntilDelivered()
{
    m_worker.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}

} // namespace platform
