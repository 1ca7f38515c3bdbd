#pragma once

#include <QDateTime>
#include <QString>

namespace vsp {

/// How far `then` lies from `now`, in words: the largest calendar unit (years, months, weeks, days,
/// hours, minutes, seconds) that fits at least once, counted in local time, with names for the nearest
/// ones: "now", "5 minutes ago", "1 hour ago", "yesterday", "last week", "in 3 days", "tomorrow".
/// Less than a second either way is "now". An invalid time gives an empty text.
QString relativeTime(const QDateTime& then, const QDateTime& now);

} // namespace vsp
