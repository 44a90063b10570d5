#include "data/Transaction.h"

#include "data/Connection.h"
#include "data/Error.h"

namespace {

Session &openSession(Connection &connection)
{
    if (Session *session = connection.session())
        return *session;
    throw Error(QStringLiteral("Operation is not allowed when the database is closed."));
}

} // namespace

Transaction::Transaction(Connection &connection, Session::Begin kind) : Transaction(openSession(connection), kind) {}

Transaction::Transaction(Session &session, Session::Begin kind) : m_session(session)
{
    m_nested = m_session.inTransaction();
    if (m_nested)
        m_session.execute(QStringLiteral("SAVEPOINT marrow_guard"));
    else
        m_session.begin(kind);
}

Transaction::~Transaction()
{
    if (m_committed)
        return;
    try {
        if (m_nested) {
            m_session.execute(QStringLiteral("ROLLBACK TO SAVEPOINT marrow_guard"));
            m_session.execute(QStringLiteral("RELEASE SAVEPOINT marrow_guard"));
        } else {
            m_session.execute(QStringLiteral("rollback"));
        }
    } catch (...) {
        // Nothing was begun, or the engine rolled back already.
    }
}

void Transaction::commit()
{
    m_session.execute(m_nested ? QStringLiteral("RELEASE SAVEPOINT marrow_guard") : QStringLiteral("commit"));
    m_committed = true;
}
