// The single undo record: each kind round trip, and its lifecycle.
#include "WaveTestUtil.h"

namespace fs = std::filesystem;

namespace {

class Undo : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bytes = Pattern(200000 * 4, 5);  // 200,000 frames: several 64 KB blocks
        FillDocument(m_wave, m_bytes);
    }
    void Select(int32_t begin, int32_t end)
    {
        m_wave.m_nSelBegin = begin;
        m_wave.m_nSelEnd = end;
    }
    CRMWave m_wave;
    std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST_F(Undo, SaveUndoWithoutSelectionKeepsOldRecord)
{
    Select(10, 20);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    Select(0, 0);
    EXPECT_FALSE(m_wave.SaveUndo(UndoReinsert));
    EXPECT_EQ(m_wave.GetUndo().m_nKind, UndoRestore);
    EXPECT_EQ(m_wave.GetUndo().m_nBegin, 40);
    EXPECT_EQ(m_wave.GetUndo().m_nEnd, 80);
    EXPECT_EQ(ReadFileBytes(m_wave.GetUndo().m_strPath), Slice(m_bytes, 40, 80));
}

TEST_F(Undo, RestoreBringsBackOverwrittenBytes)
{
    Select(1000, 150000);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    EXPECT_EQ(ReadFileBytes(m_wave.GetUndo().m_strPath), Slice(m_bytes, 4000, 600000));

    // Stand in for an effect: clip everything in the range to full scale.
    std::vector<uint8_t> loud(600000 - 4000, 0xFF);
    m_wave.SeekToFrame(1000);
    ASSERT_TRUE(m_wave.WriteData(loud.data(), loud.size()));
    ASSERT_NE(DocumentBytes(m_wave), m_bytes);

    Select(0, 0);
    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nSelBegin, 1000);
    EXPECT_EQ(m_wave.m_nSelEnd, 150000);
    EXPECT_EQ(m_wave.m_nLength, 200000);
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    EXPECT_FALSE(fs::exists(m_wave.GetUndo().m_strPath));
    EXPECT_FALSE(m_wave.Undo());  // consumed: a second undo does nothing
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
}

TEST_F(Undo, RemoveTakesOutInsertedRange)
{
    // Stand in for a paste of 70,000 frames at frame 5: grow, then select them.
    const auto inserted = Pattern(70000 * 4, 11);
    ASSERT_TRUE(m_wave.OpenGap(20, static_cast<int64_t>(inserted.size())));
    m_wave.SeekToFrame(5);
    ASSERT_TRUE(m_wave.WriteData(inserted.data(), inserted.size()));
    m_wave.UpdateLength();
    Select(5, 70005);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRemove));
    EXPECT_FALSE(fs::exists(m_wave.GetUndo().m_strPath));

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 200000);
    EXPECT_EQ(m_wave.m_nSelBegin, 5);
    EXPECT_EQ(m_wave.m_nSelEnd, 70005);
    EXPECT_FALSE(m_wave.Undo());
}

TEST_F(Undo, ReinsertPutsDeletedBytesBack)
{
    Select(33333, 166667);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(m_wave.m_nLength, 200000 - 133334);
    EXPECT_EQ(DocumentBytes(m_wave),
              Concat({Slice(m_bytes, 0, 33333 * 4), Slice(m_bytes, 166667 * 4, m_bytes.size())}));

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 200000);
    EXPECT_EQ(m_wave.m_nSelBegin, 33333);
    EXPECT_EQ(m_wave.m_nSelEnd, 166667);
    EXPECT_FALSE(fs::exists(m_wave.GetUndo().m_strPath));
}

TEST_F(Undo, DeleteWithoutSelectionKeepsEarlierUndo)
{
    Select(100, 200);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());

    // The control's Delete with nothing selected: SaveUndo refuses, nothing moves.
    EXPECT_FALSE(m_wave.SaveUndo(UndoReinsert));
    const auto before = DocumentBytes(m_wave);
    EXPECT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(DocumentBytes(m_wave), before);

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
}

TEST_F(Undo, RestoreWithSavedFileGoneChangesNothing)
{
    Select(0, 10);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    fs::remove(m_wave.GetUndo().m_strPath);
    EXPECT_FALSE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);

    Select(0, 10);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());
    const auto deleted = DocumentBytes(m_wave);
    fs::remove(m_wave.GetUndo().m_strPath);
    EXPECT_FALSE(m_wave.Undo());  // no bytes to put back: no gap is opened
    EXPECT_EQ(DocumentBytes(m_wave), deleted);
}

TEST_F(Undo, NewRecordReplacesOld)
{
    Select(0, 10);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    Select(20, 25);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    EXPECT_EQ(m_wave.GetUndo().m_nKind, UndoRestore);
    EXPECT_EQ(ReadFileBytes(m_wave.GetUndo().m_strPath), Slice(m_bytes, 80, 100));
    Select(20, 25);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRemove));
    EXPECT_FALSE(fs::exists(m_wave.GetUndo().m_strPath));
}

TEST_F(Undo, EmptyRecordRefuses)
{
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    EXPECT_FALSE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
}
