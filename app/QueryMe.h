#pragma once
// Who "me" is in the find box's queries (assignee:me): on a team's server
// the contact of the login, when one matches it; otherwise a contact chosen
// once and kept in the settings store ("QueryMeContact"), asked for the
// first time a query names "me".

#include <QString>

class Connection;
class QWidget;

class QueryMe {
public:
    explicit QueryMe(QWidget *parent) : m_parent(parent) {}

    // The contact's name as the list shows it; empty when none is chosen
    // (then "me" keeps no issue). Asks at most once a run. Throws Error.
    QString name(Connection &connection);
    // Looks the name up again next time (contacts may have changed).
    void forgetName() { m_known.clear(); }

private:
    QWidget *m_parent;
    QString m_known;
    bool m_asked = false;
};
