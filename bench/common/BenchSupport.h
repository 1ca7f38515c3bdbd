#pragma once

#include <QString>

namespace vsp::bench {

/// The peak resident memory of the process so far, in bytes.
long long peakResidentBytes();
/// The current resident memory of the process, in bytes.
long long currentResidentBytes();

/// Bytes of heap memory in use right now (allocated and not freed).
long long heapInUseBytes();

/// Reads "--journal-size=N" from the arguments (removing it); `fallback` when absent.
int takeJournalSize(int& argc, char** argv, int fallback);

} // namespace vsp::bench
