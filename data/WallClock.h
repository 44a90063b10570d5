#pragma once
// The machine's clock as the data layer reads it, with a seam for tests that
// set it wrong on purpose (a delete made 400 days behind).

#include <QtGlobal>

#include <functional>

namespace WallClock {

// Microseconds since 1970 (UTC).
qint64 nowMicros();

// Replaces the clock until called again with an empty function.
void setForTests(std::function<qint64()> clock);

} // namespace WallClock
