#pragma once
// The brick-wall masks: 16384 bins of 1.0 (pass) or 0.0 (stop). Bin i below
// 8192 stands for i * (rate / 2) / 8192 Hz, with rate / 2 in integer
// division; the upper half mirrors the lower one, mask[16383 - i] == mask[i].

#include <cstdint>

enum class BrickWall { LowPass, HighPass, BandPass, BandStop };

// Fills `mask` (16384 floats). `low` is the cutoff of the low- and high-pass
// and the low edge of the bands; `high` is the upper band edge. Returns false,
// with `mask` untouched, when the frequencies are out of range: not above 0,
// not below rate / 2, or a band whose low edge is not below its high edge.
bool BuildBrickWallMask(BrickWall kind, float low, float high, int32_t samplesPerSec, float* mask);
