// The Progress reports of the readers and writers, each followed by a pump step.

#include "CodecFixture.h"

using namespace codectest;

namespace {

// Records the manager's state at each report, too.
class StateRecorder : public EventRecorder {
public:
    explicit StateRecorder(const CSoundFile& sound) : m_sound(sound) {}
    void FireProgress(float percent) override
    {
        EventRecorder::FireProgress(percent);
        states.push_back(m_sound.m_nState);
    }
    std::vector<int32_t> states;

private:
    const CSoundFile& m_sound;
};

void ExpectRising(const std::vector<float>& values, std::size_t from, std::size_t to)
{
    for (std::size_t i = from + 1; i < to; ++i)
        EXPECT_GE(values[i], values[i - 1]) << "at " << i;
}

void ExpectProgress(const std::vector<float>& actual, const std::vector<float>& expected)
{
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < actual.size(); ++i)
        EXPECT_NEAR(actual[i], expected[i], 1e-4) << "report " << i;
}

}  // namespace

TEST_F(CodecTest, RawReadProgress)
{
    const std::string path = m_dir.File("p.raw");
    WriteFile(path, std::vector<uint8_t>(2 * 65536 + 100, 1));
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    StateRecorder recorder(m_sound);
    ASSERT_EQ(Load(path, FormatRaw), 1);
    const float size = 2 * 65536 + 100;
    const std::vector<float> expected = {0, 65536 * 100 / size, 2 * 65536 * 100 / size, 100, 100, 0};
    ExpectProgress(recorder.Progress(), expected);
    EXPECT_TRUE(recorder.EachReportPumped());
    EXPECT_EQ(recorder.states, std::vector<int32_t>(6, 1));
}

TEST_F(CodecTest, WavReadProgress)
{
    const auto signal = MakeSignal(20000, 2, 44100);  // 80000 data bytes
    const std::string path = m_dir.File("p.wav");
    WritePcm16Wav(path, signal, 2, 44100);
    StateRecorder recorder(m_sound);
    ASSERT_EQ(Load(path, FormatWav), 1);
    const std::vector<float> expected = {0, 65536 * 100 / 80000.0f, 100, 100, 0};
    ExpectProgress(recorder.Progress(), expected);
    EXPECT_TRUE(recorder.EachReportPumped());
}

TEST_F(CodecTest, WavWriteProgress)
{
    FillDocument(m_wave, MakeSignal(40000, 2, 44100), 2, 44100);  // 160000 bytes
    StateRecorder recorder(m_sound);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("p.wav"), FormatWav), 1);
    const std::vector<float> expected = {0, 65536 * 100 / 160000.0f, 2 * 65536 * 100 / 160000.0f, 100, 100, 0};
    ExpectProgress(recorder.Progress(), expected);
    EXPECT_TRUE(recorder.EachReportPumped());
    EXPECT_EQ(recorder.states, std::vector<int32_t>(6, 2));
}

TEST_F(CodecTest, RawWriteProgress)
{
    FillDocument(m_wave, MakeSignal(16384, 2, 44100), 2, 44100);  // exactly one block
    EventRecorder recorder;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("p.raw"), FormatRaw), 1);
    ExpectProgress(recorder.Progress(), (std::vector<float>{0, 100, 100, 0}));
    EXPECT_TRUE(recorder.EachReportPumped());
}

TEST_F(CodecTest, Mp3ReadProgressRunsOnConsumedInput)
{
    WritePcm16Wav(m_dir.File("s.wav"), MakeSignal(44100, 2, 44100), 2, 44100);
    ASSERT_EQ(Shell("lame --quiet -b 128 " + Q(m_dir.File("s.wav")) + " " + Q(m_dir.File("s.mp3"))), 0);
    const auto size = static_cast<float>(std::filesystem::file_size(m_dir.File("s.mp3")));
    EventRecorder recorder;
    ASSERT_EQ(Load(m_dir.File("s.mp3"), FormatMp3), 1);
    const auto values = recorder.Progress();
    ASSERT_GE(values.size(), 5u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_NEAR(values[1], 2048 * 100 / size, 1e-4);  // one 2048-byte input block
    EXPECT_EQ(values[values.size() - 3], 100);  // the last block
    EXPECT_EQ(values[values.size() - 2], 100);  // after the loop
    EXPECT_EQ(values.back(), 0);
    ExpectRising(values, 0, values.size() - 1);
    EXPECT_EQ(values.size(), 3 + static_cast<std::size_t>((size + 2047) / 2048));
    EXPECT_TRUE(recorder.EachReportPumped());
}

TEST_F(CodecTest, OggReadProgressIsClampedAndEndsWithHundredThenZero)
{
    WritePcm16Wav(m_dir.File("s.wav"), MakeSignal(44100, 2, 44100), 2, 44100);
    ASSERT_EQ(Shell("oggenc -Q -o " + Q(m_dir.File("s.ogg")) + " " + Q(m_dir.File("s.wav"))), 0);
    EventRecorder recorder;
    ASSERT_EQ(Load(m_dir.File("s.ogg"), FormatOgg), 1);
    const auto values = recorder.Progress();
    ASSERT_GE(values.size(), 5u);
    EXPECT_EQ(values.front(), 0);
    EXPECT_GT(values[1], 0);
    EXPECT_EQ(values[values.size() - 3], 100);  // all frames decoded
    EXPECT_EQ(values[values.size() - 2], 100);
    EXPECT_EQ(values.back(), 0);
    ExpectRising(values, 0, values.size() - 1);
    for (float v : values)
        EXPECT_LE(v, 100);
    EXPECT_TRUE(recorder.EachReportPumped());
}

TEST_F(CodecTest, OggWriteProgress)
{
    FillDocument(m_wave, MakeSignal(4096, 2, 44100), 2, 44100);  // 16384 bytes: four reads
    EventRecorder recorder;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("p.ogg"), FormatOgg), 1);
    ExpectProgress(recorder.Progress(), (std::vector<float>{0, 25, 50, 75, 100, 100, 100, 0}));
    EXPECT_TRUE(recorder.EachReportPumped());
}

TEST_F(CodecTest, Mp3WriteProgress)
{
    FillDocument(m_wave, MakeSignal(1152 * 3 + 100, 2, 44100), 2, 44100);
    const float total = (1152 * 3 + 100) * 4;
    EventRecorder recorder;
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("p.mp3"), FormatMp3), 1);
    const std::vector<float> expected = {0, 4608 * 100 / total, 2 * 4608 * 100 / total,
                                         3 * 4608 * 100 / total, 100, 0};
    ExpectProgress(recorder.Progress(), expected);
    EXPECT_TRUE(recorder.EachReportPumped());
}
