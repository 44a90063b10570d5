#include "data/SessionBeside.h"

#include "data/Connection.h"
#include "data/Session.h"

namespace SessionBeside {

QString targetOf(const Connection &connection)
{
    // A server's session names where a second one connects; a file is
    // opened again by its path.
    if (const Session *session = connection.session(); session && !session->notificationTarget().isEmpty())
        return session->notificationTarget();
    return connection.fileName().isEmpty() ? QString() : ConnectionText::dataSource(connection.fileName());
}

std::unique_ptr<Connection> open(const QString &target)
{
    auto connection = std::make_unique<Connection>();
    connection->Open(target);
    return connection;
}

} // namespace SessionBeside
