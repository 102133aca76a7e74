#pragma once
// Integrated loudness (ITU-R BS.1770 / EBU R128, measured by libebur128) and
// true peak of a range of the document's frames, or of any stream of frames.

#include <cstddef>
#include <cstdint>
#include <memory>

class CRMWave;

struct LoudnessReading {
    static constexpr double kSilenceLufs = -70.0;
    static constexpr double kSilenceTruePeakDb = -144.0;

    double lufs = kSilenceLufs;              // integrated loudness in LUFS
    double truePeakDb = kSilenceTruePeakDb;  // highest true peak of any channel, dBTP
};

// A meter fed with interleaved floats in [-1, 1).
class CLoudnessMeter {
public:
    CLoudnessMeter(int channels, int sampleRate);
    ~CLoudnessMeter();
    CLoudnessMeter(const CLoudnessMeter&) = delete;
    CLoudnessMeter& operator=(const CLoudnessMeter&) = delete;

    bool Add(const float* samples, std::size_t frames);
    // Silence and too little input read as -70 LUFS and -144 dBTP;
    // loudness below -70 reads as -70.
    LoudnessReading Reading() const;

private:
    struct State;  // libebur128's state, destroyed with the meter
    std::unique_ptr<State> m_state;
    int m_nChannels;
};

// Measures [begin, end), clamped to the document.
LoudnessReading MeasureLoudness(CRMWave& wave, int32_t begin, int32_t end);
