#include "dsp/Loudness.h"

#include "dsp/FloatFrames.h"
#include "wave/CRMWave.h"

#include <ebur128.h>

#include <algorithm>
#include <cmath>

struct CLoudnessMeter::State {
    explicit State(ebur128_state* state) : p(state) {}
    ~State() { ebur128_destroy(&p); }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ebur128_state* p;
};

CLoudnessMeter::CLoudnessMeter(int channels, int sampleRate) : m_nChannels(channels)
{
    if (channels < 1 || sampleRate <= 0)
        return;
    ebur128_state* state = ebur128_init(static_cast<unsigned>(channels), static_cast<unsigned long>(sampleRate),
                                        EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    if (state)
        m_state = std::make_unique<State>(state);
}

CLoudnessMeter::~CLoudnessMeter() = default;

bool CLoudnessMeter::Add(const float* samples, std::size_t frames)
{
    return m_state && ebur128_add_frames_float(m_state->p, samples, frames) == EBUR128_SUCCESS;
}

LoudnessReading CLoudnessMeter::Reading() const
{
    LoudnessReading reading;
    if (!m_state)
        return reading;
    double lufs = -HUGE_VAL;
    if (ebur128_loudness_global(m_state->p, &lufs) == EBUR128_SUCCESS && std::isfinite(lufs))
        reading.lufs = std::max(lufs, LoudnessReading::kSilenceLufs);
    double peak = 0.0;
    for (unsigned c = 0; c < static_cast<unsigned>(m_nChannels); ++c) {
        double channelPeak = 0.0;
        if (ebur128_true_peak(m_state->p, c, &channelPeak) == EBUR128_SUCCESS)
            peak = std::max(peak, channelPeak);
    }
    if (peak > 0.0)
        reading.truePeakDb = std::max(20.0 * std::log10(peak), LoudnessReading::kSilenceTruePeakDb);
    return reading;
}

LoudnessReading MeasureLoudness(CRMWave& wave, int32_t begin, int32_t end)
{
    begin = std::clamp(begin, 0, wave.m_nLength);
    end = std::clamp(end, begin, wave.m_nLength);
    if (end == begin)
        return LoudnessReading{};
    CLoudnessMeter meter(wave.m_nChannels, wave.m_nSamplesPerSec);
    const bool read = ForEachFloatBlock(wave, begin, end, [&](const float* samples, int32_t frames, int32_t) {
        return meter.Add(samples, static_cast<std::size_t>(frames));
    });
    return read ? meter.Reading() : LoudnessReading{};
}
