#pragma once
// One transaction on a Connection, undone unless committed: whatever leaves
// the scope early (a refusal, a fault) rolls back everything done since the
// guard began.

#include "data/Connection.h"

class Transaction {
public:
    explicit Transaction(Connection &connection) : m_connection(connection)
    {
        m_connection.Execute(QStringLiteral("begin"));
    }
    ~Transaction()
    {
        if (m_committed)
            return;
        try {
            m_connection.Execute(QStringLiteral("rollback"));
        } catch (...) {
            // A connection already lost has nothing left to roll back.
        }
    }
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Makes the changes lasting. Throws Error when the engine refuses; the
    // destructor then rolls back.
    void commit()
    {
        m_connection.Execute(QStringLiteral("commit"));
        m_committed = true;
    }

private:
    Connection &m_connection;
    bool m_committed = false;
};
