#pragma once
// One transaction on a connection, on either engine: it begins when made and
// is rolled back when it goes out of scope uncommitted, so that every path
// out of a change, an exception included, leaves nothing half written.
//
//     Transaction transaction(connection);
//     connection.Execute(first);
//     connection.Execute(second);
//     transaction.commit();

class Connection;

class Transaction {
public:
    // Begins the transaction. Throws Error when it cannot.
    explicit Transaction(Connection &connection);
    // Rolls back unless committed. Never throws: a failed rollback means the
    // engine already ended the transaction (or lost the connection, and the
    // server rolls back itself).
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Commits. Throws Error when the commit fails; the destructor then rolls
    // back whatever the engine still holds.
    void commit();

private:
    Connection &m_connection;
    bool m_committed = false;
};
