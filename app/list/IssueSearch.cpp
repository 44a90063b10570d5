#include "app/list/IssueSearch.h"

#include "platform/BackgroundDisposal.h"
#include "platform/WorkerPriority.h"

#include <QCoreApplication>
#include <QDate>

#include <utility>

IssueSearch::IssueSearch(IssueListModel *model, QObject *parent) : QObject(parent), m_model(model)
{
    // One search at a time: the window's thread keeps the other core.
    m_workers.setMaxThreadCount(1);
}

IssueSearch::~IssueSearch()
{
    if (m_cancelled)
        m_cancelled->store(true);
    m_workers.waitForDone();
}

void IssueSearch::show(Result result)
{
    m_model->setVisibleRows(result.table, result.kept);
    std::optional<Result> previous = std::exchange(m_shown, std::move(result));
    // The rows of a replaced refill may be held by nothing else now; freed
    // here, a long list would stop the window for tens of milliseconds.
    if (previous)
        platform::disposeInBackground(previous->table);
    emit applied();
}

void IssueSearch::applyNow(const IssueFilterCriteria &criteria)
{
    if (m_cancelled)
        m_cancelled->store(true);
    ++m_generation;
    m_criteria = criteria;
    const auto table = m_model->table();
    auto kept = IssueFilter::keptRows(*table, criteria, QDate::currentDate());
    show(Result{table, criteria, std::move(*kept)});
}

void IssueSearch::applyLater(const IssueFilterCriteria &criteria)
{
    if (m_cancelled)
        m_cancelled->store(true);
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    const quint64 generation = ++m_generation;
    m_criteria = criteria;
    const auto table = m_model->table();
    // A longer text can only keep fewer rows: search among the rows shown.
    auto within = std::make_shared<std::vector<char>>();
    if (m_shown && m_shown->table == table && criteria.narrows(m_shown->criteria))
        *within = m_shown->kept;
    m_workers.start([this, generation, criteria, table, within, cancelled = m_cancelled] {
        platform::runBelowWindowPriority();
        auto kept = IssueFilter::keptRows(*table, criteria, QDate::currentDate(), within.get(), cancelled.get());
        if (!kept)
            return;
        QMetaObject::invokeMethod(
            this,
            [this, generation, result = Result{table, criteria, std::move(*kept)}]() mutable {
                if (generation == m_generation)
                    show(std::move(result));
                else
                    platform::disposeInBackground(result.table);
            },
            Qt::QueuedConnection);
    });
}

void IssueSearch::showRefilled(const IssueFilterCriteria &filteredBy, std::vector<char> kept)
{
    if (m_cancelled)
        m_cancelled->store(true);
    ++m_generation;
    show(Result{m_model->table(), filteredBy, std::move(kept)});
    if (!(filteredBy == m_criteria))
        applyLater(m_criteria);
}

void IssueSearch::waitUntilApplied()
{
    m_workers.waitForDone();
    QCoreApplication::sendPostedEvents(this);
}
