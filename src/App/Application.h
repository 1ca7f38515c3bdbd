#pragma once

/// Starts Vesperlog: creates the long-lived objects and the first window, then runs the event loop.
/// Returns the process exit code.
int runVesperlog(int argc, char** argv);

/// Asks the C library to serve large blocks (the lists of a big journal, a few megabytes each) from its
/// heap and to keep freed memory for reuse, instead of mapping fresh pages for every list and returning
/// them at once: on machines where each new page is costly, a search keystroke spent most of its time
/// in page faults. Call once, first thing.
void keepLargeAllocationsInHeap();
