#pragma once
// Reads the issue list again on a worker, with a session of its own, when
// another user saved a change: typing in the find bar and scrolling go on
// meanwhile, as they do while the find bar searches. A newer read drops an
// older one still waiting or running, and so does a refill made on the
// window's thread (supersede). The rows shown change only when a read
// succeeded, in one go, sorted and filtered as the list is by then; a read
// that failed leaves them as they are.

#include "app/list/IssueListLoading.h"

#include <QObject>

#include <atomic>
#include <functional>
#include <memory>

class IssueSearch;

namespace platform {
class BackgroundSession;
}

class IssueListReread : public QObject {
    Q_OBJECT
public:
    IssueListReread(IssueListModel *model, IssueSearch *search, platform::BackgroundSession *session,
                    QObject *parent = nullptr);
    ~IssueListReread() override;

    // Starts reading the open issues, or every issue when withClosed.
    void start(bool withClosed);
    // Drops the read under way: its rows will not show.
    void supersede();
    // Whether a read is under way.
    bool isRunning() const { return m_running; }
    // While held() is true, rows that were read wait to be shown: a command
    // waiting on a box holds rows of the list as they are.
    void setHold(std::function<bool()> held) { m_held = std::move(held); }

signals:
    // The read's rows are about to replace the shown ones: the window notes
    // its place in the list.
    void aboutToShow();
    // The read ended: its rows are shown (read), or it failed and the rows
    // shown stay.
    void finished(const IssueListLoading::Refilled &refilled);

private:
    struct Read;
    void show(Read read);

    IssueListModel *m_model;
    IssueSearch *m_search;
    platform::BackgroundSession *m_session;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    bool m_running = false;
    std::function<bool()> m_held;
};
