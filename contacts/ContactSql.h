#pragma once
// The two statements that write a contact. Both write all sixteen columns,
// every value between apostrophes with its apostrophes doubled; an empty box
// writes empty text, never a missing value.

#include <QString>
#include <QStringList>

namespace ContactSql {

// The number of contact boxes (Text1 .. Text16).
inline constexpr int boxCount = 16;

// "insert into Contacts (...) values ('...', ...)" for the box texts, given
// in box order Text1 .. Text16.
QString insertStatement(const QStringList &boxes);

// "update Contacts set [First Name]='...', ... where ID=" followed by id, for
// the box texts in box order Text1 .. Text16.
QString updateStatement(const QStringList &boxes, const QString &id);

} // namespace ContactSql
