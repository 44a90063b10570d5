#include "app/WatchNotices.h"

#include "app/list/IssueListLoading.h"
#include "data/Connection.h"
#include "data/IssueQuerySql.h"
#include "data/Watches.h"
#include "platform/BackgroundSession.h"
#include "platform/DesktopNotifications.h"

#include <QTimer>

WatchNotices::WatchNotices(platform::BackgroundSession *reads, platform::DesktopNotifications *notices, QString account,
                           QObject *parent)
    : QObject(parent), m_reads(reads), m_notices(notices), m_account(std::move(account)), m_gather(new QTimer(this))
{
    m_gather->setSingleShot(true);
    connect(m_gather, &QTimer::timeout, this, &WatchNotices::lookNow);
    lookNow();
}

void WatchNotices::changed(const QString &, const QString &by)
{
    if (!by.isEmpty() && by == m_account)
        return;
    if (!m_gather->isActive())
        m_gather->start(gatherMilliseconds);
}

void WatchNotices::lookNow()
{
    m_gather->stop();
    if (m_looking) {
        m_again = true;
        return;
    }
    m_looking = true;
    const qint64 after = m_after;
    const qint64 me = IssueListLoading::meContact();
    const auto done = [this] {
        m_looking = false;
        if (std::exchange(m_again, false))
            lookNow();
        emit looked();
    };
    m_reads->run(
        this,
        [this, after, me, done](Connection &session) -> platform::BackgroundSession::Delivery {
            const qint64 newest = Watches::newestChange(session);
            const QList<Watches::News> news =
                after < 0 ? QList<Watches::News>()
                          : Watches::newsSince(session, after, newest, IssueQuerySql::meContactId(session, me));
            return [this, newest, news, done] {
                m_after = std::max(m_after, newest);
                for (const DueReminders::Notice &notice : Watches::notices(news))
                    m_notices->notify(notice.summary, notice.body, notice.issues.value(0));
                done();
            };
        },
        // The next change looks again from the same point: nothing is lost
        // while the server is away.
        [done](const QString &) { done(); });
}
