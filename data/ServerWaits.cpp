#include "data/ServerWaits.h"

namespace ServerWaits {
namespace {

Limits g_limits;
Hook *g_hook = nullptr;
int g_waits = 0;
int g_unlimitedLockWaits = 0;

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
