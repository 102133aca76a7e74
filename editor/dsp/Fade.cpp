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

namespace {

// x * level * inverse frame by frame, the level rising or falling by one per
// frame from `start`. A selection's frames fit in 32 bits, and a level
// converts to the same float from either width.
template <int Channels>
void ScaleFrames(float* samples, int channels, int frames, int32_t start, int32_t step, float inverse)
{
    const int width = Channels > 0 ? Channels : channels;
    for (int j = 0; j < frames; ++j) {
        const float level = static_cast<float>(start + step * j);
        float* frame = samples + static_cast<std::size_t>(j) * static_cast<std::size_t>(width);
        for (int c = 0; c < width; ++c)
            frame[c] = frame[c] * level * inverse;
    }
}

}  // namespace

bool FadeProcessor::ProcessInterleaved(float* samples, int channelCount, int frames, int64_t first)
{
    if (m_curve != FadeCurve::Linear)
        return false;
    const auto start = static_cast<int32_t>(Level(first));
    const int32_t step = m_direction == FadeDirection::In ? 1 : -1;
    switch (channelCount) {
    case 1: ScaleFrames<1>(samples, 1, frames, start, step, m_inverse); break;
    case 2: ScaleFrames<2>(samples, 2, frames, start, step, m_inverse); break;
    default: ScaleFrames<0>(samples, channelCount, frames, start, step, m_inverse); break;
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
