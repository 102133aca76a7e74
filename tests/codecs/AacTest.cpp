// M4A and M4R: our files checked by ffprobe and decoded by ffmpeg; files made
// by ffmpeg (AAC and ALAC) loaded by us. Also the Ogg loop comment.

#include "CodecFixture.h"

#include <cstdlib>

using namespace codectest;

namespace {

std::string Probe(const std::string& path, const std::string& entries)
{
    return Capture("ffprobe -v error -select_streams a:0 -show_entries " + entries +
                   " -of default=noprint_wrappers=1:nokey=1 " + Q(path));
}

// What ffmpeg decodes: raw 16-bit interleaved samples.
std::vector<int16_t> FfmpegPcm(const ScratchDir& dir, const std::string& path)
{
    const std::string pcm = dir.File("ref.pcm");
    EXPECT_EQ(Shell("ffmpeg -v error -y -i " + Q(path) + " -f s16le " + Q(pcm)), 0);
    return ToSamples(ReadFile(pcm));
}

}  // namespace

using AacTest = CodecTest;

TEST_F(AacTest, SavedFilesAreAacAtTheDocumentFormat)
{
    struct Case {
        int32_t format;
        const char* extension;
        int rate;
        int channels;
        int32_t bitRate;
        const char* brand;
    };
    const Case cases[] = {{FormatM4a, "m4a", 44100, 2, 0, "isom"},
                          {FormatM4r, "m4r", 44100, 2, 96000, "M4A "},
                          {FormatM4r, "m4r", 22050, 1, 64000, "M4A "},
                          {FormatM4a, "m4a", 48000, 2, 192000, "isom"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.extension) + " " + std::to_string(c.rate));
        const int frames = c.rate * 3 / 2;
        const auto signal = MakeSignal(frames, c.channels, c.rate);
        FillDocument(m_wave, signal, c.channels, c.rate);
        m_sound.m_nBitRate = c.bitRate;
        ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("tone.wav"), c.format), 1);
        const std::string out = m_dir.File(std::string("tone.") + c.extension);
        EXPECT_EQ(m_sound.m_strFileName, out);
        EXPECT_EQ(Probe(out, "stream=codec_name,profile,sample_rate,channels"),
                  "aac\nLC\n" + std::to_string(c.rate) + "\n" + std::to_string(c.channels) + "\n");
        EXPECT_EQ(Probe(out, "format_tags=major_brand"), std::string(c.brand) + "\n");
        // The duration is the document's, within one codec frame.
        const double duration = std::atof(Probe(out, "format=duration").c_str());
        EXPECT_NEAR(duration, 1.5, 1024.0 / c.rate);
        // The bit rate asked for (0 means 128 kbit/s), as an average.
        const double kbps = std::atof(Probe(out, "stream=bit_rate").c_str()) / 1000;
        EXPECT_NEAR(kbps, (c.bitRate ? c.bitRate : 128000) / 1000.0, 0.25 * (c.bitRate ? c.bitRate : 128000) / 1000);
        const auto decoded = FfmpegPcm(m_dir, out);
        EXPECT_NEAR(static_cast<double>(decoded.size()) / c.channels, frames, 1024);
        EXPECT_GT(BestCorrelation(signal, decoded, c.channels, 2048), 0.97);

        // Read back: the same format code loads our own file.
        ASSERT_EQ(Load(out, c.format), 1);
        EXPECT_EQ(m_wave.m_nChannels, c.channels);
        EXPECT_EQ(m_wave.m_nSamplesPerSec, c.rate);
        EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
        EXPECT_EQ(m_sound.m_nFormat, c.format);
        EXPECT_GT(BestCorrelation(signal, DocumentSamples(), c.channels, 2048), 0.97);
    }
}

TEST_F(AacTest, FilesFromFfmpegLoadWithEitherCode)
{
    struct Case {
        const char* options;
        const char* name;
        int32_t format;
    };
    const Case cases[] = {{"-c:a aac -b:a 128k", "aac.m4a", FormatM4a},
                          {"-c:a alac", "alac.m4a", FormatM4r},
                          {"-c:a aac -f ipod", "ring.m4r", FormatM4r}};
    const auto signal = MakeSignal(44100, 2, 44100);
    WritePcm16Wav(m_dir.File("in.wav"), signal, 2, 44100);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = m_dir.File(c.name);
        ASSERT_EQ(Shell("ffmpeg -v error -y -i " + Q(m_dir.File("in.wav")) + " " + c.options + " " + Q(path)), 0);
        ASSERT_EQ(Load(path, c.format), 1);
        EXPECT_EQ(m_wave.m_nChannels, 2);
        EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
        EXPECT_EQ(m_sound.m_wWavFormat, 1);
        EXPECT_EQ(DocumentSamples(), FfmpegPcm(m_dir, path));
    }
    // ALAC is lossless: the document is the signal itself.
    ASSERT_EQ(Load(m_dir.File("alac.m4a"), FormatM4a), 1);
    EXPECT_EQ(DocumentSamples(), signal);
}

TEST_F(AacTest, FileWithoutAnAacTrackFailsToLoad)
{
    WritePcm16Wav(m_dir.File("a.wav"), MakeSignal(4410, 2, 44100), 2, 44100);
    ASSERT_EQ(Shell("ffmpeg -v error -y -i " + Q(m_dir.File("a.wav")) + " -c:a libmp3lame -f mp4 " +
                    Q(m_dir.File("mp3.m4a"))),
              0);
    for (const char* name : {"a.wav", "mp3.m4a", "missing.m4a"}) {
        SCOPED_TRACE(name);
        EXPECT_EQ(Load(m_dir.File(name), FormatM4a), 0);
        EXPECT_EQ(m_wave.m_nLength, 0);
        EXPECT_EQ(m_sound.m_wWavFormat, 0);
    }
}

TEST_F(AacTest, RateAacLacksFailsAndKeepsTheOldFile)
{
    const std::vector<uint8_t> old = {'o', 'l', 'd'};
    WriteFile(m_dir.File("odd.m4r"), old);
    FillDocument(m_wave, MakeSignal(12345, 2, 12345), 2, 12345);
    m_sound.m_strFileName = m_dir.File("odd.m4r");
    m_sound.m_nFormat = FormatM4r;
    EXPECT_EQ(m_sound.SaveFile(), 0);
    EXPECT_EQ(ReadFile(m_dir.File("odd.m4r")), old);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(m_dir.Path()), {}), 1);
}

TEST_F(AacTest, OggLoopCommentIsAddedOnlyWhenAsked)
{
    FillDocument(m_wave, MakeSignal(22050, 2, 44100), 2, 44100);
    for (const int32_t loop : {0, 1}) {
        m_sound.m_bOggLoop = loop;
        ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("loop"), FormatOgg), 1);
        EXPECT_EQ(Capture("vorbiscomment -l " + Q(m_dir.File("loop.ogg"))),
                  loop ? "=\nANDROID_LOOP=true\n" : "=\n");
    }
}
