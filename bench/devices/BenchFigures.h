#pragma once
// What the device benchmarks share besides the device tests' helpers:
// milliseconds on the steady clock and one printed line of figures per
// measure.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

inline double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

inline double Median(std::vector<double> values)
{
    if (values.empty())
        return NAN;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// "what  median m  (min a, max b, n=k)", then "goal g" when there is one.
inline void PrintFigures(const char* what, const std::vector<double>& values, const char* goal = nullptr)
{
    const auto [lo, hi] = std::minmax_element(values.begin(), values.end());
    std::printf("%-52s median %8.1f  (min %8.1f, max %8.1f, n=%zu)", what, Median(values),
                values.empty() ? NAN : *lo, values.empty() ? NAN : *hi, values.size());
    if (goal)
        std::printf("   goal %s", goal);
    std::printf("\n");
}
