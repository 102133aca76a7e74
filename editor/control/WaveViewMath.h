#pragma once
// Number helpers of the view's scale arithmetic.

#include <cmath>
#include <cstdint>
#include <limits>

// Float to integer, truncating toward zero like a C cast. Values outside the
// 32-bit range saturate and NaN gives 0, so a far-away cursor or an extreme
// zoom cannot reach the undefined conversion.
inline int32_t WaveViewTrunc(float v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0f)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483648.0f)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// 32-bit integer sums that saturate instead of wrapping.
inline int32_t WaveViewClamp64(int64_t v)
{
    if (v > std::numeric_limits<int32_t>::max())
        return std::numeric_limits<int32_t>::max();
    if (v < std::numeric_limits<int32_t>::min())
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}

// The same for a double, as the host's arithmetic on R4 arguments gives.
inline int32_t WaveViewTrunc(double v)
{
    if (std::isnan(v))
        return 0;
    if (v >= 2147483648.0)
        return std::numeric_limits<int32_t>::max();
    if (v <= -2147483649.0)
        return std::numeric_limits<int32_t>::min();
    return static_cast<int32_t>(v);
}
