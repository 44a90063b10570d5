#pragma once
// What the windows ask about contacts beyond the statements they send.

#include <QHash>
#include <QList>
#include <QString>

class Connection;

namespace ContactQueries {

// What tells two contacts of the same name apart.
struct Details {
    QString company;
    QString email;
};

// The company and e-mail address of each of the contacts with these IDs
// (missing values as empty text). Throws Error.
QHash<qint64, Details> details(Connection &connection, const QList<qint64> &ids);

// Whether a contact with this ID exists. Throws Error.
bool exists(Connection &connection, qint64 id);

} // namespace ContactQueries
