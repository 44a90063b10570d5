#include "app/list/IssueListReread.h"

#include "app/list/IssueFilter.h"
#include "app/list/IssueSearch.h"
#include "platform/BackgroundSession.h"

#include <QDate>
#include <QTimer>

struct IssueListReread::Read {
    IssueListLoading::ReadAside rows;
    // The filter as it stood when the read began, and the rows it keeps.
    IssueFilterCriteria criteria;
    std::vector<char> kept;
};

IssueListReread::IssueListReread(IssueListModel *model, IssueSearch *search, platform::BackgroundSession *session,
                                 QObject *parent)
    : QObject(parent), m_model(model), m_search(search), m_session(session)
{
}

IssueListReread::~IssueListReread()
{
    supersede();
}

void IssueListReread::supersede()
{
    if (m_cancelled)
        m_cancelled->store(true);
    ++m_generation;
    m_running = false;
}

void IssueListReread::start(bool withClosed)
{
    supersede();
    m_cancelled = std::make_shared<std::atomic<bool>>(false);
    m_running = true;
    const quint64 generation = m_generation;
    // What the worker needs of the window is taken now, on its thread.
    auto rows = std::make_shared<IssueListModel::Refill>(m_model->newRefill());
    const QStringList captions = IssueListLoading::captionsOf(*m_model);
    const IssueFilterCriteria criteria = m_search->criteria();
    const qint64 me = IssueListLoading::meContact();
    m_session->run(
        this,
        [this, generation, withClosed, rows, captions, criteria, me,
         cancelled = m_cancelled](Connection &session) -> platform::BackgroundSession::Delivery {
            if (cancelled->load())
                return {};
            auto read = std::make_shared<Read>(
                Read{IssueListLoading::readAside(session, withClosed, std::move(*rows), captions, me), criteria, {}});
            // Filtered here too, so that showing the rows costs the window
            // no search unless the user typed meanwhile.
            auto kept = IssueFilter::keptRows(read->rows.rows.table(), criteria, QDate::currentDate(), nullptr,
                                              cancelled.get());
            if (!kept)
                return {};
            read->kept = std::move(*kept);
            return [this, generation, read] {
                if (generation == m_generation)
                    show(std::move(*read));
            };
        },
        [this, generation](const QString &) {
            if (generation != m_generation)
                return;
            m_running = false;
            emit finished(IssueListLoading::Refilled{});
        });
}

void IssueListReread::show(Read read)
{
    if (m_held && m_held()) {
        // Not long after the command ends; a newer read drops these rows.
        constexpr int heldRetryMilliseconds = 150;
        const quint64 generation = m_generation;
        auto waiting = std::make_shared<Read>(std::move(read));
        QTimer::singleShot(heldRetryMilliseconds, this, [this, generation, waiting] {
            if (generation == m_generation)
                show(std::move(*waiting));
        });
        return;
    }
    m_running = false;
    emit aboutToShow();
    // Shown filtered at once: one change of the list, not two.
    const IssueListLoading::Refilled refilled = IssueListLoading::showAside(*m_model, std::move(read.rows), read.kept);
    m_search->showRefilled(read.criteria, std::move(read.kept));
    emit finished(refilled);
}
