#pragma once
// Fade in and fade out over the whole selection of `totalFrames` frames, with
// the gain shaped by a FadeCurve. The linear curve is x * frame * (1 / N)
// (fade in) or x * (N - frame) * (1 / N) (fade out), with 1 / N a 32-bit float.

#include "EffectDriver.h"
#include "FadeCurve.h"

enum class FadeDirection { In, Out };

class FadeProcessor : public FrameProcessor {
public:
    FadeProcessor(FadeDirection direction, FadeCurve curve, int64_t totalFrames);
    void Process(float* const* channels, int channelCount, int frames, int64_t first) override;
    bool ProcessInterleaved(float* samples, int channelCount, int frames, int64_t first) override;

private:
    // The frame's distance from the silent end, in frames.
    int64_t Level(int64_t frame) const { return m_direction == FadeDirection::In ? frame : m_total - frame; }

    FadeDirection m_direction;
    FadeCurve m_curve;
    int64_t m_total;
    float m_inverse;
};
