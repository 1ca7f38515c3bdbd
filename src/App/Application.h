#pragma once

/// Starts Vesperlog: creates the long-lived objects and the first window, then runs the event loop.
/// Returns the process exit code.
int runVesperlog(int argc, char** argv);
