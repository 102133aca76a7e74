#pragma once
// Snapping a position to a zero crossing, so that cuts and fades do not click.

#include <cstdint>

class CRMWave;

// Frames either side of a position that a snap may move it: 10 ms.
int32_t ZeroCrossingReach(const CRMWave& wave);

// The frame nearest to `frame`, within ZeroCrossingReach and inside
// [0, m_nLength], where the sum of the channels crosses zero: of the two
// frames around a sign change, the one whose sum is closer to zero. With no
// crossing in reach, the frame whose sum is closest to zero (the nearest of
// equals). The document's start and end are valid cut points and stay.
int32_t SnapToZeroCrossing(CRMWave& wave, int32_t frame);
