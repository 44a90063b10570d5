#pragma once
// The window that orders the value lists (statuses, categories,
// priorities), which sorting the issue list by them follows, and marks the
// statuses that close an issue.

#include "data/IssueStatus.h"

#include <QDialog>
#include <QHash>
#include <QStringList>

#include <array>

class QComboBox;
class QLabel;
class QListWidget;

// The order of statuses, categories and priorities: move up and down; a
// tick beside a status makes it close an issue ("Closed" always does).
class ValueOrderDialog : public QDialog {
    Q_OBJECT
public:
    explicit ValueOrderDialog(QWidget *parent = nullptr);
    // Moves the selected value one place up (-1) or down (+1).
    void moveSelected(int by);
    // Stores the order of every list shown, in one transaction each, and
    // the statuses ticked or unticked.
    void save();
    // Whether save changed which statuses close an issue.
    bool changedClosing() const { return m_closingChanged; }

    QComboBox *listChoice = nullptr;
    QListWidget *valueList = nullptr;
    QLabel *closingNote = nullptr;

private:
    void showList(int list);
    void takeShownOrder();
    std::array<QStringList, 3> m_values;
    std::array<bool, 3> m_changed{};
    int m_shown = -1;
    IssueStatus::ClosingRule m_rule;
    QHash<QString, bool> m_closes; // status as listed -> ticked
    bool m_closingChanged = false;
};
