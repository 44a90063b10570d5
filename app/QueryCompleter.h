#pragma once
// Completion in the find box for the word under the cursor: field names
// ("sta" offers "status:"), and after a field's colon the values the list
// holds for it and the words the field takes ("status:W" offers
// "status:Waiting", "assignee:" offers "me"). Choosing one replaces the
// word and leaves the rest of the query as it was.

#include "data/IssueQuery.h"

#include <QObject>
#include <QStringList>

#include <functional>

class QCompleter;
class QLineEdit;
class QStringListModel;

class QueryCompleter : public QObject {
    Q_OBJECT
public:
    // `values` gives, when asked, the values the list holds for a field.
    QueryCompleter(QLineEdit *edit, std::function<QStringList(IssueQuery::Field)> values);

private:
    // The word the cursor ends: [start, cursor).
    int wordStart() const;
    void offer();
    void insert(const QString &completion);

    QLineEdit *m_edit;
    QCompleter *m_completer;
    QStringListModel *m_offers;
    std::function<QStringList(IssueQuery::Field)> m_values;
};
