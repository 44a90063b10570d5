#pragma once
// Saved views and the order of the value lists, as the main window offers
// them: the "Views" button beside the find box lists the views, Ctrl+1 to
// Ctrl+9 choose the first nine, Ctrl+S saves the list as shown now, and a
// small window renames and deletes them. "Order of Values..." in the list's
// context menu sets the order that sorting by status, category or priority
// follows. The views and the order live in the database (data/SavedViews.h,
// data/ValueOrder.h).

#include "data/SavedViews.h"

#include <QDialog>
#include <QObject>

#include <array>

class MainWindow;
class QListWidget;
class QMenu;
class QComboBox;

class ViewCommands : public QObject {
    Q_OBJECT
public:
    // Adds the keys to the window, fills the find bar's Views menu as it
    // opens, and the value order's command to the list's menu.
    ViewCommands(MainWindow &window, QMenu &listMenu);

    // The list as shown now, as a view without a name.
    SavedViews::View shownView() const;
    // Shows the list as the view says: the find box's query, the sort, the
    // shown columns and the closed issues, with one refill.
    void applyView(const SavedViews::View &view);
    // Asks a name (and on a server whether to share it) and saves the list
    // as shown under it.
    void saveView();
    // Chooses the view at this place of the Views menu (0 for Ctrl+1);
    // nothing when there are fewer.
    void chooseView(int place);
    // The window that renames and deletes views.
    void manageViews();
    // The window that orders the value lists; the list sorts by it at once.
    void orderValues();
    // Reads the order of the value lists into the list's sort.
    void loadValueOrders();

    // Shows or hides a column of the list (never the ID), keeping its width.
    void showColumn(int column, bool shown);

private:
    void fillViewsMenu(QMenu *menu);

    MainWindow &m_window;
    QString m_chosenName; // the view chosen or saved last, offered when saving
};

// Rename and Delete of the user's views.
class ViewsDialog : public QDialog {
    Q_OBJECT
public:
    explicit ViewsDialog(QWidget *parent = nullptr);
    // Lists the views again, from the database.
    void reload();
    void renameSelected();
    void deleteSelected();

    QListWidget *viewList = nullptr;

private:
    QList<SavedViews::View> m_views;
};

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
