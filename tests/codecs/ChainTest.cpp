// Files that hold more than one stream: a second stream of the same format
// goes on; one of another format ends the load, so its samples are never
// read in the wrong format.

#include "CodecFixture.h"

using namespace codectest;

class ChainTest : public CodecTest {
protected:
    void Make(const std::string& tool, const std::string& name, int frames, int channels, int rate)
    {
        const std::string wav = m_dir.File(name + ".wav");
        WritePcm16Wav(wav, MakeSignal(frames, channels, rate), channels, rate);
        const std::string out = m_dir.File(name);
        if (tool == "lame")
            ASSERT_EQ(Shell("lame --quiet -b 128 " + Q(wav) + " " + Q(out)), 0);
        else
            ASSERT_EQ(Shell("oggenc -Q -s " + std::to_string(++m_serial) + " -o " + Q(out) + " " + Q(wav)), 0);
    }

    std::vector<uint8_t> OggdecPcm(const std::string& name)
    {
        const std::string pcm = m_dir.File(name + ".pcm");
        EXPECT_EQ(Shell("oggdec -Q -R -o " + Q(pcm) + " " + Q(m_dir.File(name))), 0);
        return ReadFile(pcm);
    }

    std::string Concatenate(const std::string& a, const std::string& b)
    {
        auto bytes = ReadFile(m_dir.File(a));
        const auto tail = ReadFile(m_dir.File(b));
        bytes.insert(bytes.end(), tail.begin(), tail.end());
        const std::string path = m_dir.File(a + "+" + b);
        WriteFile(path, bytes);
        return path;
    }

    int m_serial = 0;  // each stream of a chain needs its own serial number
};

TEST_F(ChainTest, OggChainOfTheSameFormatLoadsWhole)
{
    Make("oggenc", "a.ogg", 44100, 2, 44100);
    Make("oggenc", "b.ogg", 22050, 2, 44100);
    ASSERT_EQ(Load(Concatenate("a.ogg", "b.ogg"), FormatOgg), 1);
    EXPECT_EQ(m_wave.m_nLength, 44100 + 22050);
    // Each stream exactly as oggdec decodes it on its own.
    auto expected = OggdecPcm("a.ogg");
    const auto second = OggdecPcm("b.ogg");
    expected.insert(expected.end(), second.begin(), second.end());
    EXPECT_EQ(DocumentBytes(m_wave), expected);
}

TEST_F(ChainTest, OggChainOfAnotherFormatStopsAtTheBoundary)
{
    Make("oggenc", "a.ogg", 44100, 2, 44100);
    Make("oggenc", "m.ogg", 22050, 1, 22050);
    ASSERT_EQ(Load(Concatenate("a.ogg", "m.ogg"), FormatOgg), 1);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(m_wave.m_nLength, 44100);
}

TEST_F(ChainTest, Mp3OfAnotherFormatStopsAtTheBoundary)
{
    Make("lame", "a.mp3", 44100, 2, 44100);
    Make("lame", "m.mp3", 22050, 1, 22050);
    ASSERT_EQ(Load(Concatenate("a.mp3", "m.mp3"), FormatMp3), 1);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 44100);
    // The first stream, give or take the frames around the boundary.
    EXPECT_NEAR(m_wave.m_nLength, 44100, 2 * 1152);
}
