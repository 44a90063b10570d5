#include "data/WallClock.h"

#include <chrono>

namespace WallClock {
namespace {

std::function<qint64()> &replacement()
{
    static std::function<qint64()> clock;
    return clock;
}

} // namespace

qint64 nowMicros()
{
    if (const auto &clock = replacement())
        return clock();
    return std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::system_clock::now().time_since_epoch())
        .count();
}

void setForTests(std::function<qint64()> clock)
{
    replacement() = std::move(clock);
}

} // namespace WallClock
