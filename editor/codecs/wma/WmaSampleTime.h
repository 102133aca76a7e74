#pragma once
// The time of a block handed to the WMA writer, in 100-ns units: the time of
// its first frame, from the document bytes written before it, truncated.

#include "wave/CRMWave.h"

#include <cstdint>

inline uint64_t WmaSampleTime(const CRMWave& wave, int64_t bytesBefore)
{
    return static_cast<uint64_t>(wave.FramesToSeconds(wave.BytesToFrames(bytesBefore)) * 10'000'000.0);
}
