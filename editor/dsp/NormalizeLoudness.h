#pragma once
// Loudness normalisation of a range of the document: one gain that brings
// the integrated loudness to the target, then the true-peak limiter so that
// the true peak stays at or under the ceiling.

#include <cstdint>

class CRMWave;

enum class NormalizeResult {
    Done,
    Refused,   // empty or too short a range, silence, or arguments that are not finite numbers
    Failed,    // the working file could not be read or written
};

// Shortest range that has an integrated loudness: one 400 ms gating block.
constexpr double kShortestLoudnessSeconds = 0.4;

NormalizeResult NormalizeLoudness(CRMWave& wave, int32_t begin, int32_t end, double targetLufs, double ceilingDb);
