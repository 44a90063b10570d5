#include "data/SessionBeside.h"

#include "data/Connection.h"
#include "data/postgres/PgSession.h"

namespace SessionBeside {

QString targetOf(const Connection &connection)
{
    if (connection.server())
        return connection.server()->target();
    return connection.fileName().isEmpty() ? QString() : ConnectionText::dataSource(connection.fileName());
}

std::unique_ptr<Connection> open(const QString &target)
{
    auto connection = std::make_unique<Connection>();
    connection->Open(target);
    return connection;
}

} // namespace SessionBeside
