#include "Fade.h"

#include "CWaveEffects.h"

FadeProcessor::FadeProcessor(FadeDirection direction, FadeCurve curve, int64_t totalFrames)
    : m_direction(direction), m_curve(curve), m_total(totalFrames),
      m_inverse(1.0f / static_cast<float>(totalFrames))
{
}

void FadeProcessor::Process(float* const* channels, int channelCount, int frames, int64_t first)
{
    for (int c = 0; c < channelCount; ++c) {
        float* x = channels[c];
        if (m_curve == FadeCurve::Linear) {
            for (int j = 0; j < frames; ++j)
                x[j] = x[j] * static_cast<float>(Level(first + j)) * m_inverse;
            continue;
        }
        for (int j = 0; j < frames; ++j) {
            const double t = static_cast<double>(Level(first + j)) / static_cast<double>(m_total);
            x[j] *= FadeCurveGain(m_curve, t);
        }
    }
}

bool FadeProcessor::ProcessInterleaved(float* samples, int channelCount, int frames, int64_t first)
{
    if (m_curve != FadeCurve::Linear)
        return false;
    for (int j = 0; j < frames; ++j) {
        const float level = static_cast<float>(Level(first + j));
        float* frame = samples + static_cast<std::size_t>(j) * static_cast<std::size_t>(channelCount);
        for (int c = 0; c < channelCount; ++c)
            frame[c] = frame[c] * level * m_inverse;
    }
    return true;
}

bool CWaveEffects::FadeIn(FadeCurve curve)
{
    if (!IsFadeCurve(static_cast<int32_t>(curve)))
        return false;
    FadeProcessor processor(FadeDirection::In, curve, SelectionFrames());
    RunInPlace(*m_pWave, &processor);
    return true;
}

bool CWaveEffects::FadeOut(FadeCurve curve)
{
    if (!IsFadeCurve(static_cast<int32_t>(curve)))
        return false;
    FadeProcessor processor(FadeDirection::Out, curve, SelectionFrames());
    RunInPlace(*m_pWave, &processor);
    return true;
}
