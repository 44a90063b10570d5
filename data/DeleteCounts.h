#pragma once
// What a delete takes with it, counted before the user is asked: the issues
// that name a list value or a contact, and how many of them are closed.

#include <QString>

class Connection;

namespace DeleteCounts {

struct Issues {
    qint64 total = 0;
    qint64 closed = 0;
};

// The issues whose Status, Category or Priority (column) is the value, as
// the cascading delete matches it (letter case ignored). Throws Error.
Issues withValue(Connection &connection, const QString &column, const QString &value);

// The issues the contact is assigned to or opened. Throws Error.
Issues ofContact(Connection &connection, qint64 contactId);

// One sentence for a delete question: "“Cancelled” is used by 12 issues, 3
// of them closed." (verb "is used by"), with the counts in the user's
// number format.
QString sentence(const QString &name, const QString &verb, Issues issues);

} // namespace DeleteCounts
