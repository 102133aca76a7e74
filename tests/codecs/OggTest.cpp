// Ogg Vorbis: files made by oggenc and ffmpeg decoded by us; our files
// decoded by oggdec and ffprobe.

#include "CodecFixture.h"

#include <cstring>
#include <ctime>

using namespace codectest;

namespace {

std::string Probe(const std::string& path, const std::string& entries)
{
    return Capture("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                   " -of default=noprint_wrappers=1 " + Q(path));
}

struct VorbisHeader {
    int channels = 0;
    uint32_t rate = 0;
    int32_t maximum = 0;
    int32_t nominal = 0;
    int32_t minimum = 0;
};

uint32_t Le32(const uint8_t* p)
{
    return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24);
}

// The identification header of the first stream in the file.
VorbisHeader Identification(const std::vector<uint8_t>& file)
{
    VorbisHeader header;
    const char marker[] = "\x01vorbis";
    for (std::size_t i = 0; i + 30 <= file.size(); ++i) {
        if (std::memcmp(file.data() + i, marker, 7) == 0) {
            const uint8_t* p = file.data() + i + 7 + 4;  // after the version
            header.channels = p[0];
            header.rate = Le32(p + 1);
            header.maximum = static_cast<int32_t>(Le32(p + 5));
            header.nominal = static_cast<int32_t>(Le32(p + 9));
            header.minimum = static_cast<int32_t>(Le32(p + 13));
            break;
        }
    }
    return header;
}

// The stream serial number of the first Ogg page.
uint32_t Serial(const std::vector<uint8_t>& file)
{
    return file.size() >= 18 && std::memcmp(file.data(), "OggS", 4) == 0 ? Le32(file.data() + 14) : 0;
}

}  // namespace

class OggTest : public CodecTest {
protected:
    std::string OggencFile(int frames, int channels, int rate, const std::string& options = "-b 128")
    {
        m_signal = MakeSignal(frames, channels, rate);
        const std::string wav = m_dir.File("in.wav");
        const std::string ogg = m_dir.File("in.ogg");
        WritePcm16Wav(wav, m_signal, channels, rate);
        EXPECT_EQ(Shell("oggenc -Q " + options + " -o " + Q(ogg) + " " + Q(wav)), 0);
        return ogg;
    }

    // What the oggdec program decodes: raw 16-bit signed little-endian.
    std::vector<uint8_t> OggdecPcm(const std::string& path)
    {
        const std::string pcm = m_dir.File("ref.pcm");
        EXPECT_EQ(Shell("oggdec -Q -R -b 16 -e 0 -s 1 -o " + Q(pcm) + " " + Q(path)), 0);
        return ReadFile(pcm);
    }

    std::vector<int16_t> m_signal;
};

TEST_F(OggTest, OggencFileLoadsAsOggdecDecodesIt)
{
    const std::string ogg = OggencFile(44100, 2, 44100);
    ASSERT_EQ(Load(ogg, FormatOgg), 1);
    EXPECT_EQ(m_sound.m_nFormat, FormatOgg);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(m_sound.m_nBitRate, 128000);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(m_wave.m_nLength, 44100);
    EXPECT_EQ(DocumentBytes(m_wave), OggdecPcm(ogg));
    int lag = -1;
    EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 50, &lag), 0.99);
    EXPECT_EQ(lag, 0);
}

TEST_F(OggTest, MonoQualityModeFile)
{
    const std::string ogg = OggencFile(16000, 1, 16000, "-q 2");
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 8));
    ASSERT_EQ(Load(ogg, FormatOgg), 1);
    EXPECT_EQ(m_wave.m_nChannels, 1);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 16000);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(m_sound.m_nBitRate, Identification(ReadFile(ogg)).nominal);
    EXPECT_EQ(m_wave.m_nLength, 16000);
    EXPECT_EQ(DocumentBytes(m_wave), OggdecPcm(ogg));
}

TEST_F(OggTest, FfmpegVorbisFileLoads)
{
    m_signal = MakeSignal(48000, 2, 48000);
    WritePcm16Wav(m_dir.File("in.wav"), m_signal, 2, 48000);
    const std::string ogg = m_dir.File("ff.ogg");
    ASSERT_EQ(Shell("ffmpeg -y -v error -i " + Q(m_dir.File("in.wav")) + " -c:a libvorbis -b:a 160k " + Q(ogg)), 0);
    ASSERT_EQ(Load(ogg, FormatOgg), 1);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 48000);
    EXPECT_EQ(m_wave.m_nLength, 48000);
    EXPECT_EQ(DocumentBytes(m_wave), OggdecPcm(ogg));
}

TEST_F(OggTest, SavedFilePlaysElsewhere)
{
    const auto signal = MakeSignal(88200, 2, 44100);
    FillDocument(m_wave, signal, 2, 44100);
    m_sound.m_nBitRate = 128000;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("out.wav"), FormatOgg), 1);
    const std::string out = m_dir.File("out.ogg");
    EXPECT_EQ(m_sound.m_strFileName, out);
    EXPECT_EQ(Probe(out, "stream=codec_name,sample_rate,channels"),
              "codec_name=vorbis\nsample_rate=44100\nchannels=2\n");
    EXPECT_EQ(Probe(out, "stream=duration"), "duration=2.000000\n");

    const auto file = ReadFile(out);
    const VorbisHeader header = Identification(file);
    EXPECT_EQ(header.channels, 2);
    EXPECT_EQ(header.rate, 44100u);
    EXPECT_EQ(header.maximum, 128000);
    EXPECT_EQ(header.nominal, 128000);
    EXPECT_EQ(header.minimum, 128000);
    // One comment, with an empty name and value.
    EXPECT_EQ(Capture("vorbiscomment -l " + Q(out)), "=\n");

    const auto decoded = ToSamples(OggdecPcm(out));
    EXPECT_EQ(decoded.size(), signal.size());
    int lag = -1;
    EXPECT_GT(BestCorrelation(signal, decoded, 2, 50, &lag), 0.98);
    EXPECT_EQ(lag, 0);

    ASSERT_EQ(Load(out, FormatOgg), 1);
    EXPECT_EQ(m_wave.m_nLength, 88200);
    EXPECT_EQ(DocumentSamples(), decoded);
}

TEST_F(OggTest, MonoAndEightBitDocuments)
{
    const auto bytes = ToEightBit(MakeSignal(22050, 1, 22050));
    const auto widened = WidenEightBit(bytes);
    FillDocumentBytes(m_wave, bytes, 1, 22050, 8);
    m_sound.m_nBitRate = 64000;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("eight"), FormatOgg), 1);
    const std::string out = m_dir.File("eight.ogg");
    EXPECT_EQ(Probe(out, "stream=sample_rate,channels"), "sample_rate=22050\nchannels=1\n");
    const auto decoded = ToSamples(OggdecPcm(out));
    EXPECT_EQ(decoded.size(), widened.size());
    EXPECT_GT(BestCorrelation(widened, decoded, 1, 0), 0.97);
}

TEST_F(OggTest, BitRateZeroMeansDefaultRate)
{
    WritePcm16Wav(m_dir.File("in.wav"), MakeSignal(44100, 2, 44100), 2, 44100);
    ASSERT_EQ(Load(m_dir.File("in.wav"), FormatWav), 1);
    ASSERT_EQ(m_sound.m_nBitRate, 0);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("b0"), FormatOgg), 1);
    EXPECT_EQ(Identification(ReadFile(m_dir.File("b0.ogg"))).nominal, 128000);
}

TEST_F(OggTest, SameSecondGivesTheSameSerial)
{
    FillDocument(m_wave, MakeSignal(4000, 2, 44100), 2, 44100);
    for (int attempt = 0; attempt < 3; ++attempt) {
        const std::time_t before = std::time(nullptr);
        ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("a"), FormatOgg), 1);
        ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("b"), FormatOgg), 1);
        if (std::time(nullptr) != before)
            continue;  // crossed a second boundary; try again
        const uint32_t serial = Serial(ReadFile(m_dir.File("a.ogg")));
        EXPECT_EQ(serial, Serial(ReadFile(m_dir.File("b.ogg"))));
        EXPECT_LT(serial, 32768u);
        return;
    }
    FAIL() << "every attempt crossed a second boundary";
}

TEST_F(OggTest, EmptyDocumentGivesAValidEmptyStream)
{
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("empty"), FormatOgg), 1);
    EXPECT_EQ(Identification(ReadFile(m_dir.File("empty.ogg"))).channels, 2);
    EXPECT_TRUE(OggdecPcm(m_dir.File("empty.ogg")).empty());
}

TEST_F(OggTest, RefusedCombinationFailsAndLeavesNoFile)
{
    FillDocument(m_wave, MakeSignal(1000, 2, 8000), 2, 8000);
    m_sound.m_nBitRate = 500000;  // far beyond what 8 kHz stereo can carry
    m_sound.m_strFileName = m_dir.File("refused.wav");
    m_sound.m_nFormat = FormatOgg;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(m_sound.m_strFileName, m_dir.File("refused.ogg"));
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.Path()));
}
