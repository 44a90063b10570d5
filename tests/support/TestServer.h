#pragma once
// Databases on the throwaway PostgreSQL server the test run starts
// (tests/pg/server.sh, a CTest fixture). The fixture names the server in
// the file MARROWDESK_TEST_SERVER points to.

#include <QString>
#include <QTemporaryDir>

namespace TestServer {

// The libpq target of the server's maintenance database. Fails the test
// when the run started no server.
QString adminTarget();

// A new, empty database on the server, without tables.
QString emptyDatabase();

// A new database with the Marrowdesk tables and no rows. Every such
// database of one test program shares one member role.
QString freshDatabase();

// The target as another role logs in to it (the test server trusts every
// role it has on its socket).
QString asRole(const QString &target, const QString &role);

// A PostgreSQL cluster of one test's own, for cases that stop or restart
// the server: started with the Marrowdesk tables in its maintenance
// database when made, stopped and removed when it goes.
class PrivateCluster {
public:
    PrivateCluster();
    ~PrivateCluster();
    PrivateCluster(const PrivateCluster &) = delete;
    PrivateCluster &operator=(const PrivateCluster &) = delete;

    // The cluster's libpq target; empty when it could not be started, and
    // error() says why.
    const QString &target() const { return m_target; }
    const QString &error() const { return m_error; }

    // Restarts the server (tests/pg/server.sh restart), with pg_ctl's
    // shutdown mode; false, with error(), when that failed.
    bool restart(const QString &mode = QStringLiteral("fast"));
    // Stops the server, keeping its cluster, and starts it again.
    bool halt();
    bool resume();

private:
    bool script(const QString &verb, const QString &mode = QString());

    QTemporaryDir m_folder;
    QString m_target;
    QString m_error;
};

} // namespace TestServer
