#pragma once
// "Deleted Items": the trash by the time of each delete, newest first, one
// line per group (when, the command, what it held). Restore puts the chosen
// group back; Purge removes it for good, after a question.

#include "data/Trash.h"
#include "platform/Dialogs.h"

#include <QDialog>
#include <QList>

class QPushButton;
class QTreeWidget;

class DeletedItemsWindow : public QDialog, public platform::LoadsOnShow {
    Q_OBJECT
public:
    explicit DeletedItemsWindow(QWidget *parent = nullptr);

    // The issues restored while the window was open, for the list to show.
    const QList<qint64> &restoredIssues() const { return m_restoredIssues; }

public slots:
    void load() override;
    void restoreChosen();
    void purgeChosen();

private:
    QTreeWidget *groupList = nullptr;
    QPushButton *restoreButton = nullptr;
    QPushButton *purgeButton = nullptr;

    // The chosen group, or none.
    const Trash::Group *chosen() const;

    QList<Trash::Group> m_groups;
    QList<qint64> m_restoredIssues;
};
