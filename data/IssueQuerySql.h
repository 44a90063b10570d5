#pragma once
// A query of the find box's language (data/IssueQuery.h) as one statement:
// the issues it keeps, with their contacts' names, in ID order, every typed
// value a bound parameter. Runs on a file as on a server and keeps the
// issues the list engine's matcher keeps.

#include "data/IssueQuery.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <utility>

class Connection;
class Recordset;
class Session;

namespace IssueQuerySql {

struct Statement {
    QString text; // the dialect both engines share, placeholders $1, $2 ...
    QStringList parameters;
};

// The statement over every issue, open or closed; `me` is the name of the
// contact chosen as the user (empty: "me" keeps no issue), `today` the day
// "overdue" counts from.
Statement select(const IssueQuery::Query &query, const Session &session, const QString &me, const QDate &today);

// Runs it on the connection into rs. Throws Error.
void open(Recordset &rs, Connection &connection, const IssueQuery::Query &query, const QString &me, const QDate &today);

// The name (as the list shows it: first name, blank, last name) of the
// contact "me" stands for. On a shared database, the contact matching the
// member's login name by first name, whole name or e-mail address before
// '@', when exactly one does; otherwise the chosen
// contact (an ID; 0 for none). Empty when there is none. Throws Error.
QString meName(Connection &connection, qint64 chosenContact);
// The ID of that contact: the login's on a server when one matches it,
// else chosenContact (0: none).
qint64 meContactId(Connection &connection, qint64 chosenContact);

// Every contact as a choice for "me": ID and name (first and last name,
// as they are), in name order. Throws Error.
QList<std::pair<qint64, QString>> contactChoices(Connection &connection);

} // namespace IssueQuerySql
