#include "platform/ServerWaitProgress.h"

#include "platform/ApplicationTitle.h"
#include "platform/SettingsStore.h"

#include <QApplication>
#include <QProgressDialog>

namespace platform {
namespace {

// A whole number of seconds from the settings, at least one; the default
// when the stored text is missing or not such a number.
int storedSeconds(const char *key, int defaultSeconds)
{
    bool ok = false;
    const int seconds = readSetting(QStringLiteral("Server/") + QLatin1String(key), QString()).trimmed().toInt(&ok);
    return ok && seconds > 0 && seconds <= 24 * 3600 ? seconds : defaultSeconds;
}

} // namespace

ServerWaitProgress::~ServerWaitProgress()
{
    delete m_box.data();
}

bool ServerWaitProgress::waiting(const QString &what, qint64 elapsedMilliseconds)
{
    if (!m_box && elapsedMilliseconds >= showAfterMilliseconds) {
        m_box = new QProgressDialog(what, QStringLiteral("Cancel"), 0, 0, QApplication::activeWindow());
        m_box->setWindowTitle(QString::fromLatin1(productName));
        m_box->setWindowModality(Qt::ApplicationModal);
        m_box->setMinimumDuration(0);
        m_box->setAutoClose(false);
        m_box->setAutoReset(false);
        m_box->show();
    }
    // Before the box shows, input waits in the queue: a keystroke must not
    // reach a window whose statement has not ended. The box, modal, then
    // takes the input itself.
    QCoreApplication::processEvents(m_box ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    return !(m_box && m_box->wasCanceled());
}

void ServerWaitProgress::ended()
{
    delete m_box.data();
}

void followServerWaits()
{
    ServerWaits::Limits limits;
    limits.lockMilliseconds = storedSeconds("LockTimeoutSeconds", limits.lockMilliseconds / 1000) * 1000;
    limits.statementMilliseconds = storedSeconds("StatementTimeoutSeconds", limits.statementMilliseconds / 1000) * 1000;
    limits.connectSeconds = storedSeconds("ConnectTimeoutSeconds", limits.connectSeconds);
    ServerWaits::setLimits(limits);
    static ServerWaitProgress progress;
    ServerWaits::setHook(&progress);
}

} // namespace platform
