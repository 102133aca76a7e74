// Writes and resizes that really fail, through the process's file-size
// limit: nothing may be corrupted silently, and no failure may pass as success.
#include "FileSizeLimit.h"
#include "WaveTestUtil.h"
#include "wave/CWaveFile.h"
#include "wave/WaveClipboard.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDocBytes = 400000;  // 100,000 frames of 16-bit stereo

class Faults : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bytes = Pattern(kDocBytes, 44);
        FillDocument(m_wave, m_bytes);
        m_wave.SetClipboard(&m_clipboard);
    }
    void Select(int32_t begin, int32_t end)
    {
        m_wave.m_nSelBegin = begin;
        m_wave.m_nSelEnd = end;
    }
    CRMWave m_wave;
    CMemoryClipboard m_clipboard;
    std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST_F(Faults, PasteRefusedWhenGrowthFails)
{
    Select(0, 50000);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    Select(3, 9);
    m_wave.m_nCursor = 1000;
    {
        FileSizeLimit limit(kDocBytes + 1000);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(m_wave.PasteFromClipboard());
    }
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
    EXPECT_EQ(m_wave.m_nSelBegin, 3);
    EXPECT_EQ(m_wave.m_nSelEnd, 9);

    // With room again the same paste works.
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(m_wave.m_nLength, 150000);
    EXPECT_EQ(DocumentBytes(m_wave),
              Concat({Slice(m_bytes, 0, 4000), Slice(m_bytes, 0, 200000), Slice(m_bytes, 4000, kDocBytes)}));
}

TEST_F(Faults, UndoOfDeleteRefusedWhenGrowthFailsAndKeptForLater)
{
    Select(20000, 60000);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());
    const auto afterDelete = DocumentBytes(m_wave);
    ASSERT_EQ(afterDelete.size(), kDocBytes - 160000);
    {
        FileSizeLimit limit(afterDelete.size() + 100);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(m_wave.Undo());
    }
    EXPECT_EQ(DocumentBytes(m_wave), afterDelete);
    EXPECT_EQ(m_wave.m_nLength, 60000);
    EXPECT_FALSE(m_wave.GetUndo().IsEmpty());

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
}

TEST_F(Faults, FailedBlockMoveIsReported)
{
    // Moving the tail down writes at offsets above the limit.
    Select(70000, 71000);
    FileSizeLimit limit(250000);
    ASSERT_TRUE(limit.Ok());
    EXPECT_FALSE(m_wave.DeleteSelection());
}

TEST_F(Faults, FailedUndoSaveLeavesNoRecord)
{
    Select(0, 10);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));  // an earlier record
    Select(0, 50000);                            // 200,000 bytes to save
    {
        FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(m_wave.SaveUndo(UndoRestore));
    }
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    EXPECT_FALSE(fs::exists(m_wave.GetUndo().m_strPath));
    EXPECT_FALSE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
}

TEST_F(Faults, FailedCopyLeavesClipboardAlone)
{
    m_clipboard.PutWaveImage({1, 2, 3});
    Select(0, 50000);
    {
        FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.Ok());
        EXPECT_FALSE(m_wave.CopyToClipboard());
    }
    EXPECT_EQ(m_clipboard.GetWaveImage(), (std::vector<uint8_t>{1, 2, 3}));
    EXPECT_FALSE(fs::exists(m_wave.WorkFilePath("Wave.clp")));
}

TEST_F(Faults, FailedAppendIsReported)
{
    const auto more = Pattern(10000, 2);
    m_wave.SeekToFrame(m_wave.m_nLength);
    FileSizeLimit limit(kDocBytes + 5000);
    ASSERT_TRUE(limit.Ok());
    EXPECT_FALSE(m_wave.WriteData(more.data(), more.size()));
}

TEST_F(Faults, WaveWriterReportsFailedWriteAndClose)
{
    const fs::path path = m_wave.WorkFilePath("limited.wav");
    CWaveFile wave;
    ASSERT_EQ(wave.CreateWrite(path, WaveFormat::Pcm(2, 44100, 16)), 0);
    const auto data = Pattern(20000, 3);
    FileSizeLimit limit(10000);
    ASSERT_TRUE(limit.Ok());
    EXPECT_EQ(wave.Write(data.data(), 4000), 4000);
    uint32_t written = 99;
    EXPECT_EQ(wave.Write(data.data(), 16000, &written), -1);
    EXPECT_EQ(written, 0u);
    EXPECT_EQ(wave.Close(), 1);
}
