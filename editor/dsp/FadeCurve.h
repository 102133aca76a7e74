#pragma once
// The shapes a fade can take. A fade works on a level position t that runs
// from 0 (the silent end) to 1 (full level): a fade in over N frames puts
// frame f at t = f / N, a fade out at t = (N - f) / N. The curve turns t into
// a gain.

#include <cstdint>

enum class FadeCurve : int32_t {
    Linear = 0,       // gain t (the fades' original shape)
    Exponential = 1,  // linear in decibels, from -60 dB at t = 0 to 0 dB at t = 1
    EqualPower = 2,   // a quarter sine, sin(t pi / 2)
    SCurve = 3,       // a raised cosine, (1 - cos(t pi)) / 2
};

// True for the four values above.
bool IsFadeCurve(int32_t value);

// The gain of `curve` at level position `t` (0 ... 1), as a 32-bit float.
float FadeCurveGain(FadeCurve curve, double t);
