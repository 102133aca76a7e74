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

// Lanes of whole vectors as wide as the machine's: 64 bytes with AVX-512, 32
// with AVX2, 16 otherwise. The helpers are always inlined, so no vector
// crosses a call and the warning about passing one does not apply.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef float Floats16 __attribute__((vector_size(16)));
typedef float Floats32 __attribute__((vector_size(32)));
typedef float Floats64 __attribute__((vector_size(64)));
typedef int32_t Ints16 __attribute__((vector_size(16)));
typedef int32_t Ints32 __attribute__((vector_size(32)));
typedef int32_t Ints64 __attribute__((vector_size(64)));

template <class F, class I>
struct Lanes {
    using Floats = F;
    using Ints = I;
    static constexpr int kCount = static_cast<int>(sizeof(Floats) / sizeof(float));

    [[gnu::always_inline]] static Floats Splat(float v) { return Floats{} + v; }

    [[gnu::always_inline]] static Floats Load(const float* p)
    {
        Floats v;
        __builtin_memcpy(&v, p, sizeof v);
        return v;
    }

    [[gnu::always_inline]] static void Store(float* p, Floats v) { __builtin_memcpy(p, &v, sizeof v); }

    // Truncates, then clamps the whole numbers: the same as clamping first
    // for every sum under 2^31 in size, which a tap under kMostTap keeps them.
    [[gnu::always_inline]] static Floats TruncateInto(Floats v, int32_t low, int32_t high)
    {
        Ints whole = __builtin_convertvector(v, Ints);
        const Ints lows = Ints{} + low, highs = Ints{} + high;
        whole = whole > lows ? whole : lows;
        whole = whole < highs ? whole : highs;
        return __builtin_convertvector(whole, Floats);
    }

    [[gnu::always_inline]] static Floats Clip16(Floats v) { return TruncateInto(v, -32767, 32767); }
    [[gnu::always_inline]] static Floats Clip8(Floats v) { return TruncateInto(v + 127.0f, 0, 254) - 127.0f; }
};

// A tile's outputs' lanes stay in registers through all its taps, so each
// step is one load and the arithmetic, the same per lane as AddTap, in the
// same order; the lanes left over go tap by tap.
template <class L, bool Bits16>
[[gnu::always_inline]] inline void AddTapTile(float* const* y, const float* const* x, const float* taps, int tapCount,
                                              int64_t count)
{
    using Floats = typename L::Floats;
    int64_t j = 0;
    for (; j + L::kCount <= count; j += L::kCount) {
        Floats sums[kTileOutputs];
#pragma GCC unroll 8
        for (int r = 0; r < kTileOutputs; ++r)
            sums[r] = L::Load(y[r] + j);
        for (int t = 0; t < tapCount; ++t) {
            const Floats tap = L::Splat(taps[t]);
#pragma GCC unroll 8
            for (int r = 0; r < kTileOutputs; ++r) {
                const Floats sum = sums[r] + L::Load(x[r + t] + j) * tap;
                sums[r] = Bits16 ? L::Clip16(sum) : L::Clip8(sum);
            }
        }
#pragma GCC unroll 8
        for (int r = 0; r < kTileOutputs; ++r)
            L::Store(y[r] + j, sums[r]);
    }
    for (int t = 0; t < tapCount; ++t)
        for (int r = 0; r < kTileOutputs; ++r)
            AddTap<Bits16 ? Clip16 : Clip8>(y[r] + j, x[r + t] + j, count - j, taps[t]);
}

// One version per vector width, chosen when the library loads.
template <class L>
[[gnu::always_inline]] inline void AddTapTileOf(bool bits16, float* const* y, const float* const* x,
                                                const float* taps, int tapCount, int64_t count)
{
    if (bits16)
        AddTapTile<L, true>(y, x, taps, tapCount, count);
    else
        AddTapTile<L, false>(y, x, taps, tapCount, count);
}

__attribute__((target("default"))) void Tile(bool bits16, float* const* y, const float* const* x, const float* taps,
                                             int tapCount, int64_t count)
{
    AddTapTileOf<Lanes<Floats16, Ints16>>(bits16, y, x, taps, tapCount, count);
}

__attribute__((target("avx2"))) void Tile(bool bits16, float* const* y, const float* const* x, const float* taps,
                                          int tapCount, int64_t count)
{
    AddTapTileOf<Lanes<Floats32, Ints32>>(bits16, y, x, taps, tapCount, count);
}

__attribute__((target("avx512f"))) void Tile(bool bits16, float* const* y, const float* const* x, const float* taps,
                                             int tapCount, int64_t count)
{
    AddTapTileOf<Lanes<Floats64, Ints64>>(bits16, y, x, taps, tapCount, count);
}

// One tap over a run, in a version per instruction set.
__attribute__((target_clones("avx512f", "avx2", "default"))) void Run(bool bits16, float* __restrict y,
                                                                     const float* __restrict x, int64_t count,
                                                                     float tap)
{
    const bool finite = std::isfinite(tap);
    if (bits16 && finite)
        AddTap<Clip16>(y, x, count, tap);
    else if (bits16)
        AddTap<Quantize16>(y, x, count, tap);
    else if (finite)
        AddTap<Clip8>(y, x, count, tap);
    else
        AddTap<Quantize8>(y, x, count, tap);
}

}  // namespace

// The entry points are plain functions, so that callers elsewhere need not see
// how the versions are chosen.
void AddTap16(float* __restrict y, const float* __restrict x, int64_t count, float tap)
{
    Run(true, y, x, count, tap);
}

void AddTap8(float* __restrict y, const float* __restrict x, int64_t count, float tap)
{
    Run(false, y, x, count, tap);
}

void AddTapTile16(float* const* y, const float* const* x, const float* taps, int tapCount, int64_t count)
{
    Tile(true, y, x, taps, tapCount, count);
}

void AddTapTile8(float* const* y, const float* const* x, const float* taps, int tapCount, int64_t count)
{
    Tile(false, y, x, taps, tapCount, count);
}
