#pragma once
// Only for the benchmarks: processor time of this process (user and system). The
// machine may be shared, and waiting for it is no cost of the code measured.
#include <ctime>

inline double CpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}
