#pragma once
// Bass boost: a second-order low-shelf filter. Its state starts at zero at the
// start of every span the driver hands it (the 64 KB blocks) and runs on from
// one channel into the next, so its output depends on those block bounds.

#include "EffectDriver.h"

struct LowShelf {
    float b0, b1, b2, a0, a1, a2;
};

// Coefficients for a shelf below `frequency` Hz at `samplesPerSec`, raising
// it by the amplitude ratio `boost` (1 leaves the signal unchanged).
// `boost` must not be negative: the shelf's slope term is its square root.
LowShelf LowShelfCoefficients(float frequency, int samplesPerSec, float boost);

class BassBoostProcessor : public FrameProcessor {
public:
    explicit BassBoostProcessor(const LowShelf& shelf) : m_shelf(shelf), m_inverseA0(1.0f / shelf.a0) {}
    void Process(float* const* channels, int channelCount, int frames, int64_t first) override;
    // Blocks start from a still filter, so several run side by side in
    // vector lanes, each with exactly the steps of a lone run.
    int BlocksAtOnce() const override { return kLanes; }
    void ProcessBlocks(float* const* const* blocks, int count, int channelCount, int frames, int64_t first) override;

    static constexpr int kLanes = 8;

private:
    LowShelf m_shelf;
    float m_inverseA0;
};
