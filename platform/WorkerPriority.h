#pragma once
// Work the window hands to a worker thread runs below the window's thread:
// on a machine with few cores a refill, a search or a large free would
// otherwise take the core the window needs to answer a key or paint a
// frame, and the window would stall for a scheduler slice or two.

namespace platform {

// Lowers the calling thread's scheduling priority (a nice value of 10 on
// Linux, where it is a per-thread attribute). The thread still runs on a
// busy machine, only behind the threads of normal priority; SCHED_IDLE
// would starve it there. Harmless to call again on the same thread.
void runBelowWindowPriority();

} // namespace platform
