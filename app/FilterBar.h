#pragma once
// The bar above the issue list that narrows it: a find box that takes a
// query (data/IssueQuery.h), a choice of status, category, priority and
// assignee, "Overdue", "Show closed issues", and how many issues are shown
// of how many. The choices and "Overdue" write their terms into the query
// and show what it says, so that the two never disagree. A query that
// cannot be read is underlined where it fails, with the reason in its tip,
// and the list keeps what the last readable one kept. The window decides
// what the choices offer and what a change does.

#include "app/list/IssueFilter.h"
#include "data/IssueQuery.h"

#include <QComboBox>
#include <QList>
#include <QWidget>

#include <functional>
#include <utility>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QToolButton;
class QueryCompleter;

// A drop-down whose items are asked for each time it opens, so that it
// offers what the list holds now; the first item, the caption, keeps any.
class ChoiceBox : public QComboBox {
    Q_OBJECT
public:
    ChoiceBox(const QString &caption, QWidget *parent);
    std::function<QStringList()> offered;
    // The chosen value, or empty text for the first item, which stands for
    // any value and shows the caption.
    QString chosen() const;
    void showPopup() override;
};

class FilterBar : public QWidget {
    Q_OBJECT
public:
    explicit FilterBar(QWidget *parent = nullptr);

    // The last query that could be read (criteria().me left to the window).
    IssueFilterCriteria criteria() const;
    // Whether that query names the user ("assignee:me").
    bool namesMe() const { return m_namesMe; }
    // Why the text in the find box cannot be read; empty when it can.
    QString problem() const { return m_problem; }
    bool showsClosed() const;
    void setShowsClosed(bool shown);

    // The text in the find box, and setting it (read as if typed).
    QString queryText() const;
    void setQueryText(const QString &text);
    // The menu of the "Views" button beside the find box; the window fills
    // it each time it opens.
    QMenu *viewsMenu() const { return m_viewsMenu; }

    // "N of M issues".
    void setCounts(int shown, int total);

    // Puts the keyboard in the find box, its text selected.
    void focusFind();
    // Empties the find box and sets every choice back to any value.
    void clear();

    // The functions that give, each time a drop-down opens, the values the
    // list holds now for assignee, status, category and priority.
    void offerValues(std::function<QStringList()> assignees, std::function<QStringList()> statuses,
                     std::function<QStringList()> categories, std::function<QStringList()> priorities);

signals:
    void criteriaChanged();
    void showClosedToggled(bool shown);
    void closeRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void readQuery();
    void showProblem(const IssueQuery::Unreadable *unreadable);
    void showQuery(const IssueQuery::Query &query);
    void writeChoice(ChoiceBox *choice, IssueQuery::Field field, const char *name);
    void writeOverdue(bool overdue);
    QList<std::pair<ChoiceBox *, IssueQuery::Field>> choices() const;

    QString m_readText; // the last text that could be read
    QString m_problem;
    bool m_namesMe = false;
    bool m_showing = false; // while the controls show what the query says
    QueryCompleter *m_completer;
    ChoiceBox *m_statusChoice;
    ChoiceBox *m_categoryChoice;
    ChoiceBox *m_priorityChoice;
    ChoiceBox *m_assigneeChoice;
    QLineEdit *m_findBox;
    QToolButton *m_viewsButton;
    QMenu *m_viewsMenu;
    QCheckBox *m_overdueOnly;
    QCheckBox *m_showClosed;
    QLabel *m_counts;
    QToolButton *m_closeButton;
};
