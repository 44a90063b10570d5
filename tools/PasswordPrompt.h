#pragma once
// Asks for a password, never taking it from the command line, where every
// user of the machine could read it (ps, /proc, the shell's history).

#include <QByteArray>
#include <QString>

namespace PasswordPrompt {

// On a terminal: asks on standard error for the password of `who`, without
// echo, twice; empty when the two differ or nothing was typed (`why` says
// which). Otherwise reads one line of standard input, for scripts
// (printf '%s\n' "$secret" | marrowdesk-sql --add-member ...).
QByteArray ask(const QString &who, QString *why);

} // namespace PasswordPrompt
