#include "dsp/NormalizeLoudness.h"

#include "dsp/FloatFrames.h"
#include "dsp/Loudness.h"
#include "dsp/TruePeakLimiter.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

// Our oversampling and a meter's differ by a few hundredths of a dB; aiming
// this far under the ceiling keeps any meter's reading at or under it.
constexpr double kCeilingMargin = 0.1;

int Percent(int64_t done, int64_t total)
{
    return total <= 0 ? 100 : static_cast<int>(std::min<int64_t>(100, done * 100 / total));
}

}  // namespace

NormalizeResult NormalizeLoudness(CRMWave& wave, int32_t begin, int32_t end, double targetLufs, double ceilingDb)
{
    if (!std::isfinite(targetLufs) || !std::isfinite(ceilingDb) || begin < 0 || end > wave.m_nLength ||
        end <= begin || wave.FramesToSeconds(end - begin) < kShortestLoudnessSeconds)
        return NormalizeResult::Refused;
    const LoudnessReading reading = MeasureLoudness(wave, begin, end);
    if (reading.truePeakDb <= LoudnessReading::kSilenceTruePeakDb || reading.lufs <= LoudnessReading::kSilenceLufs)
        return NormalizeResult::Refused;
    const auto gain = static_cast<float>(std::pow(10.0, (targetLufs - reading.lufs) / 20.0));

    // The limiter's output lags its input, so each block is written behind
    // the point already read: the writes never reach unread frames.
    CTruePeakLimiter limiter(wave.m_nChannels, wave.m_nSamplesPerSec, ceilingDb - kCeilingMargin);
    const int32_t latency = limiter.Latency();
    const int32_t perBlock = FramesPerBlock(wave);
    const auto channels = static_cast<std::size_t>(wave.m_nChannels);
    std::vector<float> block(static_cast<std::size_t>(perBlock) * channels);
    const int64_t total = static_cast<int64_t>(end - begin) + latency;
    for (int64_t fed = 0; fed < total;) {
        const auto frames = static_cast<int32_t>(std::min<int64_t>(perBlock, total - fed));
        const int64_t readFirst = begin + fed;
        // Frames past the range are silence that flushes the limiter.
        const auto real = static_cast<int32_t>(std::clamp<int64_t>(end - readFirst, 0, frames));
        std::fill(block.begin(), block.end(), 0.0f);
        if (real > 0 && !ReadFloatFrames(wave, static_cast<int32_t>(readFirst), real, block.data()))
            return NormalizeResult::Failed;
        for (std::size_t i = 0; i < static_cast<std::size_t>(real) * channels; ++i)
            block[i] *= gain;
        limiter.Process(block.data(), static_cast<std::size_t>(frames));

        // Output frame i of this block is input frame readFirst + i - latency.
        const int64_t outFirst = readFirst - latency;
        const int64_t skip = std::max<int64_t>(0, begin - outFirst);
        const int64_t count = std::min<int64_t>(frames, end - outFirst) - skip;
        if (count > 0 && !WriteFloatFrames(wave, static_cast<int32_t>(outFirst + skip), static_cast<int32_t>(count),
                                           block.data() + static_cast<std::size_t>(skip) * channels))
            return NormalizeResult::Failed;
        fed += frames;
        ReportProgress(static_cast<float>(Percent(fed, total)));
    }
    ReportProgress(0);
    return NormalizeResult::Done;
}
