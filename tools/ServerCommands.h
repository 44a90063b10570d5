#pragma once
// marrowdesk-sql's commands that set up a team database on a server:
// --init, --upgrade, --add-member and --remove-member. Each prints what it did on out,
// or "error: " and why on err, and returns the exit status (0 or 1).

#include <QString>

class QTextStream;

namespace ServerCommands {

int init(const QString &target, QTextStream &out, QTextStream &err);
int upgrade(const QString &target, QTextStream &out, QTextStream &err);
int addMember(const QString &name, const QString &target, QTextStream &out, QTextStream &err);
int removeMember(const QString &name, const QString &target, QTextStream &out, QTextStream &err);

} // namespace ServerCommands
