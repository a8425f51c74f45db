#pragma once

namespace bench {

// The memory this process holds, from /proc/self/status.
struct ProcessMemory {
    long PeakKb = 0;     // VmHWM: the most resident memory so far
    long ResidentKb = 0; // VmRSS: resident now
};

ProcessMemory CurrentProcessMemory();

} // namespace bench
