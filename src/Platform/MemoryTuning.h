#pragma once

namespace vsp {

/// Restarts the process once with the C library's allocator asked to back large heaps with huge pages
/// (GLIBC_TUNABLES=glibc.malloc.hugetlb=1). Loading a big journal touches tens of megabytes of fresh
/// memory, and on machines where every page fault is costly that alone took most of the load time.
/// Does nothing when the setting is already present, when VESPERLOG_NO_RELAUNCH is set, or when the
/// restart fails (the process then simply goes on). Call first thing in main(), before any thread starts.
void relaunchWithHugePagesIfNeeded(char** argv);

} // namespace vsp
