#include "platform/WorkerPriority.h"

#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace platform {

void runBelowWindowPriority()
{
    constexpr int workerNice = 10;
    // setpriority takes a thread's ID on Linux and then changes that thread
    // alone. A failure leaves the thread at normal priority: slower to give
    // way, never wrong.
    const auto thread = static_cast<id_t>(syscall(SYS_gettid));
    if (getpriority(PRIO_PROCESS, thread) < workerNice)
        setpriority(PRIO_PROCESS, thread, workerNice);
}

} // namespace platform
