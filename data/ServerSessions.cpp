// The server engine as a Connection reaches it: compiled in a build with
// server support (MARROWDESK_WITH_POSTGRES), in place of NoServer.cpp.

#include "data/Connection.h"
#include "data/postgres/PgSchema.h"
#include "data/postgres/PgSession.h"

std::unique_ptr<Session> openServerSession(const QString &target)
{
    auto session = std::make_unique<PgSession>(target);
    PgSchema::check(*session);
    return session;
}

bool ConnectionText::namesServer(const QString &connectionString)
{
    return PgSession::recognises(connectionString);
}
