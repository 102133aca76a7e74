#pragma once
// A document with a format manager, as the control wires them, and the
// ebur128 meter of ffmpeg as the oracle for loudness and true peak.

#include "CodecFixture.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>

struct EbuReading {
    double lufs = 0;
    double truePeakDb = 0;
};

// The number (or "-inf") after the first `label` from `from` on in `text`;
// `absent` when there is none.
inline double NumberAfter(const std::string& text, std::size_t from, const char* label, double absent)
{
    const std::size_t at = from == std::string::npos ? from : text.find(label, from);
    if (at == std::string::npos)
        return absent;
    const char* begin = text.c_str() + at + std::strlen(label);
    char* end = nullptr;
    const double value = std::strtod(begin, &end);  // skips the blanks, reads "-inf" too
    return end == begin ? absent : value;
}

// ffmpeg's ebur128 filter with its true-peak meter, summary values.
inline EbuReading FfmpegLoudness(const std::string& path)
{
    const std::string out = codectest::Capture("(ffmpeg -nostats -hide_banner -i " + codectest::Q(path) +
                                               " -af ebur128=peak=true -f null - 2>&1)");
    EbuReading reading{1000, 1000};  // no summary: readings no test accepts
    if (out.rfind("Summary:") == std::string::npos)
        return reading;
    const std::string summary = out.substr(out.rfind("Summary:"));
    reading.lufs = NumberAfter(summary, 0, "I:", reading.lufs);
    reading.truePeakDb = NumberAfter(summary, summary.find("True peak:"), "Peak:", reading.truePeakDb);
    return reading;
}

class RingtoneTest : public CodecTest {
protected:
    // A stereo 16-bit document of pink noise made by sox, about -26 LUFS.
    void LoadPinkNoise(double seconds)
    {
        const std::string path = m_dir.File("pink.wav");
        ASSERT_EQ(codectest::Shell("sox -R -n -r 44100 -c 2 -b 16 " + codectest::Q(path) + " synth " +
                                   std::to_string(seconds) + " pinknoise vol 0.2"),
                  0);
        ASSERT_EQ(Load(path, FormatWav), 1);
    }

    std::vector<uint8_t> Bytes() { return codectest::DocumentBytes(m_wave); }

    // Saves the document as a WAV file (without touching m_sound) and meters it.
    EbuReading MeterDocument()
    {
        CSoundFile wav;
        wav.m_pWave = &m_wave;
        wav.m_strFileName = m_dir.File("metered.wav");
        wav.m_nFormat = FormatWav;
        EXPECT_EQ(wav.SaveFile(), 1);
        return FfmpegLoudness(wav.m_strFileName);
    }
};
