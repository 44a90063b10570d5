#pragma once
// The bar above the issue list that narrows it: a find box, a choice of
// status, category, priority and assignee, "Overdue", "Show closed issues",
// and how many issues are shown of how many. The window decides what the
// choices offer and what a change does.

#include "app/list/IssueFilter.h"

#include <QComboBox>
#include <QWidget>

#include <functional>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

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

    IssueFilterCriteria criteria() const;
    bool showsClosed() const;
    void setShowsClosed(bool shown);

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
    ChoiceBox *m_statusChoice;
    ChoiceBox *m_categoryChoice;
    ChoiceBox *m_priorityChoice;
    ChoiceBox *m_assigneeChoice;
    QLineEdit *m_findBox;
    QCheckBox *m_overdueOnly;
    QCheckBox *m_showClosed;
    QLabel *m_counts;
    QToolButton *m_closeButton;
};
