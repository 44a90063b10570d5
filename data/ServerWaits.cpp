#include "data/ServerWaits.h"

namespace ServerWaits {
namespace {

Limits g_limits;
// The rest belongs to the thread that sets it: the hook shows windows, so
// only the window's thread may call it, and a worker's read waiting on the
// server neither takes the window's connection nor the user's choice to
// wait behind a lock.
thread_local Hook *g_hook = nullptr;
thread_local int g_waits = 0;
thread_local int g_unlimitedLockWaits = 0;

} // namespace

void setLimits(const Limits &limits)
{
    g_limits = limits;
}

const Limits &limits()
{
    return g_limits;
}

void setHook(Hook *hook)
{
    g_hook = hook;
}

Hook *hook()
{
    return g_hook;
}

bool inProgress()
{
    return g_waits > 0;
}

Scope::Scope()
{
    ++g_waits;
}

Scope::~Scope()
{
    --g_waits;
    if (m_asked && g_hook)
        g_hook->ended();
}

bool Scope::proceed(const QString &what, qint64 elapsedMilliseconds)
{
    if (!g_hook)
        return true;
    m_asked = true;
    return g_hook->waiting(what, elapsedMilliseconds);
}

UnlimitedLockWait::UnlimitedLockWait()
{
    ++g_unlimitedLockWaits;
}

UnlimitedLockWait::~UnlimitedLockWait()
{
    --g_unlimitedLockWaits;
}

bool lockWaitUnlimited()
{
    return g_unlimitedLockWaits > 0;
}

} // namespace ServerWaits
