#pragma once
// The main window's commands over the trash: "Undo Delete" (Ctrl+Z) puts
// back what the last delete removed, with its IDs; "Deleted Items..." lists
// every group of the trash, to restore or purge.

#include <QObject>

class MainWindow;

class TrashCommands : public QObject {
    Q_OBJECT
public:
    // Adds the two commands to the window's keys and list menu.
    explicit TrashCommands(MainWindow *window);

    // Purges what the trash has kept longer than Trash::keptDays, by the
    // server's clock or, on a file, by the trash's own (data/TrashClock.h). Silent:
    // a purge that fails (a read-only file, a busy one) is tried again at
    // the next start.
    static void purgeExpired();

public slots:
    void undoLastDelete();
    void showDeletedItems();

private:
    // Refills the list and selects the first of the issues, if listed.
    void showIssues(const QList<qint64> &issues);

    MainWindow *m_window;
};
