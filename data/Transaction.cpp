#include "data/Transaction.h"

#include "data/Connection.h"

Transaction::Transaction(Connection &connection) : m_connection(connection)
{
    m_connection.Execute(QStringLiteral("begin"));
}

Transaction::~Transaction()
{
    if (m_committed)
        return;
    try {
        m_connection.Execute(QStringLiteral("rollback"));
    } catch (...) {
        // Nothing was begun, or the engine rolled back already.
    }
}

void Transaction::commit()
{
    m_connection.Execute(QStringLiteral("commit"));
    m_committed = true;
}
