#pragma once
// Integrated loudness (ITU-R BS.1770 / EBU R128, measured by libebur128) and
// true peak of a range of the document's frames.

#include <cstdint>

class CRMWave;

struct LoudnessReading {
    static constexpr double kSilenceLufs = -70.0;
    static constexpr double kSilenceTruePeakDb = -144.0;

    double lufs = kSilenceLufs;              // integrated loudness in LUFS
    double truePeakDb = kSilenceTruePeakDb;  // highest true peak of any channel, dBTP
};

// Measures [begin, end), clamped to the document. An empty range and
// silence read as -70 LUFS and -144 dBTP; loudness below -70 reads as -70.
LoudnessReading MeasureLoudness(CRMWave& wave, int32_t begin, int32_t end);
