// Files that are empty, cut short, random or not files at all: every load
// ends, nothing crashes, and the result is 0 or an empty document.

#include "CodecFixture.h"

#include <random>

using namespace codectest;

namespace {

std::vector<uint8_t> RandomBytes(std::size_t count, unsigned seed)
{
    std::mt19937 generator(seed);
    std::vector<uint8_t> bytes(count);
    for (auto& b : bytes)
        b = static_cast<uint8_t>(generator());
    return bytes;
}

const int32_t kCodes[] = {FormatMp3, FormatOgg, FormatRaw, FormatWav};

}  // namespace

class BadInputTest : public CodecTest {
protected:
    // Valid files of each format, one second of stereo.
    void MakeValidFiles()
    {
        m_signal = MakeSignal(44100, 2, 44100);
        WritePcm16Wav(m_dir.File("ok.wav"), m_signal, 2, 44100);
        ASSERT_EQ(Shell("lame --quiet -b 128 " + Q(m_dir.File("ok.wav")) + " " + Q(m_dir.File("ok.mp3"))), 0);
        ASSERT_EQ(Shell("oggenc -Q -o " + Q(m_dir.File("ok.ogg")) + " " + Q(m_dir.File("ok.wav"))), 0);
    }

    std::string Truncated(const std::string& name, std::size_t keep)
    {
        auto bytes = ReadFile(m_dir.File(name));
        bytes.resize(std::min(bytes.size(), keep));
        const std::string path = m_dir.File("cut-" + name + "-" + std::to_string(keep));
        WriteFile(path, bytes);
        return path;
    }

    std::vector<int16_t> m_signal;
};

TEST_F(BadInputTest, MissingFilesAndDirectoriesGiveZero)
{
    for (int32_t code : kCodes) {
        EXPECT_EQ(Load(m_dir.File("missing"), code), 0) << code;
        EXPECT_EQ(m_wave.m_nLength, 0);
        EXPECT_EQ(Load(m_dir.Path().string(), code), 0) << code;
        EXPECT_EQ(m_wave.m_nLength, 0);
    }
}

TEST_F(BadInputTest, ZeroByteFiles)
{
    const std::string path = m_dir.File("zero");
    WriteFile(path, {});
    for (int32_t code : kCodes) {
        const int32_t result = Load(path, code);
        EXPECT_EQ(m_wave.m_nLength, 0) << code;
        // Only raw can take an empty file as an empty document.
        EXPECT_EQ(result, code == FormatRaw ? 1 : 0) << code;
    }
}

TEST_F(BadInputTest, RandomBytesAreNotAudio)
{
    for (unsigned seed = 1; seed <= 5; ++seed) {
        const std::string path = m_dir.File("random" + std::to_string(seed));
        WriteFile(path, RandomBytes(50000 + seed * 777, seed));
        for (int32_t code : {FormatMp3, FormatOgg, FormatWav}) {
            const int32_t result = Load(path, code);
            EXPECT_TRUE(result == 0 || m_wave.m_nLength == 0) << "code " << code << " seed " << seed;
        }
    }
}

TEST_F(BadInputTest, TruncatedFilesLoadWhatTheyHold)
{
    MakeValidFiles();
    for (std::size_t keep : {1, 4, 12, 44, 46, 47, 100, 5000, 40000}) {
        // WAV: the header must be whole; after that the samples that are there.
        const std::string wav = Truncated("ok.wav", keep);
        const int32_t result = Load(wav, FormatWav);
        // Our WAV header is 46 bytes (an 18-byte "fmt " record).
        if (keep <= 46) {
            EXPECT_EQ(result, 0) << keep;
        } else {
            EXPECT_EQ(result, 1) << keep;
            EXPECT_EQ(m_wave.m_nLength, static_cast<int32_t>((keep - 46) / 4)) << keep;
        }
        for (const char* name : {"ok.mp3", "ok.ogg"}) {
            const std::string path = Truncated(name, keep);
            const int32_t code = name[3] == 'm' ? FormatMp3 : FormatOgg;
            const int32_t loaded = Load(path, code);
            EXPECT_LE(m_wave.m_nLength, 44100) << name << " " << keep;
            if (loaded == 0 || m_wave.m_nLength < 4096)
                continue;
            // What was decoded is the start of the real signal, not noise.
            EXPECT_GT(BestCorrelation(m_signal, DocumentSamples(), 2, 0), 0.95) << name << " " << keep;
        }
    }
}

TEST_F(BadInputTest, HalfAnMp3GivesAboutHalfTheAudio)
{
    MakeValidFiles();
    const auto size = std::filesystem::file_size(m_dir.File("ok.mp3"));
    const std::string half = Truncated("ok.mp3", size / 2);
    ASSERT_EQ(Load(half, FormatMp3), 1);
    EXPECT_NEAR(m_wave.m_nLength, 22050, 3000);
    ASSERT_EQ(Shell("mpg123 -q -e s16 -O " + Q(m_dir.File("half.pcm")) + " " + Q(half)), 0);
    EXPECT_EQ(DocumentBytes(m_wave), ReadFile(m_dir.File("half.pcm")));
}

TEST_F(BadInputTest, HalfAnOggGivesAboutHalfTheAudio)
{
    // Long enough that half the file is well past the codebook header.
    WritePcm16Wav(m_dir.File("long.wav"), MakeSignal(5 * 44100, 2, 44100), 2, 44100);
    ASSERT_EQ(Shell("oggenc -Q -o " + Q(m_dir.File("long.ogg")) + " " + Q(m_dir.File("long.wav"))), 0);
    const auto size = std::filesystem::file_size(m_dir.File("long.ogg"));
    const std::string half = Truncated("long.ogg", size / 2);
    ASSERT_EQ(Load(half, FormatOgg), 1);
    EXPECT_GT(m_wave.m_nLength, 20000);
    EXPECT_LT(m_wave.m_nLength, 5 * 44100);
    // Exactly what oggdec makes of the same cut file.
    ASSERT_EQ(Shell("oggdec -Q -R -o " + Q(m_dir.File("half.pcm")) + " " + Q(half)), 0);
    EXPECT_EQ(DocumentBytes(m_wave), ReadFile(m_dir.File("half.pcm")));
}

TEST_F(BadInputTest, WavWithoutDataOrWithLyingSizes)
{
    std::vector<uint8_t> chunks;
    PutChunk(chunks, "fmt ", FmtBody(1, 2, 44100, 16));
    WriteFile(m_dir.File("nodata.wav"), RiffWave(chunks));
    EXPECT_EQ(Load(m_dir.File("nodata.wav"), FormatWav), 0);
    EXPECT_EQ(m_wave.m_nLength, 0);

    // A data chunk that claims far more than the file holds.
    std::vector<uint8_t> lying;
    PutChunk(lying, "fmt ", FmtBody(1, 2, 44100, 16));
    PutTag(lying, "data");
    Put32(lying, 0x7FFFFFF0);
    const auto samples = ToBytes(MakeSignal(500, 2, 44100));
    lying.insert(lying.end(), samples.begin(), samples.end());
    WriteFile(m_dir.File("lying.wav"), RiffWave(lying));
    EXPECT_EQ(Load(m_dir.File("lying.wav"), FormatWav), 1);
    EXPECT_EQ(m_wave.m_nLength, 500);
}

TEST_F(BadInputTest, Mp3OfAWavFileIsNotLoaded)
{
    // PCM data holds no MP3 frame where the search for the first one ends.
    MakeValidFiles();
    EXPECT_EQ(Load(m_dir.File("ok.wav"), FormatMp3), 0);
    EXPECT_EQ(m_wave.m_nLength, 0);
    EXPECT_EQ(Load(m_dir.File("ok.wav"), FormatOgg), 0);
    EXPECT_EQ(Load(m_dir.File("ok.mp3"), FormatWav), 0);
}
