#pragma once
// The echo's inner loops, on samples held as floats: y = q(y + x tap), with q
// the write rule of 16-bit or 8-bit samples (clip, then truncate).
#include <cstdint>

// One tap over a run of `count` samples.
void AddTap16(float* __restrict y, const float* __restrict x, int64_t count, float tap);
void AddTap8(float* __restrict y, const float* __restrict x, int64_t count, float tap);

// A tile: output r of kTileOutputs takes tap t of `tapCount` (at most
// kTileTaps) from source x[r + t], taps in order, over `count` samples of
// each. Every tap must be under kMostTap in size.
constexpr int kTileOutputs = 8;
constexpr int kTileTaps = 32;
constexpr float kMostTap = 32768.0f;
void AddTapTile16(float* const* y, const float* const* x, const float* taps, int tapCount, int64_t count);
void AddTapTile8(float* const* y, const float* const* x, const float* taps, int tapCount, int64_t count);
