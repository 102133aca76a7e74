#pragma once
// Processor time (user + system) used so far by this process and by the
// children it has waited for, in seconds: benchmarks that run tools beside
// our code compare both on the same footing.

#include <sys/resource.h>

#include <initializer_list>

inline double CpuSeconds()
{
    double total = 0;
    for (int who : {RUSAGE_SELF, RUSAGE_CHILDREN}) {
        rusage usage{};
        getrusage(who, &usage);
        total += usage.ru_utime.tv_sec + usage.ru_utime.tv_usec / 1e6 + usage.ru_stime.tv_sec +
                 usage.ru_stime.tv_usec / 1e6;
    }
    return total;
}
