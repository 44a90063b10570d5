#pragma once
// The two statements that write a contact. Both write all sixteen columns,
// every value between apostrophes with its apostrophes doubled. A new
// contact's empty box writes empty text; an update writes Null only for a
// value that was missing when loaded and left untouched.

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

namespace ContactSql {

// The number of contact boxes (objectNames Text1 .. Text16).
inline constexpr int boxCount = 16;

// "insert into Contacts (...) values ('...', ...)" for the box texts, given
// in box order.
QString insertStatement(const QStringList &boxes);

// "update Contacts set [First Name]='...', ... where ID=" followed by id, for
// the box values in box order (nothing for a missing value).
QString updateStatement(const QList<std::optional<QString>> &boxes, const QString &id);

} // namespace ContactSql
