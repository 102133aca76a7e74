#pragma once
// Percentages for the Progress event.

#include <algorithm>
#include <cstdint>

// done × 100 / total, at most 100. An empty total counts as finished.
inline float ClampedPercent(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100.0f;
    return std::min(100.0f, static_cast<float>(static_cast<double>(done) * 100.0 / static_cast<double>(total)));
}

// done × 100 / total, not clamped. An empty total counts as finished.
inline float Percent(int64_t done, int64_t total)
{
    if (total <= 0)
        return 100.0f;
    return static_cast<float>(static_cast<double>(done) * 100.0 / static_cast<double>(total));
}
