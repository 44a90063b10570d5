#pragma once
// Destroying large data off the GUI thread. Freeing a list of 100,000 issues
// means freeing a million small blocks, some tens of milliseconds the window
// would otherwise stand still for after every refill.
//
// The value must own everything it holds and share nothing with the GUI
// thread that is not safe to release from another thread (implicitly shared
// Qt values are: their reference counts are atomic). No QObject may be in it.

#include "platform/WorkerPriority.h"

#include <QThreadPool>

#include <memory>
#include <type_traits>
#include <utility>

namespace platform {

// Takes the value away and destroys it on a worker thread, soon. The caller
// is left with an empty, usable value.
template <typename T>
void disposeInBackground(T &value)
{
    static_assert(!std::is_base_of_v<QObject, T>, "a QObject belongs to its thread");
    auto doomed = std::make_shared<T>(std::exchange(value, T()));
    QThreadPool::globalInstance()->start([doomed = std::move(doomed)]() mutable {
        runBelowWindowPriority();
        doomed.reset();
    });
}

} // namespace platform
