#pragma once
// The one guard for a transaction, on either engine: made, it begins a
// transaction, or a savepoint inside one already open, so that guards nest;
// it is rolled back when it goes out of scope uncommitted, so that every
// path out of a change, an exception included, leaves nothing half written.
//
//     Transaction transaction(connection);
//     connection.Execute(first);
//     connection.Execute(second);
//     transaction.commit();
//
// A snapshot for reading is a guard that is never committed.

#include "data/Session.h"

class Connection;

class Transaction {
public:
    // Begins the transaction or the savepoint. Throws Error when it cannot.
    explicit Transaction(Connection &connection, Session::Begin kind = Session::Begin::Change);
    explicit Transaction(Session &session, Session::Begin kind = Session::Begin::Change);
    // Rolls back unless committed. Never throws: a failed rollback means the
    // engine already ended the transaction (or lost the connection, and the
    // server rolls back itself).
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    // Commits, or releases the savepoint into the transaction around it.
    // Throws Error when the commit fails; the destructor then rolls back
    // whatever the engine still holds.
    void commit();

private:
    Session &m_session;
    bool m_nested = false;
    bool m_committed = false;
};
