#include "data/TrashClock.h"

#include <QStringList>

#include <algorithm>

namespace TrashClock {

Reading atStart(const std::optional<Reading> &previous, qint64 now, qint64 newestGroup)
{
    if (!previous)
        return {now, newestGroup > 0 ? std::min(now, newestGroup) : now};
    // A clock put back credits nothing; one put forward a day at most.
    const qint64 step = std::clamp(now - previous->seen, qint64(0), dayMicros);
    return {now, previous->trusted + step};
}

QString toText(const Reading &reading)
{
    return QStringLiteral("%1 %2").arg(reading.seen).arg(reading.trusted);
}

std::optional<Reading> fromText(const QString &text)
{
    const QStringList parts = text.split(QLatin1Char(' '));
    if (parts.size() != 2)
        return std::nullopt;
    bool seenOk = false;
    bool trustedOk = false;
    const Reading reading{parts[0].toLongLong(&seenOk), parts[1].toLongLong(&trustedOk)};
    if (!seenOk || !trustedOk || reading.seen <= 0 || reading.trusted <= 0)
        return std::nullopt;
    return reading;
}

} // namespace TrashClock
