#include "data/Session.h"

#include "data/WallClock.h"

#include <algorithm>
#include <atomic>

namespace DeleteGroups {

qint64 next(qint64 floor)
{
    static std::atomic<qint64> last{0};
    const qint64 now = std::max(WallClock::nowMicros(), floor + 1);
    qint64 previous = last.load();
    qint64 next = 0;
    do
        next = now > previous ? now : previous + 1;
    while (!last.compare_exchange_weak(previous, next));
    return next;
}

} // namespace DeleteGroups
