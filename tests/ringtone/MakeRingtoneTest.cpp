// MakeRingtone to every format, read back by ffprobe; the document is left
// as it was; refusals and failed writes keep what exists.

#include "RingtoneFixture.h"

#include "codecs/MakeRingtone.h"

#include <limits>

using namespace codectest;

namespace {

std::string Probe(const std::string& path, const std::string& entries)
{
    return Capture("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                   " -of default=noprint_wrappers=1:nokey=1 " + Q(path));
}

}  // namespace

class MakeRingtoneTest : public RingtoneTest {
protected:
    void SetUp() override
    {
        FillDocument(m_wave, MakeSignal(12 * 44100, 2, 44100), 2, 44100);
        m_wave.m_nSelBegin = 1000;
        m_wave.m_nSelEnd = 5000;
        m_sound.m_strFileName = m_dir.File("song.wav");
        m_sound.m_nFormat = FormatWav;
        m_before = Bytes();
    }

    void ExpectDocumentUntouched()
    {
        EXPECT_EQ(Bytes(), m_before);
        EXPECT_EQ(m_wave.m_nSelBegin, 1000);
        EXPECT_EQ(m_wave.m_nSelEnd, 5000);
        EXPECT_EQ(m_wave.m_nLength, 12 * 44100);
    }

    std::vector<uint8_t> m_before;
};

TEST_F(MakeRingtoneTest, EveryFormatHoldsTheRangeAtTheDocumentFormat)
{
    struct Case {
        int32_t format;
        const char* extension;
        const char* codec;
        double frame;  // seconds of one codec frame
    };
    const Case cases[] = {{FormatMp3, "mp3", "mp3", 1152.0 / 44100 * 2},
                          {FormatOgg, "ogg", "vorbis", 2048.0 / 44100},
                          {FormatWav, "wav", "pcm_s16le", 0},
                          {FormatWma, "wma", "wmav2", 2048.0 / 44100 * 2},
                          {FormatM4a, "m4a", "aac", 1024.0 / 44100},
                          {FormatM4r, "m4r", "aac", 1024.0 / 44100}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.extension);
        RingtoneRequest request{m_dir.File("tone.txt"), c.format, 2.0, 9.5, 1.0, 1.5, -16.0, -1.0};
        const RingtoneResult result = MakeRingtone(m_wave, m_sound, request);
        ASSERT_EQ(result.written, 1);
        EXPECT_EQ(result.path, m_dir.File(std::string("tone.") + c.extension));
        EXPECT_EQ(Probe(result.path, "stream=codec_name,sample_rate,channels"),
                  std::string(c.codec) + "\n44100\n2\n");
        EXPECT_NEAR(std::atof(Probe(result.path, "format=duration").c_str()), 7.5, c.frame + 1e-3);
        ExpectDocumentUntouched();
    }
    // Raw: exactly the range's bytes count.
    RingtoneRequest raw{m_dir.File("tone"), FormatRaw, 2.0, 9.5};
    ASSERT_EQ(MakeRingtone(m_wave, m_sound, raw).written, 1);
    EXPECT_EQ(std::filesystem::file_size(m_dir.File("tone.raw")), 7.5 * 44100 * 4);
    ExpectDocumentUntouched();
}

TEST_F(MakeRingtoneTest, IphoneRingtoneHasItsBrandAndItsLoudness)
{
    RingtoneRequest request{m_dir.File("ring"), FormatM4r, 1.0, 11.0, 0.5, 2.0, -16.0, -1.0};
    ASSERT_EQ(MakeRingtone(m_wave, m_sound, request).written, 1);
    const std::string path = m_dir.File("ring.m4r");
    EXPECT_EQ(Probe(path, "format_tags=major_brand"), "M4A \n");
    EXPECT_NEAR(FfmpegLoudness(path).lufs, -16.0, 0.7);
    // It plays: ffmpeg decodes it to the end without an error.
    EXPECT_EQ(Capture("ffmpeg -v error -i " + Q(path) + " -f null - 2>&1"), "");
}

TEST_F(MakeRingtoneTest, AndroidLoopCommentFollowsTheSetting)
{
    m_sound.m_bOggLoop = 1;
    RingtoneRequest request{m_dir.File("loop"), FormatOgg, 0.0, 3.0};
    ASSERT_EQ(MakeRingtone(m_wave, m_sound, request).written, 1);
    EXPECT_EQ(Capture("vorbiscomment -l " + Q(m_dir.File("loop.ogg"))), "=\nANDROID_LOOP=true\n");
}

TEST_F(MakeRingtoneTest, FadesFollowTheirCurve)
{
    // Gain half way through a fade, for each curve: linear, exponential
    // (-60 dB at the silent end), equal power, S-curve.
    const double halfWay[] = {0.5, 0.0316228, 0.7071068, 0.5};
    const auto original = MakeSignal(12 * 44100, 2, 44100);
    for (int32_t curve = 0; curve < 4; ++curve) {
        SCOPED_TRACE(curve);
        RingtoneRequest request{m_dir.File("faded"), FormatWav, 0.0, 4.0, 1.0, 1.0};
        request.fadeCurve = curve;
        ASSERT_EQ(MakeRingtone(m_wave, m_sound, request).written, 1);
        CRMWave faded;
        CSoundFile reader;
        reader.m_pWave = &faded;
        ASSERT_TRUE(faded.CreateNew(2, 44100, 16));
        ASSERT_EQ(reader.LoadFile(m_dir.File("faded.wav"), FormatWav), 1);
        const auto samples = codectest::DocumentSamples(faded);
        ASSERT_EQ(samples.size(), 4u * 44100 * 2);
        EXPECT_EQ(samples[2 * 88200], original[2 * 88200]);  // the middle is the source
        const std::size_t in = 2 * 22050;                    // half way through the fade-in
        const std::size_t out = 2 * (3 * 44100 + 22050);     // and through the fade-out
        EXPECT_NEAR(samples[in], original[in] * halfWay[curve], 1.0);
        EXPECT_NEAR(samples[out], original[out] * halfWay[curve], 1.0);
    }
    ExpectDocumentUntouched();
}

TEST_F(MakeRingtoneTest, RefusalsWriteNothing)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* what;
        int32_t format;
        double begin, end, fadeIn;
    };
    const Case cases[] = {{"empty", FormatWav, 3.0, 3.0, 0},          {"reversed", FormatWav, 5.0, 3.0, 0},
                          {"past the end", FormatWav, 10.0, 12.5, 0}, {"negative", FormatWav, -1.0, 3.0, 0},
                          {"not a number", FormatWav, nan, 3.0, 0},   {"unknown format", 8, 0.0, 3.0, 0},
                          {"negative fade", FormatWav, 0.0, 3.0, -1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RingtoneRequest request{m_dir.File("refused"), c.format, c.begin, c.end, c.fadeIn};
        EXPECT_EQ(MakeRingtone(m_wave, m_sound, request).written, 0);
        EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav")));
    }
    RingtoneRequest unknownCurve{m_dir.File("refused"), FormatWav, 0.0, 3.0, 1.0};
    unknownCurve.fadeCurve = 4;  // four curves: 0 to 3
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, unknownCurve).written, 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("refused.wav")));
    ExpectDocumentUntouched();
}

TEST_F(MakeRingtoneTest, IphoneRingtoneOver40SecondsIsRefused)
{
    FillDocument(m_wave, MakeSignal(45 * 8000, 1, 8000), 1, 8000);
    RingtoneRequest longer{m_dir.File("long"), FormatM4r, 0.0, 40.5};
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, longer).written, 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("long.m4r")));
    RingtoneRequest fits{m_dir.File("long"), FormatM4r, 0.0, 40.0};
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, fits).written, 1);
    // A millisecond of slack for times that went through 32-bit floats;
    // two milliseconds over is still too long.
    RingtoneRequest hairOver{m_dir.File("hair"), FormatM4r, 0.0, 40.0005};
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, hairOver).written, 1);
    RingtoneRequest twoMsOver{m_dir.File("over"), FormatM4r, 0.0, 40.002};
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, twoMsOver).written, 0);
    EXPECT_FALSE(std::filesystem::exists(m_dir.File("over.m4r")));
}

TEST_F(MakeRingtoneTest, FailedWriteKeepsTheOldTarget)
{
    // MP3 has no 12345 Hz: the encoder refuses and the old file stays.
    FillDocument(m_wave, MakeSignal(3 * 12345, 2, 12345), 2, 12345);
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFile(m_dir.File("keep.mp3"), old);
    RingtoneRequest request{m_dir.File("keep.mp3"), FormatMp3, 0.0, 2.0};
    EXPECT_EQ(MakeRingtone(m_wave, m_sound, request).written, 0);
    EXPECT_EQ(ReadFile(m_dir.File("keep.mp3")), old);
}
