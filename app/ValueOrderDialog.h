#pragma once
// The window that orders the value lists (statuses, categories,
// priorities), which sorting the issue list by them follows.

#include <QDialog>
#include <QStringList>

#include <array>

class QComboBox;
class QListWidget;

// The order of statuses, categories and priorities: move up and down.
class ValueOrderDialog : public QDialog {
    Q_OBJECT
public:
    explicit ValueOrderDialog(QWidget *parent = nullptr);
    // Moves the selected value one place up (-1) or down (+1).
    void moveSelected(int by);
    // Stores the order of every list shown, in one transaction each.
    void save();

    QComboBox *listChoice = nullptr;
    QListWidget *valueList = nullptr;

private:
    void showList(int list);
    void takeShownOrder();
    std::array<QStringList, 3> m_values;
    std::array<bool, 3> m_changed{};
    int m_shown = -1;
};
