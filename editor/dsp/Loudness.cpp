#include "dsp/Loudness.h"

#include "dsp/FloatFrames.h"
#include "wave/CRMWave.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>
#include <memory>

namespace {

struct Ebur128Destroy {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Ebur128Ptr = std::unique_ptr<ebur128_state, Ebur128Destroy>;

}  // namespace

LoudnessReading MeasureLoudness(CRMWave& wave, int32_t begin, int32_t end)
{
    LoudnessReading reading;
    begin = std::clamp(begin, 0, wave.m_nLength);
    end = std::clamp(end, begin, wave.m_nLength);
    if (end == begin || wave.m_nChannels < 1 || wave.m_nSamplesPerSec <= 0)
        return reading;
    Ebur128Ptr state(ebur128_init(static_cast<unsigned>(wave.m_nChannels),
                                  static_cast<unsigned long>(wave.m_nSamplesPerSec),
                                  EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK));
    if (!state)
        return reading;
    const bool read = ForEachFloatBlock(wave, begin, end, [&](const float* samples, int32_t frames, int32_t) {
        return ebur128_add_frames_float(state.get(), samples, static_cast<std::size_t>(frames)) == EBUR128_SUCCESS;
    });
    if (!read)
        return reading;

    double lufs = -HUGE_VAL;
    if (ebur128_loudness_global(state.get(), &lufs) == EBUR128_SUCCESS && std::isfinite(lufs))
        reading.lufs = std::max(lufs, LoudnessReading::kSilenceLufs);
    double peak = 0.0;
    for (unsigned c = 0; c < static_cast<unsigned>(wave.m_nChannels); ++c) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(state.get(), c, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    if (peak > 0.0)
        reading.truePeakDb = std::max(20.0 * std::log10(peak), LoudnessReading::kSilenceTruePeakDb);
    return reading;
}
