// Loudness and true peak measured by us against ffmpeg's ebur128 meter, and
// the loudness step checked by it.

#include "RingtoneFixture.h"

#include "dsp/Loudness.h"
#include "dsp/NormalizeLoudness.h"
#include "wave/CWaveUndo.h"

#include <limits>

using namespace codectest;

TEST_F(RingtoneTest, MeasurementAgreesWithFfmpeg)
{
    LoadPinkNoise(5);
    const LoudnessReading ours = MeasureLoudness(m_wave, 0, m_wave.m_nLength);
    const EbuReading theirs = FfmpegLoudness(m_dir.File("pink.wav"));
    EXPECT_NEAR(ours.lufs, theirs.lufs, 0.15);
    EXPECT_NEAR(ours.truePeakDb, theirs.truePeakDb, 0.3);
    EXPECT_LT(ours.lufs, -20);  // a quiet source, so that the step below has work
}

TEST_F(RingtoneTest, SilenceAndEmptyRangesReadAsTheFloor)
{
    FillDocument(m_wave, std::vector<int16_t>(2 * 44100, 0), 2, 44100);
    for (const auto& [begin, end] : {std::pair{0, 44100}, {100, 100}, {44100, 44100}, {200, 100}}) {
        const LoudnessReading reading = MeasureLoudness(m_wave, begin, end);
        EXPECT_EQ(reading.lufs, -70.0) << begin << ".." << end;
        EXPECT_EQ(reading.truePeakDb, -144.0) << begin << ".." << end;
    }
}

TEST_F(RingtoneTest, PinkNoiseIsNormalisedUnderTheCeilingAndUndoRestoresIt)
{
    LoadPinkNoise(8);
    const auto before = Bytes();
    m_wave.m_nSelBegin = 0;
    m_wave.m_nSelEnd = m_wave.m_nLength;
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    ASSERT_EQ(NormalizeLoudness(m_wave, 0, m_wave.m_nLength, -16.0, -1.0), NormalizeResult::Done);
    const EbuReading after = MeterDocument();
    EXPECT_NEAR(after.lufs, -16.0, 0.5);
    EXPECT_LE(after.truePeakDb, -1.0);
    EXPECT_EQ(m_wave.m_nLength, 8 * 44100);
    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(Bytes(), before);
}

TEST_F(RingtoneTest, LoudClickIsLimitedNotClipped)
{
    // A quiet tone with one full-scale click: bringing the tone to -16 LUFS
    // would push the click far over full scale without the limiter.
    const int rate = 44100;
    std::vector<int16_t> samples(static_cast<std::size_t>(4 * rate));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<int16_t>(300 * std::sin(2 * M_PI * 440 * static_cast<double>(i) / rate));
    samples[2 * rate] = 32767;
    samples[2 * rate + 1] = -32768;
    FillDocument(m_wave, samples, 1, rate);
    ASSERT_EQ(NormalizeLoudness(m_wave, 0, m_wave.m_nLength, -16.0, -1.0), NormalizeResult::Done);
    const auto result = DocumentSamples();
    const auto loudest = *std::max_element(result.begin(), result.end(), [](int16_t a, int16_t b) {
        return std::abs(a) < std::abs(b);
    });
    EXPECT_LT(std::abs(loudest), 32767 * 0.9);  // nothing sits at the clip level
    const EbuReading after = MeterDocument();
    EXPECT_LE(after.truePeakDb, -1.0);
    EXPECT_NEAR(after.lufs, -16.0, 0.5);
}

TEST_F(RingtoneTest, LoudnessStepRefusesWhatItCannotMeasure)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        const char* what;
        bool silent;
        int32_t begin, end;
        double target, ceiling;
    };
    const Case cases[] = {{"empty", false, 1000, 1000, -16, -1},
                          {"reversed", false, 2000, 1000, -16, -1},
                          {"under 0.4 s", false, 0, 17000, -16, -1},
                          {"past the end", false, 0, 3 * 44100, -16, -1},
                          {"silence", true, 0, 44100, -16, -1},
                          {"target not a number", false, 0, 44100, nan, -1},
                          {"infinite ceiling", false, 0, 44100, -16, inf}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FillDocument(m_wave, c.silent ? std::vector<int16_t>(4 * 44100, 0) : MakeSignal(2 * 44100, 2, 44100), 2,
                     44100);
        const auto before = Bytes();
        EXPECT_EQ(NormalizeLoudness(m_wave, c.begin, c.end, c.target, c.ceiling), NormalizeResult::Refused);
        EXPECT_EQ(Bytes(), before);
    }
}
