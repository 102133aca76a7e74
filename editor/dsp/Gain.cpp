#include "Gain.h"

#include "CWaveEffects.h"

void GainProcessor::Process(float* const* channels, int channelCount, int frames, int64_t)
{
    for (int c = 0; c < channelCount; ++c) {
        float* x = channels[c];
        for (int j = 0; j < frames; ++j)
            x[j] *= m_gain;
    }
}

bool GainProcessor::ProcessInterleaved(float* samples, int channelCount, int frames, int64_t)
{
    const int64_t count = int64_t{channelCount} * frames;
    for (int64_t i = 0; i < count; ++i)
        samples[i] *= m_gain;
    return true;
}

void CWaveEffects::Amplify(float gain)
{
    GainProcessor processor(gain);
    RunInPlace(*m_pWave, &processor);
}

void CWaveEffects::Invert()
{
    GainProcessor processor(-1.0f);
    RunInPlace(*m_pWave, &processor);
}
