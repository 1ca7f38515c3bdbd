#include "Platform/MemoryTuning.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace vsp {

void relaunchWithHugePagesIfNeeded(char** argv)
{
    if (std::getenv("VESPERLOG_NO_RELAUNCH")) {
        return;
    }
    const char* current = std::getenv("GLIBC_TUNABLES");
    if (current && std::strstr(current, "glibc.malloc.hugetlb")) {
        return;
    }
    std::string tunables = "glibc.malloc.hugetlb=1";
    if (current && *current) {
        tunables = std::string(current) + ':' + tunables;
    }
    setenv("GLIBC_TUNABLES", tunables.c_str(), 1);
    // Mark the restart so a C library that ignores the setting cannot make us loop.
    setenv("VESPERLOG_NO_RELAUNCH", "1", 1);
    execv("/proc/self/exe", argv);
    // Still here: the restart failed; carry on as we are.
    unsetenv("VESPERLOG_NO_RELAUNCH");
}

} // namespace vsp
