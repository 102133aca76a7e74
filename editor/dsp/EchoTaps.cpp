// The echo's inner loops: one tap over a run of samples, and a tile of taps
// over the same lanes of several output blocks.
#include "EchoTaps.h"

#include "SampleCodec.h"

#include <cmath>

namespace {

// y = q(y + x tap) over a run. With a finite tap the sum is never NaN (x and y
// are whole numbers in range), so the NaN rule of the write can be left out.
template <float (*Quantize)(float)>
inline void AddTap(float* __restrict y, const float* __restrict x, int64_t count, float tap)
{
    for (int64_t j = 0; j < count; ++j)
        y[j] = Quantize(y[j] + x[j] * tap);
}

inline float Clip16(float v)
{
    v = v < -32767.0f ? -32767.0f : v;
    v = v > 32767.0f ? 32767.0f : v;
    return static_cast<float>(static_cast<int>(v));
}

inline float Clip8(float v)
{
    v = v < -127.0f ? -127.0f : v;
    v = v > 127.0f ? 127.0f : v;
    return static_cast<float>(static_cast<int>(v + 127.0f)) - 127.0f;
}

// The lane helpers are always inlined, so no vector ever crosses a call and
// the warning about passing one without AVX-512 does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
using Lanes = float __attribute__((vector_size(64)));
using IntLanes = int32_t __attribute__((vector_size(64)));
constexpr int kLanes = sizeof(Lanes) / sizeof(float);

[[gnu::always_inline]] inline Lanes Splat(float v) { return Lanes{} + v; }

[[gnu::always_inline]] inline Lanes LoadLanes(const float* p)
{
    Lanes v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

[[gnu::always_inline]] inline void StoreLanes(float* p, Lanes v) { __builtin_memcpy(p, &v, sizeof v); }

// Truncates, then clamps the whole numbers: the same as clamping first for
// every sum under 2^31 in size, which a tap under kMostTap keeps them.
[[gnu::always_inline]] inline Lanes TruncateInto(Lanes v, int32_t low, int32_t high)
{
    IntLanes whole = __builtin_convertvector(v, IntLanes);
    const IntLanes lows = IntLanes{} + low, highs = IntLanes{} + high;
    whole = whole > lows ? whole : lows;
    whole = whole < highs ? whole : highs;
    return __builtin_convertvector(whole, Lanes);
}

struct Clip16Lanes {
    [[gnu::always_inline]] static Lanes Apply(Lanes v) { return TruncateInto(v, -32767, 32767); }
};

struct Clip8Lanes {
    [[gnu::always_inline]] static Lanes Apply(Lanes v) { return TruncateInto(v + 127.0f, 0, 254) - 127.0f; }
};

// A tile's outputs' lanes stay in registers through all its taps, so each
// step is one load and the arithmetic, the same per lane as AddTap, in the
// same order; the lanes left over go tap by tap.
template <class Clip, float (*ClipOne)(float)>
[[gnu::always_inline]] inline void AddTapTile(float* const* y, const float* const* x, const float* taps, int tapCount,
                                              int64_t count)
{
    int64_t j = 0;
    for (; j + kLanes <= count; j += kLanes) {
        Lanes sums[kTileOutputs];
#pragma GCC unroll 8
        for (int r = 0; r < kTileOutputs; ++r)
            sums[r] = LoadLanes(y[r] + j);
        for (int t = 0; t < tapCount; ++t) {
            const Lanes tap = Splat(taps[t]);
#pragma GCC unroll 8
            for (int r = 0; r < kTileOutputs; ++r)
                sums[r] = Clip::Apply(sums[r] + LoadLanes(x[r + t] + j) * tap);
        }
#pragma GCC unroll 8
        for (int r = 0; r < kTileOutputs; ++r)
            StoreLanes(y[r] + j, sums[r]);
    }
    for (int t = 0; t < tapCount; ++t)
        for (int r = 0; r < kTileOutputs; ++r)
            AddTap<ClipOne>(y[r] + j, x[r + t] + j, count - j, taps[t]);
}

}  // namespace

__attribute__((target_clones("avx512f", "avx2", "default"))) void AddTap16(float* __restrict y,
                                                                          const float* __restrict x,
                                                                          int64_t count, float tap)
{
    if (std::isfinite(tap))
        AddTap<Clip16>(y, x, count, tap);
    else
        AddTap<Quantize16>(y, x, count, tap);
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void AddTap8(float* __restrict y,
                                                                         const float* __restrict x,
                                                                         int64_t count, float tap)
{
    if (std::isfinite(tap))
        AddTap<Clip8>(y, x, count, tap);
    else
        AddTap<Quantize8>(y, x, count, tap);
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void AddTapTile16(float* const* y,
                                                                              const float* const* x,
                                                                              const float* taps, int tapCount,
                                                                              int64_t count)
{
    AddTapTile<Clip16Lanes, Clip16>(y, x, taps, tapCount, count);
}

__attribute__((target_clones("avx512f", "avx2", "default"))) void AddTapTile8(float* const* y,
                                                                             const float* const* x,
                                                                             const float* taps, int tapCount,
                                                                             int64_t count)
{
    AddTapTile<Clip8Lanes, Clip8>(y, x, taps, tapCount, count);
}
