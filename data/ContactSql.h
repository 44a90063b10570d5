#pragma once
// The statements of contacts. The two that write a contact write all sixteen
// columns, every value between apostrophes with its apostrophes doubled. A
// new contact's empty box writes empty text; an update writes Null only for
// a value that was missing when loaded and left untouched. IDs stand as
// plain numbers.

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
QString updateStatement(const QList<std::optional<QString>> &boxes, qint64 id);

// "select * from Contacts where ID=" followed by id: one contact's row.
QString contactQuery(qint64 id);

// Every contact's ID and its name as the issue editor's pickers show it,
// "First Last", in the order of those names (column ContactName).
QString namesQuery();

// "select * from [Open Issues] where [Opened By]=" followed by id: the open
// issues that name the contact in that contact column.
QString openIssuesQuery(const QString &contactColumn, qint64 id);

// "delete from Contacts where ID=" followed by id.
QString deleteStatement(qint64 id);

// The issues that go with a deleted contact: those assigned to it and those
// it opened.
QString deleteIssuesStatement(qint64 id);

} // namespace ContactSql
