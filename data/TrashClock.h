#pragma once
// How long the trash of a file has surely kept its groups. A file's groups
// carry the machine's time, and that clock can be set wrong: one start with
// it 40 days ahead must not empty the trash, nor a delete made with it 400
// days behind look 400 days old at the next start. So the purge reads its
// own clock, which believes the machine's only in small steps: at each
// start it moves on by the time since the previous start, but never back
// and never more than a day at once. A wrong clock can thus cost at most a
// day per start; a clock that stays wrong still measures the time between
// starts truly. New groups are numbered after this clock and after every
// group already in the file, so no group is older than the clock's record.
// (The server numbers its groups by its own clock and needs none of this.)

#include <QString>

#include <optional>

namespace TrashClock {

inline constexpr qint64 dayMicros = 86400LL * 1000 * 1000;

// Microseconds since 1970 (UTC).
struct Reading {
    qint64 seen = 0;    // the machine's clock at the last start
    qint64 trusted = 0; // the trash's clock then
};

// The clock after a start at the machine's time now. newestGroup is the
// file's newest group (0 when the trash is empty). Without an earlier
// reading the clock starts at the newest group, or at now when the trash is
// empty, whichever is earlier.
Reading atStart(const std::optional<Reading> &previous, qint64 now, qint64 newestGroup);

// Whether the clock may purge at this start: only with an earlier reading.
inline bool mayPurge(const std::optional<Reading> &previous)
{
    return previous.has_value();
}

// The reading as stored text ("seen trusted"), and back; none when the
// text is not such a reading.
QString toText(const Reading &reading);
std::optional<Reading> fromText(const QString &text);

} // namespace TrashClock
