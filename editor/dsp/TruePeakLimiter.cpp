#include "dsp/TruePeakLimiter.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// A Blackman-windowed sinc for 4x interpolation, each phase normalised to
// unity gain at DC.
std::vector<float> InterpolationFilter(int phases, int tapsPerPhase)
{
    const int length = phases * tapsPerPhase;
    const double centre = (length - 1) / 2.0;
    std::vector<double> taps(static_cast<std::size_t>(length));
    for (int k = 0; k < length; ++k) {
        const double t = (k - centre) / phases;
        const double sinc = t == 0.0 ? 1.0 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
        const double w = 0.42 - 0.5 * std::cos(2 * std::numbers::pi * k / (length - 1)) +
                         0.08 * std::cos(4 * std::numbers::pi * k / (length - 1));
        taps[static_cast<std::size_t>(k)] = sinc * w;
    }
    // Phase p holds taps p, p + phases, ... ordered newest input first.
    std::vector<float> filter(static_cast<std::size_t>(length));
    for (int p = 0; p < phases; ++p) {
        double sum = 0.0;
        for (int j = 0; j < tapsPerPhase; ++j)
            sum += taps[static_cast<std::size_t>(j * phases + p)];
        for (int j = 0; j < tapsPerPhase; ++j)
            filter[static_cast<std::size_t>(p * tapsPerPhase + j)] =
                static_cast<float>(taps[static_cast<std::size_t>(j * phases + p)] / sum);
    }
    return filter;
}

}  // namespace

CTruePeakLimiter::CTruePeakLimiter(int channels, int sampleRate, double ceilingDb, double lookAheadMs,
                                   double releaseMs)
    : m_nChannels(std::max(1, channels)),
      m_dCeiling(std::pow(10.0, ceilingDb / 20.0)),
      m_nLookAhead(std::max(1, static_cast<int>(std::lround(lookAheadMs * sampleRate / 1000.0)))),
      m_dRelease(1.0 - std::exp(-1000.0 / (std::max(1.0, releaseMs) * std::max(1, sampleRate)))),
      m_filter(InterpolationFilter(kPhases, kTapsPerPhase)),
      m_history(static_cast<std::size_t>(kTapsPerPhase * m_nChannels), 0.0f),
      m_delay(static_cast<std::size_t>(Latency() * m_nChannels), 0.0f),
      m_average(static_cast<std::size_t>(m_nLookAhead), 1.0)
{
    m_dAverageSum = static_cast<double>(m_nLookAhead);
}

double CTruePeakLimiter::TruePeakOfNewestFrame() const
{
    double peak = 0.0;
    const auto channels = static_cast<std::size_t>(m_nChannels);
    for (std::size_t c = 0; c < channels; ++c) {
        // The sample itself, at the filter's delay, and the points between.
        const std::size_t middle = static_cast<std::size_t>(kTapsPerPhase - 1 - kFilterDelay);
        peak = std::max(peak, static_cast<double>(std::fabs(m_history[middle * channels + c])));
        for (int p = 0; p < kPhases; ++p) {
            const float* taps = &m_filter[static_cast<std::size_t>(p * kTapsPerPhase)];
            double value = 0.0;
            for (int j = 0; j < kTapsPerPhase; ++j)
                value += taps[j] * m_history[static_cast<std::size_t>(kTapsPerPhase - 1 - j) * channels + c];
            peak = std::max(peak, std::fabs(value));
        }
    }
    return peak;
}

double CTruePeakLimiter::SmoothedGain(double required)
{
    // Hold: the smallest required gain of the last look-ahead + 3 frames, so
    // every frame near a peak is covered whichever phase found it.
    const int64_t window = m_nLookAhead + 3;
    while (!m_minimum.empty() && m_minimum.back().second >= required)
        m_minimum.pop_back();
    m_minimum.emplace_back(m_nIndex, required);
    while (m_minimum.front().first <= m_nIndex - window)
        m_minimum.pop_front();
    ++m_nIndex;
    const double held = m_minimum.front().second;

    // Release: recover toward 1 slowly, never above what is held.
    m_dReleased = std::min(held, m_dReleased + (1.0 - m_dReleased) * m_dRelease);

    // Attack: the average of the last look-ahead values is never above the
    // smallest of them that matters, and moves smoothly.
    m_dAverageSum += m_dReleased - m_average[m_nAveragePos];
    m_average[m_nAveragePos] = m_dReleased;
    m_nAveragePos = (m_nAveragePos + 1) % m_average.size();
    return std::min(1.0, m_dAverageSum / static_cast<double>(m_average.size()));
}

void CTruePeakLimiter::Process(float* samples, std::size_t frames)
{
    const auto channels = static_cast<std::size_t>(m_nChannels);
    const std::size_t delayFrames = m_delay.size() / channels;
    for (std::size_t f = 0; f < frames; ++f) {
        float* frame = samples + f * channels;
        std::copy(m_history.begin() + static_cast<std::ptrdiff_t>(channels), m_history.end(), m_history.begin());
        std::copy(frame, frame + channels, m_history.end() - static_cast<std::ptrdiff_t>(channels));

        const double peak = TruePeakOfNewestFrame();
        const double required = peak > m_dCeiling ? m_dCeiling / peak : 1.0;
        const double gain = SmoothedGain(required);

        float* delayed = &m_delay[m_nDelayPos * channels];
        for (std::size_t c = 0; c < channels; ++c) {
            const float out = static_cast<float>(delayed[c] * gain);
            delayed[c] = frame[c];
            frame[c] = out;
        }
        m_nDelayPos = (m_nDelayPos + 1) % delayFrames;
    }
}
