#pragma once
// A range of the document's frames as interleaved floats in [-1, 1): read
// and written through the working file in blocks of at most 65,536 bytes,
// with one pump step per block. The measurements and the loudness step see
// samples this way, whatever the document's width.

#include <cstdint>
#include <functional>

class CRMWave;

// Full scale of one sample on the scale of the stored integers.
float FullScale(const CRMWave& wave);

// Frames in one block for this document.
int32_t FloatFramesPerBlock(const CRMWave& wave);

// Calls `visit` for every block of [begin, end) in order, with the block's
// first frame. False when a read came up short or `visit` returned false.
using FloatBlockVisitor = std::function<bool(const float* samples, int32_t frames, int32_t firstFrame)>;
bool ForEachFloatBlock(CRMWave& wave, int32_t begin, int32_t end, const FloatBlockVisitor& visit);

// Reads `frames` frames from `firstFrame` into `samples`; false when short.
bool ReadFloatFrames(CRMWave& wave, int32_t firstFrame, int32_t frames, float* samples);
// Stores `frames` frames at `firstFrame`, clipped and truncated as the effects store them.
bool WriteFloatFrames(CRMWave& wave, int32_t firstFrame, int32_t frames, const float* samples);
