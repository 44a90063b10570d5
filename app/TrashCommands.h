#pragma once
// The main window's commands over the trash: undoing the last delete puts
// back what it removed, with its IDs (Ctrl+Z reaches it through
// app/UndoCommands); "Deleted Items..." lists every group of the trash, to
// restore or purge.

#include <QObject>

class MainWindow;

class TrashCommands : public QObject {
    Q_OBJECT
public:
    // Adds "Deleted Items..." to the window's list menu.
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
