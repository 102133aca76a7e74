// MP3: files made by lame and decoded by us; our files decoded by mpg123 and
// ffprobe.

#include "CodecFixture.h"

#include <cstdlib>
#include <sstream>

using namespace codectest;

namespace {

// ffprobe's view of the first audio stream: key=value lines.
std::string Probe(const std::string& path, const std::string& entries)
{
    return Capture("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                   " -of default=noprint_wrappers=1 " + Q(path));
}

// Sets VRT_LAME_LIBRARY for one scope.
class LameLibraryOverride {
public:
    explicit LameLibraryOverride(const char* name) { setenv("VRT_LAME_LIBRARY", name, 1); }
    ~LameLibraryOverride() { unsetenv("VRT_LAME_LIBRARY"); }
};

// Channel mode bits of the first MPEG frame header in the file (0 stereo,
// 1 joint, 2 dual, 3 mono), or -1.
int FirstFrameMode(const std::vector<uint8_t>& file)
{
    for (std::size_t i = 0; i + 4 <= file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] & 0xE0) == 0xE0)
            return file[i + 3] >> 6;
    return -1;
}

// The kbit/s field of the first frame of an MPEG-1 Layer III file.
int FirstFrameKbps(const std::vector<uint8_t>& file)
{
    static const int table[16] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, -1};
    for (std::size_t i = 0; i + 4 <= file.size(); ++i)
        if (file[i] == 0xFF && (file[i + 1] & 0xFE) == 0xFA)
            return table[file[i + 2] >> 4];
    return -1;
}

}  // namespace

class Mp3Test : public CodecTest {
protected:
    // Encodes a signal with lame; the path of the MP3.
    std::string LameFile(int frames, int channels, int rate, const std::string& options = "-b 128")
    {
        m_signal = MakeSignal(frames, channels, rate);
        const std::string wav = m_dir.File("in.wav");
        const std::string mp3 = m_dir.File("in.mp3");
        WritePcm16Wav(wav, m_signal, channels, rate);
        EXPECT_EQ(Shell("lame --quiet " + options + " " + Q(wav) + " " + Q(mp3)), 0);
        return mp3;
    }

    // What the mpg123 program decodes: raw 16-bit interleaved samples.
    std::vector<uint8_t> Mpg123Pcm(const std::string& path)
    {
        const std::string pcm = m_dir.File("ref.pcm");
        EXPECT_EQ(Shell("mpg123 -q -e s16 -O " + Q(pcm) + " " + Q(path)), 0);
        return ReadFile(pcm);
    }

    std::vector<int16_t> m_signal;
};

TEST_F(Mp3Test, LameFileDecodesFromItsFirstFrame)
{
    const std::string mp3 = LameFile(44100, 2, 44100);
    ASSERT_EQ(Load(mp3, FormatMp3), 1);
    EXPECT_EQ(m_sound.m_nFormat, FormatMp3);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(m_sound.m_nBitRate, 128000);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    // The info frame's delay and padding are trimmed: every frame is there.
    EXPECT_EQ(m_wave.m_nLength, 44100);
    int lag = -1;
    EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 50, &lag), 0.99);
    EXPECT_EQ(lag, 0);
    // The same bytes that mpg123 itself gives.
    EXPECT_EQ(DocumentBytes(m_wave), Mpg123Pcm(mp3));
}

TEST_F(Mp3Test, ShortFileIsNotLost)
{
    // 0.25 s at 128 kbit/s is about 4 KB, less than the 8192 bytes that
    // must not be skipped.
    const std::string mp3 = LameFile(11025, 2, 44100);
    ASSERT_LT(std::filesystem::file_size(mp3), 8192u);
    ASSERT_EQ(Load(mp3, FormatMp3), 1);
    EXPECT_EQ(m_wave.m_nLength, 11025);
    EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 0), 0.98);
}

TEST_F(Mp3Test, Id3v2TagIsSkipped)
{
    const std::string plain = LameFile(22050, 2, 44100);
    ASSERT_EQ(Load(plain, FormatMp3), 1);
    const auto expected = DocumentBytes(m_wave);
    const std::string tagged = m_dir.File("tagged.mp3");
    ASSERT_EQ(Shell("lame --quiet -b 128 --id3v2-only --tt 'A title' --ta Artist --tc " +
                  std::string(3000, 'c') + " " + Q(m_dir.File("in.wav")) + " " + Q(tagged)),
              0);
    ASSERT_GT(std::filesystem::file_size(tagged), std::filesystem::file_size(plain) + 2000);
    ASSERT_EQ(Load(tagged, FormatMp3), 1);
    EXPECT_EQ(DocumentBytes(m_wave), expected);
}

TEST_F(Mp3Test, MonoAndOtherRatesComeFromTheStream)
{
    const std::string mp3 = LameFile(22050, 1, 22050, "-b 64");
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 8));
    ASSERT_EQ(Load(mp3, FormatMp3), 1);
    EXPECT_EQ(m_wave.m_nChannels, 1);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 22050);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(m_sound.m_nBitRate, 64000);
    EXPECT_EQ(m_wave.m_nLength, 22050);
    EXPECT_EQ(DocumentBytes(m_wave), Mpg123Pcm(mp3));
}

TEST_F(Mp3Test, FfmpegMp3Decodes)
{
    m_signal = MakeSignal(48000, 2, 48000);
    WritePcm16Wav(m_dir.File("in.wav"), m_signal, 2, 48000);
    const std::string mp3 = m_dir.File("ff.mp3");
    ASSERT_EQ(Shell("ffmpeg -y -v error -i " + Q(m_dir.File("in.wav")) + " -c:a libmp3lame -b:a 192k " + Q(mp3)), 0);
    ASSERT_EQ(Load(mp3, FormatMp3), 1);
    EXPECT_EQ(m_sound.m_nBitRate, 192000);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 48000);
    EXPECT_EQ(DocumentBytes(m_wave), Mpg123Pcm(mp3));
    EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 2000), 0.99);
}

TEST_F(Mp3Test, SavedFilePlaysElsewhere)
{
    const auto signal = MakeSignal(88200, 2, 44100);
    FillDocument(m_wave, signal, 2, 44100);
    m_sound.m_nBitRate = 128000;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("out.wav"), FormatMp3), 1);
    const std::string out = m_dir.File("out.mp3");
    EXPECT_EQ(m_sound.m_strFileName, out);
    EXPECT_EQ(Probe(out, "stream=codec_name,sample_rate,channels,bit_rate"),
              "codec_name=mp3\nsample_rate=44100\nchannels=2\nbit_rate=128000\n");
    const double duration = std::atof(Probe(out, "format=duration").substr(9).c_str());
    EXPECT_NEAR(duration, 2.0, 0.06);

    // mpg123 decodes it to the signal, delayed by the encoder's start-up.
    const auto decoded = ToSamples(Mpg123Pcm(out));
    EXPECT_NEAR(static_cast<double>(decoded.size()) / 2, 88200, 2 * 1152 + 1105);
    int lag = 0;
    EXPECT_GT(BestCorrelation(signal, decoded, 2, 3000, &lag), 0.98);
    EXPECT_GT(lag, 500);  // no info frame, so the decoder keeps the delay

    // Stereo, never joint stereo.
    EXPECT_EQ(FirstFrameMode(ReadFile(out)), 0);

    // And we read our own file back.
    ASSERT_EQ(Load(out, FormatMp3), 1);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(DocumentSamples(), decoded);
}

TEST_F(Mp3Test, MonoDocumentUsesMonoMode)
{
    const auto signal = MakeSignal(32000, 1, 32000);
    FillDocument(m_wave, signal, 1, 32000);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("mono"), FormatMp3), 1);
    const std::string out = m_dir.File("mono.mp3");
    EXPECT_EQ(FirstFrameMode(ReadFile(out)), 3);
    EXPECT_EQ(Probe(out, "stream=sample_rate,channels"), "sample_rate=32000\nchannels=1\n");
    EXPECT_GT(BestCorrelation(signal, ToSamples(Mpg123Pcm(out)), 1, 3000), 0.98);
}

// The file keeps the document's rate whatever the bit rate: the encoder must
// not pick a lower rate of its own to suit a small bit rate.
TEST_F(Mp3Test, FileKeepsTheDocumentRateAtEveryBitRate)
{
    struct Case {
        int rate;
        int channels;
        int32_t bitRate;
    };
    const Case cases[] = {{44100, 2, 64000}, {44100, 2, 96000}, {44100, 2, 320000},
                          {48000, 2, 96000}, {48000, 1, 32000}, {22050, 2, 32000},
                          {8000, 1, 16000}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rate) + " Hz at " + std::to_string(c.bitRate));
        FillDocument(m_wave, MakeSignal(c.rate / 2, c.channels, c.rate), c.channels, c.rate);
        m_sound.m_nBitRate = c.bitRate;
        ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("rate"), FormatMp3), 1);
        EXPECT_EQ(Probe(m_dir.File("rate.mp3"), "stream=sample_rate,channels"),
                  "sample_rate=" + std::to_string(c.rate) + "\nchannels=" + std::to_string(c.channels) + "\n");
    }
}

// A rate that MP3 does not have fails the save and leaves the old file alone.
TEST_F(Mp3Test, RateWithoutAnMp3EquivalentFailsAndKeepsTheOldFile)
{
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    for (const int rate : {12345, 96000}) {
        SCOPED_TRACE(rate);
        WriteFile(m_dir.File("odd.mp3"), old);
        FillDocument(m_wave, MakeSignal(rate / 4, 2, rate), 2, rate);
        m_sound.m_strFileName = m_dir.File("odd.mp3");
        m_sound.m_nFormat = FormatMp3;
        EXPECT_EQ(m_sound.SaveFile(), 0);
        EXPECT_EQ(ReadFile(m_dir.File("odd.mp3")), old);
    }
}

TEST_F(Mp3Test, BitRateIsTruncatedToKilobits)
{
    FillDocument(m_wave, MakeSignal(44100, 2, 44100), 2, 44100);
    m_sound.m_nBitRate = 96999;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("b96"), FormatMp3), 1);
    EXPECT_EQ(FirstFrameKbps(ReadFile(m_dir.File("b96.mp3"))), 96);
}

TEST_F(Mp3Test, BitRateBelowOneKilobitLeavesTheChoiceToTheEncoder)
{
    // 999 / 1000 is 0 kbit/s in the configuration: LAME then takes its own
    // default for the rate, 128 kbit/s at 44.1 kHz stereo.
    FillDocument(m_wave, MakeSignal(44100, 2, 44100), 2, 44100);
    m_sound.m_nBitRate = 999;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("b0"), FormatMp3), 1);
    EXPECT_EQ(FirstFrameKbps(ReadFile(m_dir.File("b0.mp3"))), 128);
}

TEST_F(Mp3Test, BitRateZeroMeansDefaultRate)
{
    // After a WAV load BitRate reads 0; the save still works, at 128 kbit/s.
    WritePcm16Wav(m_dir.File("in.wav"), MakeSignal(44100, 2, 44100), 2, 44100);
    ASSERT_EQ(Load(m_dir.File("in.wav"), FormatWav), 1);
    ASSERT_EQ(m_sound.m_nBitRate, 0);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("b0"), FormatMp3), 1);
    EXPECT_EQ(FirstFrameKbps(ReadFile(m_dir.File("b0.mp3"))), 128);
}

TEST_F(Mp3Test, EightBitDocumentIsWidened)
{
    const auto bytes = ToEightBit(MakeSignal(22050, 1, 22050));
    const auto widened = WidenEightBit(bytes);
    FillDocumentBytes(m_wave, bytes, 1, 22050, 8);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("eight"), FormatMp3), 1);
    const std::string out = m_dir.File("eight.mp3");
    EXPECT_EQ(Probe(out, "stream=sample_rate,channels"), "sample_rate=22050\nchannels=1\n");
    const auto decoded = ToSamples(Mpg123Pcm(out));
    EXPECT_NEAR(static_cast<double>(decoded.size()), 22050, 2 * 576 + 1105);
    EXPECT_GT(BestCorrelation(widened, decoded, 1, 3000), 0.97);
}

TEST_F(Mp3Test, EmptyDocumentGivesOnlyTheFlush)
{
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("empty"), FormatMp3), 1);
    EXPECT_LT(std::filesystem::file_size(m_dir.File("empty.mp3")), 2000u);
}

TEST_F(Mp3Test, MissingEncoderFailsBeforeTouchingFiles)
{
    FillDocument(m_wave, MakeSignal(1000, 2, 44100), 2, 44100);
    LameLibraryOverride missing("libmp3lame-that-is-not-there.so.0");
    const std::string target = m_dir.File("song.wav");
    m_sound.m_strFileName = target;
    m_sound.m_nFormat = FormatMp3;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(m_sound.m_strFileName, target);  // the extension was not forced either
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}

TEST_F(Mp3Test, LibraryWithoutTheEncoderFunctionsCountsAsMissing)
{
    FillDocument(m_wave, MakeSignal(1000, 2, 44100), 2, 44100);
    LameLibraryOverride wrong("libm.so.6");
    m_sound.m_strFileName = m_dir.File("song");
    m_sound.m_nFormat = FormatMp3;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}
