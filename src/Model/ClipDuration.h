#pragma once

#include <QString>

/// A voice note's length as "m:ss": seconds rounded to the nearest whole one (halves away from zero),
/// minutes unbounded ("90:00" for an hour and a half). Negative, non-finite or huge values (2^63 s and
/// more) give "0:00".
QString formatClipDuration(double seconds);
