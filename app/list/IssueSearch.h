#pragma once
// Applies a filter to the issue list: at once after a refill, or on a worker
// thread while the user types, so that a keystroke never waits for a search
// through 100,000 issues. A newer search drops an older one still running;
// a search for a longer text looks only among the rows the shorter one kept.

#include "app/list/IssueFilter.h"
#include "app/list/IssueListModel.h"

#include <QObject>
#include <QThreadPool>

#include <atomic>
#include <memory>
#include <optional>

class IssueSearch : public QObject {
    Q_OBJECT
public:
    explicit IssueSearch(IssueListModel *model, QObject *parent = nullptr);
    ~IssueSearch() override;

    // Filters the model's rows now, on this thread.
    void applyNow(const IssueFilterCriteria &criteria);
    // Filters on a worker; the list changes when it is done (applied()).
    void applyLater(const IssueFilterCriteria &criteria);
    // Shows the rows of a refill filtered elsewhere (by filteredBy, keeping
    // kept), dropping any search still running; when the filter changed
    // meanwhile, searches the new rows with it, on a worker.
    void showRefilled(const IssueFilterCriteria &filteredBy, std::vector<char> kept);
    // Waits until no search runs and its result is shown (tests, benchmarks).
    void waitUntilApplied();

    const IssueFilterCriteria &criteria() const { return m_criteria; }

signals:
    void applied();

private:
    struct Result {
        std::shared_ptr<const IssueListModel::Table> table;
        IssueFilterCriteria criteria;
        std::vector<char> kept;
    };
    void show(Result result);

    IssueListModel *m_model;
    QThreadPool m_workers;
    IssueFilterCriteria m_criteria;
    quint64 m_generation = 0;
    std::shared_ptr<std::atomic<bool>> m_cancelled;
    std::optional<Result> m_shown; // the last result the list shows
};
