#pragma once
// Databases on the throwaway PostgreSQL server the test run starts
// (tests/pg/server.sh, a CTest fixture). The fixture names the server in
// the file MARROWDESK_TEST_SERVER points to.

#include <QString>

namespace TestServer {

// The libpq target of the server's maintenance database. Fails the test
// when the run started no server.
QString adminTarget();

// A new, empty database on the server, without tables.
QString emptyDatabase();

// A new database with the Marrowdesk tables and no rows.
QString freshDatabase();

} // namespace TestServer
