#pragma once
// Amplify (and silence, a gain of 0, and invert, a gain of -1): every sample
// times one factor.

#include "EffectDriver.h"

class GainProcessor : public FrameProcessor {
public:
    explicit GainProcessor(float gain) : m_gain(gain) {}
    void Process(float* const* channels, int channelCount, int frames, int64_t first) override;
    bool ProcessInterleaved(float* samples, int channelCount, int frames, int64_t first) override;

private:
    float m_gain;
};
