#include "ProcessMemory.h"

#include <sys/resource.h>

#include <cstdlib>
#include <fstream>
#include <string>

namespace bench {

ProcessMemory CurrentProcessMemory() {
    ProcessMemory memory;
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            memory.PeakKb = std::strtol(line.c_str() + 6, nullptr, 10);
        else if (line.rfind("VmRSS:", 0) == 0)
            memory.ResidentKb = std::strtol(line.c_str() + 6, nullptr, 10);
    }
    if (memory.PeakKb == 0) {
        rusage usage{};
        getrusage(RUSAGE_SELF, &usage);
        memory.PeakKb = usage.ru_maxrss; // kB on Linux
    }
    return memory;
}

} // namespace bench
