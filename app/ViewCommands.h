#pragma once
// Saved views and the order of the value lists, as the main window offers
// them: the "Views" button beside the find box lists the views, Ctrl+1 to
// Ctrl+9 choose the first nine, Ctrl+S saves the list as shown now, and a
// small window renames and deletes them. "Order of Values..." in the list's
// context menu sets the order that sorting by status, category or priority
// follows. The views and the order live in the database (data/SavedViews.h,
// data/ValueOrder.h).

#include "data/SavedViews.h"

#include <QObject>

class MainWindow;
class QMenu;

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
