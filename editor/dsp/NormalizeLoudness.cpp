#include "dsp/NormalizeLoudness.h"

#include "dsp/FloatFrames.h"
#include "dsp/Loudness.h"
#include "dsp/TruePeakLimiter.h"
#include "wave/CRMWave.h"
#include "wave/ControlEvents.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <vector>

namespace {

// How close the result must come before it is written, and how many
// measuring passes may be spent getting there. The limiter takes energy
// out of loud peaks, so the gain that reaches the target afterwards can be
// a little higher than the first estimate; and our oversampling and a
// meter's differ slightly, so the ceiling the limiter aims at is corrected
// by what the meter reads.
constexpr double kLoudnessTolerance = 0.1;
constexpr double kPeakMargin = 0.15;
constexpr int kMeasuringPasses = 4;

// Receives the limited frames of the range in order.
using FrameSink = std::function<bool(int32_t first, int32_t frames, const float* samples)>;

// Streams [begin, end) through the gain and the limiter into `sink`.
bool GainAndLimit(CRMWave& wave, int32_t begin, int32_t end, double gainDb, double ceilingDb, const FrameSink& sink)
{
    // The limiter's output lags its input, so each block is handed on
    // behind the point already read: writes never reach unread frames.
    CTruePeakLimiter limiter(wave.m_nChannels, wave.m_nSamplesPerSec, ceilingDb);
    const auto gain = static_cast<float>(std::pow(10.0, gainDb / 20.0));
    const int32_t latency = limiter.Latency();
    const int32_t perBlock = FloatFramesPerBlock(wave);
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
            return false;
        for (std::size_t i = 0; i < static_cast<std::size_t>(real) * channels; ++i)
            block[i] *= gain;
        limiter.Process(block.data(), static_cast<std::size_t>(frames));

        // Output frame i of this block is input frame readFirst + i - latency.
        const int64_t outFirst = readFirst - latency;
        const int64_t skip = std::max<int64_t>(0, begin - outFirst);
        const int64_t count = std::min<int64_t>(frames, end - outFirst) - skip;
        if (count > 0 && !sink(static_cast<int32_t>(outFirst + skip), static_cast<int32_t>(count),
                               block.data() + static_cast<std::size_t>(skip) * channels))
            return false;
        fed += frames;
        PumpMessages();
    }
    return true;
}

// What the meter reads of the limited range, without writing it.
bool MeasureLimited(CRMWave& wave, int32_t begin, int32_t end, double gainDb, double ceilingDb,
                    LoudnessReading& reading)
{
    CLoudnessMeter meter(wave.m_nChannels, wave.m_nSamplesPerSec);
    const bool ok = GainAndLimit(wave, begin, end, gainDb, ceilingDb, [&](int32_t, int32_t frames, const float* s) {
        return meter.Add(s, static_cast<std::size_t>(frames));
    });
    reading = meter.Reading();
    return ok;
}

}  // namespace

NormalizeResult NormalizeLoudness(CRMWave& wave, int32_t begin, int32_t end, double targetLufs, double ceilingDb)
{
    if (!std::isfinite(targetLufs) || !std::isfinite(ceilingDb) || begin < 0 || end > wave.m_nLength ||
        end <= begin || wave.FramesToSeconds(end - begin) < kShortestLoudnessSeconds)
        return NormalizeResult::Refused;
    const LoudnessReading source = MeasureLoudness(wave, begin, end);
    if (source.truePeakDb <= LoudnessReading::kSilenceTruePeakDb || source.lufs <= LoudnessReading::kSilenceLufs)
        return NormalizeResult::Refused;

    double gainDb = targetLufs - source.lufs;
    double limiterCeiling = ceilingDb - 2 * kPeakMargin;
    ReportProgress(0);
    for (int pass = 0; pass < kMeasuringPasses; ++pass) {
        LoudnessReading result;
        if (!MeasureLimited(wave, begin, end, gainDb, limiterCeiling, result))
            return NormalizeResult::Failed;
        const bool loudnessMet = std::fabs(result.lufs - targetLufs) <= kLoudnessTolerance;
        const bool peakMet = result.truePeakDb <= ceilingDb - kPeakMargin;
        if (loudnessMet && peakMet)
            break;
        if (!loudnessMet)
            gainDb += targetLufs - result.lufs;
        if (!peakMet)
            limiterCeiling -= result.truePeakDb - (ceilingDb - 2 * kPeakMargin);
        ReportProgress(static_cast<float>(100 * (pass + 1) / (kMeasuringPasses + 1)));
    }

    const bool written = GainAndLimit(wave, begin, end, gainDb, limiterCeiling,
                                      [&](int32_t first, int32_t frames, const float* samples) {
                                          return WriteFloatFrames(wave, first, frames, samples);
                                      });
    ReportProgress(0);
    return written ? NormalizeResult::Done : NormalizeResult::Failed;
}
