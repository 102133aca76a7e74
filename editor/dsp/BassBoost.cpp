#include "BassBoost.h"

#include "CWaveEffects.h"

#include "wave/CRMWave.h"

#include <cmath>

namespace {
constexpr float kTwoPi = 6.2831855f;
constexpr float kMaxFrequency = 1000.0f;
}  // namespace

LowShelf LowShelfCoefficients(float frequency, int samplesPerSec, float boost)
{
    const float a = boost;
    const float omega = frequency / static_cast<float>(samplesPerSec) * kTwoPi;
    const float sn = std::sin(omega);
    const float cs = std::cos(omega);
    const double beta = std::sqrt((std::pow(static_cast<double>(a), 2.0) + 1.0) -
                                  std::pow(static_cast<double>(a) - 1.0, 2.0));
    const auto betaSn = static_cast<float>(beta * sn);
    LowShelf s{};
    s.b0 = a * ((a + 1) - (a - 1) * cs + betaSn);
    s.b1 = 2 * a * ((a - 1) - (a + 1) * cs);
    s.b2 = a * ((a + 1) - (a - 1) * cs - betaSn);
    s.a0 = (a + 1) + (a - 1) * cs + betaSn;
    s.a1 = -2 * ((a - 1) + (a + 1) * cs);
    s.a2 = (a + 1) + (a - 1) * cs - betaSn;
    return s;
}

void BassBoostProcessor::Process(float* const* channels, int channelCount, int frames, int64_t)
{
    const LowShelf& s = m_shelf;
    float x1 = 0, x2 = 0, y1 = 0, y2 = 0;
    for (int c = 0; c < channelCount; ++c) {
        float* samples = channels[c];
        for (int j = 0; j < frames; ++j) {
            const float x = samples[j];
            const float y = (s.b0 * x + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2) * m_inverseA0;
            x2 = x1;
            x1 = x;
            y2 = y1;
            y1 = y;
            samples[j] = y;
        }
    }
}

void BassBoostProcessor::ProcessBlocks(float* const* const* blocks, int count, int channelCount, int frames,
                                       int64_t first)
{
    if (count > kLanes) {
        FrameProcessor::ProcessBlocks(blocks, count, channelCount, frames, first);
        return;
    }
    const LowShelf& s = m_shelf;
    const auto length = static_cast<std::size_t>(frames) * static_cast<std::size_t>(channelCount);
    // Lane k holds block k's samples in the order a lone run takes them: the
    // first channel, then the next. Lanes without a block run on silence.
    m_lanes.assign(length, Lanes{});
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < channelCount; ++c)
            for (int j = 0; j < frames; ++j)
                m_lanes[static_cast<std::size_t>(c) * frames + j][k] = blocks[k][c][j];
    Lanes x1{}, x2{}, y1{}, y2{};
    for (Lanes& sample : m_lanes) {
        const Lanes x = sample;
        const Lanes y = (s.b0 * x + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2) * m_inverseA0;
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        sample = y;
    }
    for (int k = 0; k < count; ++k)
        for (int c = 0; c < channelCount; ++c)
            for (int j = 0; j < frames; ++j)
                blocks[k][c][j] = m_lanes[static_cast<std::size_t>(c) * frames + j][k];
}

bool CWaveEffects::BassBoost(float frequency, float boost)
{
    // A negative factor has no real shelf slope and would write NaN.
    if (!(boost >= 0.0f) || !std::isfinite(boost) || !std::isfinite(frequency) ||
        m_pWave->m_nSamplesPerSec <= 0)
        return false;
    const LowShelf shelf = LowShelfCoefficients(frequency, m_pWave->m_nSamplesPerSec, boost);
    if (!std::isfinite(1.0f / shelf.a0))
        return false;
    // Above the shelf's range every block passes unchanged, with the
    // progress reports of a normal run.
    if (!(frequency <= kMaxFrequency)) {
        RunInPlace(*m_pWave, nullptr);
        return false;
    }
    BassBoostProcessor processor(shelf);
    RunInPlace(*m_pWave, &processor);
    return true;
}
