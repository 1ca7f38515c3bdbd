#pragma once

#include <QString>

namespace vsp {

/// Prints "Vesperlog: <what> failed — <error>" as one line on standard output. Every failure of a file,
/// network or device operation is reported through here so the form is defined once.
void logFailure(const QString& what, const QString& error);

/// Prints "Vesperlog: " followed by the text as one line on standard output.
void logLine(const QString& text);

} // namespace vsp
