#include "data/SharedConnection.h"

#include "data/Connection.h"
#include "data/Error.h"

#include <memory>

namespace {
std::unique_ptr<Connection> &slot()
{
    static std::unique_ptr<Connection> connection;
    return connection;
}
} // namespace

Connection &createSharedConnection()
{
    slot() = std::make_unique<Connection>();
    return *slot();
}

Connection &sharedConnection()
{
    if (!slot())
        throw Error(QStringLiteral("The database connection has not been created."));
    return *slot();
}

bool hasSharedConnection()
{
    return static_cast<bool>(slot());
}

void releaseSharedConnection()
{
    slot().reset();
}
