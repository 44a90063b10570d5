#pragma once
// The window that renames and deletes the user's saved views.

#include "data/SavedViews.h"

#include <QDialog>

class QListWidget;

// How a view is named in the Views menu and this window: another's shared
// view with its owner, a shared one of the user's marked so.
QString viewLabel(const SavedViews::View &view);

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
