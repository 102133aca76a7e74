#include "BassBoost.h"

#include "CWaveEffects.h"

#include "wave/CRMWave.h"

#include <algorithm>
#include <cmath>
#include <cstring>

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

namespace {

constexpr int kLanes = BassBoostProcessor::kLanes;
using Lanes = float __attribute__((vector_size(kLanes * sizeof(float))));

// Lane k runs block k's samples in the order a lone run takes them: the
// first channel, then the next; lanes without a block run on silence. The
// samples pass through a small interleaved buffer, a piece at a time. Built
// for AVX2 as well where the processor has it (no FMA, so every value stays
// the one the plain loop gives).
__attribute__((target_clones("avx2", "default"))) void ShelfInLanes(const LowShelf& s, float inverseA0,
                                                                     float* const* const* blocks, int count,
                                                                     int channelCount, int frames)
{
    constexpr int kPiece = 256;
    alignas(32) float piece[kPiece * kLanes] = {};
    Lanes x1{}, x2{}, y1{}, y2{};
    for (int c = 0; c < channelCount; ++c) {
        for (int start = 0; start < frames; start += kPiece) {
            const int n = std::min(kPiece, frames - start);
            for (int k = 0; k < count; ++k)
                for (int j = 0; j < n; ++j)
                    piece[j * kLanes + k] = blocks[k][c][start + j];
            for (int j = 0; j < n; ++j) {
                Lanes x;
                std::memcpy(&x, piece + j * kLanes, sizeof x);
                const Lanes y = (s.b0 * x + s.b1 * x1 + s.b2 * x2 - s.a1 * y1 - s.a2 * y2) * inverseA0;
                x2 = x1;
                x1 = x;
                y2 = y1;
                y1 = y;
                std::memcpy(piece + j * kLanes, &y, sizeof y);
            }
            for (int k = 0; k < count; ++k)
                for (int j = 0; j < n; ++j)
                    blocks[k][c][start + j] = piece[j * kLanes + k];
        }
    }
}

}  // namespace

void BassBoostProcessor::ProcessBlocks(float* const* const* blocks, int count, int channelCount, int frames,
                                       int64_t first)
{
    if (count > kLanes) {
        FrameProcessor::ProcessBlocks(blocks, count, channelCount, frames, first);
        return;
    }
    ShelfInLanes(m_shelf, m_inverseA0, blocks, count, channelCount, frames);
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
