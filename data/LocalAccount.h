#pragma once
// Who uses the program on this machine, as the database records who changed
// or deleted something: the system account and the machine, "ann@desk7".
// A team may share one server role, and one account may work from several
// machines, so both parts are kept.

#include <QString>

namespace LocalAccount {

// "account@machine"; the account from the environment only where the system
// has no name for the user (a container's bare uid).
QString name();

} // namespace LocalAccount
