// Writing RIFF/WAVE files: header layout, sizes, the pad byte, and a check by sox.
#include "WaveTestUtil.h"
#include "wave/CWaveFile.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace fs = std::filesystem;

namespace {

std::string Id(const std::vector<uint8_t>& b, std::size_t at)
{
    return std::string(reinterpret_cast<const char*>(&b[at]), 4);
}

// Runs a command and returns what it printed on standard output.
std::string CommandOutput(const std::string& command)
{
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe)
        return out;
    char buf[256];
    while (std::fgets(buf, sizeof buf, pipe.get()))
        out += buf;
    return out;
}

class RiffWrite : public ::testing::Test {
protected:
    fs::path Path(const char* name) const { return m_doc.WorkFilePath(name); }
    CRMWave m_doc;  // only for its private directory
};

}  // namespace

TEST_F(RiffWrite, PcmHeaderIs46Bytes)
{
    const auto data = Pattern(4000);
    CWaveFile wave;
    ASSERT_EQ(wave.CreateWrite(Path("out.wav"), WaveFormat::Pcm(2, 44100, 16)), 0);
    uint32_t written = 0;
    EXPECT_EQ(wave.Write(data.data(), 1000, &written, 250), 1000);
    EXPECT_EQ(written, 1000u);
    EXPECT_EQ(wave.Write(data.data() + 1000, 3000, nullptr, 750), 3000);
    EXPECT_EQ(wave.GetSampleCount(), 1000u);
    EXPECT_EQ(wave.GetDataSize(), 4000u);
    EXPECT_EQ(wave.Close(), 0);

    const auto bytes = ReadFileBytes(Path("out.wav"));
    ASSERT_EQ(bytes.size(), 46u + 4000u);
    EXPECT_EQ(Id(bytes, 0), "RIFF");
    EXPECT_EQ(ReadLE32(&bytes[4]), bytes.size() - 8);
    EXPECT_EQ(Id(bytes, 8), "WAVE");
    EXPECT_EQ(Id(bytes, 12), "fmt ");
    EXPECT_EQ(ReadLE32(&bytes[16]), 18u);
    const WaveFormat f = WaveFormat::FromBytes(&bytes[20]);
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.nAvgBytesPerSec, 176400u);
    EXPECT_EQ(f.nBlockAlign, 4);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_EQ(f.cbSize, 0);
    EXPECT_EQ(Id(bytes, 38), "data");
    EXPECT_EQ(ReadLE32(&bytes[42]), 4000u);
    EXPECT_EQ(Slice(bytes, 46, bytes.size()), data);
}

TEST_F(RiffWrite, OddDataGetsPadByte)
{
    const auto data = Pattern(1001);
    CWaveFile wave;
    ASSERT_EQ(wave.CreateWrite(Path("odd.wav"), WaveFormat::Pcm(1, 8000, 8)), 0);
    EXPECT_EQ(wave.Write(data.data(), 1001), 1001);
    EXPECT_EQ(wave.Close(), 0);

    const auto bytes = ReadFileBytes(Path("odd.wav"));
    ASSERT_EQ(bytes.size(), 46u + 1001u + 1u);
    EXPECT_EQ(ReadLE32(&bytes[42]), 1001u);          // the data size is odd
    EXPECT_EQ(ReadLE32(&bytes[4]), 46u + 1002u - 8);  // the RIFF size counts the pad
    EXPECT_EQ(bytes.back(), 0);
    EXPECT_EQ(Slice(bytes, 46, 46 + 1001), data);

    CWaveFile back;
    ASSERT_EQ(back.OpenRead(Path("odd.wav")), 0);
    EXPECT_EQ(back.GetDataSize(), 1001u);
}

TEST_F(RiffWrite, NonPcmGetsFactAndExtraBytes)
{
    WaveFormat f = WaveFormat::Pcm(2, 44100, 16);
    f.wFormatTag = 0x161;
    f.cbSize = 3;  // odd: the fmt chunk needs a pad byte too
    CWaveFile wave;
    ASSERT_EQ(wave.CreateWrite(Path("wma.wav"), f, {1, 2, 3}), 0);
    EXPECT_EQ(wave.Write("abcd", 4), 4);
    EXPECT_EQ(wave.Close(), 0);

    const auto bytes = ReadFileBytes(Path("wma.wav"));
    EXPECT_EQ(ReadLE32(&bytes[16]), 21u);
    EXPECT_EQ(Slice(bytes, 38, 41), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(bytes[41], 0);  // pad after the odd fmt chunk
    EXPECT_EQ(Id(bytes, 42), "fact");
    EXPECT_EQ(ReadLE32(&bytes[46]), 4u);
    EXPECT_EQ(ReadLE32(&bytes[50]), 0u);
    EXPECT_EQ(Id(bytes, 54), "data");
    EXPECT_EQ(ReadLE32(&bytes[58]), 4u);
    EXPECT_EQ(ReadLE32(&bytes[4]), bytes.size() - 8);

    CWaveFile back;
    ASSERT_EQ(back.OpenRead(Path("wma.wav")), 0);
    EXPECT_EQ(back.GetFormat()->wFormatTag, 0x161);
    EXPECT_EQ(back.GetFormatExtra(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_EQ(back.GetDataSize(), 4u);
}

TEST_F(RiffWrite, ClosedObjectRefusesWork)
{
    CWaveFile wave;
    EXPECT_EQ(wave.Write("ab", 2), -1);
    uint8_t b[2];
    EXPECT_EQ(wave.Read(b, 2), -1);
    EXPECT_EQ(wave.Close(), 0);
    EXPECT_EQ(wave.CreateWrite(Path("no-such-dir/x.wav"), WaveFormat::Pcm(2, 44100, 16)), 1);
    EXPECT_EQ(wave.GetFormat(), nullptr);
}

TEST_F(RiffWrite, SoxReadsTheFileBack)
{
    // One second of 16-bit stereo at 22050 Hz: a ramp on the left, silence on the right.
    std::vector<uint8_t> data(22050 * 4);
    for (std::size_t i = 0; i < 22050; ++i) {
        const auto v = static_cast<int16_t>((i % 2000) * 16 - 16000);
        WriteLE16(&data[i * 4], static_cast<uint16_t>(v));
    }
    CWaveFile wave;
    ASSERT_EQ(wave.CreateWrite(Path("ramp.wav"), WaveFormat::Pcm(2, 22050, 16)), 0);
    for (std::size_t at = 0; at < data.size(); at += 65536) {
        const auto n = static_cast<uint32_t>(std::min<std::size_t>(65536, data.size() - at));
        ASSERT_EQ(wave.Write(data.data() + at, n), n);
    }
    ASSERT_EQ(wave.Close(), 0);

    const std::string file = Path("ramp.wav").string();
    EXPECT_EQ(CommandOutput("sox --i -c '" + file + "'"), "2\n");
    EXPECT_EQ(CommandOutput("sox --i -r '" + file + "'"), "22050\n");
    EXPECT_EQ(CommandOutput("sox --i -b '" + file + "'"), "16\n");
    EXPECT_EQ(CommandOutput("sox --i -s '" + file + "'"), "22050\n");
    EXPECT_EQ(CommandOutput("sox --i -e '" + file + "'"), "Signed Integer PCM\n");

    // sox decodes the same samples: convert back to raw and compare bytes.
    const std::string raw = Path("ramp.raw").string();
    ASSERT_EQ(std::system(("sox '" + file + "' -t raw '" + raw + "'").c_str()), 0);
    EXPECT_EQ(ReadFileBytes(raw), data);
}
