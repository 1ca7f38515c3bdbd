#include "Model/ClipDuration.h"

#include <cmath>
#include <cstdint>

QString formatClipDuration(double seconds)
{
    // Past 2^63 seconds the rounded value has no 64-bit integer, and NaN has no value at all; none of
    // these, nor a negative length, is something anyone recorded, so they read as nothing recorded
    // rather than as a wrapped number.
    constexpr double kLimit = 9.2e18;
    if (!std::isfinite(seconds) || seconds < 0 || seconds >= kLimit) {
        return QStringLiteral("0:00");
    }
    const std::int64_t n = std::llround(seconds);
    const std::int64_t minutes = n / 60;
    const std::int64_t rest = n - minutes * 60;
    return QStringLiteral("%1:%2").arg(minutes).arg(rest, 2, 10, QLatin1Char('0'));
}
