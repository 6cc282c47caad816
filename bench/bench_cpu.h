// CPU time of the whole process (all threads, user and system): benchmarks
// that compare passes with each other count it, so that other work on a
// shared machine disturbs them little.
#pragma once

#include <ctime>

namespace bench {

inline double cpuSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

} // namespace bench
