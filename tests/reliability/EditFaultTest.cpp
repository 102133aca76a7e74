// Delete, paste, copy, undo of every kind and the time effects under a real
// write failure: the process's file-size limit (SIGXFSZ ignored, so writes
// past it fail with EFBIG). Each operation must say it failed, leave the
// document as it was or exactly as its documented partial result, and leave
// no temporary file in the working directory.
#include "FaultSupport.h"
#include "wave/FileSizeLimit.h"
#include "wave/WaveTestUtil.h"

#include "dsp/CWaveEffects.h"
#include "wave/WaveClipboard.h"

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kDocBytes = 400000;  // 100,000 frames of 16-bit stereo, 44100 Hz

class EditFaults : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bytes = Pattern(kDocBytes, 91);
        FillDocument(m_wave, m_bytes);
        m_wave.SetClipboard(&m_clipboard);
    }
    void Select(int32_t begin, int32_t end)
    {
        m_wave.m_nSelBegin = begin;
        m_wave.m_nSelEnd = end;
    }
    void ExpectCleanWorkDir() { EXPECT_EQ(WorkFiles(m_wave), ExpectedWorkFiles(m_wave)); }

    // What a forward block move of the bytes above `from` down to `to` leaves
    // in `bytes` when every write at or past `limit` fails: the bytes below
    // the limit moved, the rest as they were.
    static std::vector<uint8_t> MovedDownUpTo(std::vector<uint8_t> bytes, std::size_t to, std::size_t from,
                                              std::size_t limit)
    {
        const std::size_t gap = from - to;
        for (std::size_t p = to; p < limit && p + gap < bytes.size(); ++p)
            bytes[p] = bytes[p + gap];
        return bytes;
    }

    CRMWave m_wave;
    CWaveEffects m_fx{&m_wave};
    CMemoryClipboard m_clipboard;
    std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST_F(EditFaults, DeleteSelectionStopsAtTheFailedBlockMove)
{
    // Bytes 100,000 to 140,000 go; writes at 250,000 and beyond fail.
    Select(25000, 35000);
    bool result;
    {
        FileSizeLimit limit(250000);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.DeleteSelection();
    }
    EXPECT_FALSE(result);
    // The documented partial result: moved as far as the writes went, length unchanged.
    EXPECT_EQ(DocumentBytes(m_wave), MovedDownUpTo(m_bytes, 100000, 140000, 250000));
    EXPECT_EQ(m_wave.m_nLength, 100000);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, DeleteSelectionWithNothingToMoveAboveTheLimitSucceeds)
{
    // The same limit does not touch a delete whose moves all stay below it
    // and whose shrink needs no room: the check above is not a blanket refusal.
    Select(90000, 100000);
    FileSizeLimit limit(250000);
    ASSERT_TRUE(limit.Ok());
    EXPECT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(DocumentBytes(m_wave), Slice(m_bytes, 0, 360000));
}

TEST_F(EditFaults, PasteChangesNothingWhenTheFileCannotGrow)
{
    Select(0, 30000);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    const auto image = m_clipboard.GetWaveImage();
    Select(7, 11);
    m_wave.m_nCursor = 5001;
    bool result;
    {
        FileSizeLimit limit(kDocBytes + 119999);  // one byte short of the pasted data
        ASSERT_TRUE(limit.Ok());
        result = m_wave.PasteFromClipboard();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
    EXPECT_EQ(m_wave.m_nSelBegin, 7);
    EXPECT_EQ(m_wave.m_nSelEnd, 11);
    EXPECT_EQ(m_clipboard.GetWaveImage(), image);
    ExpectCleanWorkDir();

    // One byte more and it goes in.
    FileSizeLimit limit(kDocBytes + 120000);
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave),
              Concat({Slice(m_bytes, 0, 20004), Slice(m_bytes, 0, 120000), Slice(m_bytes, 20004, kDocBytes)}));
}

TEST_F(EditFaults, CopyFailsWithoutLeavingItsImageFile)
{
    m_clipboard.PutWaveImage({9, 8, 7});
    Select(100, 40100);
    bool result;
    {
        FileSizeLimit limit(65536);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.CopyToClipboard();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(m_clipboard.GetWaveImage(), (std::vector<uint8_t>{9, 8, 7}));
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, SaveUndoFailsWithoutARecordOrItsFile)
{
    Select(1000, 61000);  // 240,000 bytes to keep
    bool result;
    {
        FileSizeLimit limit(200000);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.SaveUndo(UndoReinsert);
    }
    EXPECT_FALSE(result);
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, UndoRestoreStopsAtTheLimitAndConsumesTheRecord)
{
    // An in-place change: bytes 80,000 .. 320,000 amplified to silence.
    Select(20000, 80000);
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    m_fx.Amplify(0.0f);
    auto changed = m_bytes;
    std::fill(changed.begin() + 80000, changed.begin() + 320000, 0);
    ASSERT_EQ(DocumentBytes(m_wave), changed);

    bool result;
    {
        FileSizeLimit limit(200000);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.Undo();
    }
    EXPECT_FALSE(result);
    // Restored below the limit, still silent above it.
    auto expected = m_bytes;
    std::fill(expected.begin() + 200000, expected.begin() + 320000, 0);
    EXPECT_EQ(DocumentBytes(m_wave), expected);
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    EXPECT_EQ(m_wave.m_nLength, 100000);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, UndoRemoveStopsAtTheFailedBlockMove)
{
    // Undo of a paste removes the pasted range by moving the tail down.
    Select(0, 10000);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    m_wave.m_nCursor = 20000;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    ASSERT_TRUE(m_wave.SaveUndo(UndoRemove));
    const auto pasted = DocumentBytes(m_wave);
    ASSERT_EQ(pasted.size(), kDocBytes + 40000);

    bool result;
    {
        FileSizeLimit limit(300000);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.Undo();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), MovedDownUpTo(pasted, 80000, 120000, 300000));
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, UndoReinsertChangesNothingAndKeepsTheRecord)
{
    Select(30000, 45000);
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());
    const auto deleted = DocumentBytes(m_wave);
    ASSERT_EQ(deleted.size(), kDocBytes - 60000);

    bool result;
    {
        FileSizeLimit limit(kDocBytes - 1);
        ASSERT_TRUE(limit.Ok());
        result = m_wave.Undo();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), deleted);
    EXPECT_EQ(m_wave.m_nLength, 85000);
    EXPECT_FALSE(m_wave.GetUndo().IsEmpty());
    ExpectCleanWorkDir();  // "Wave.sel" stays: it is the kept record

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, InsertSilenceChangesNothingWhenTheFileCannotGrow)
{
    Select(10, 20);
    m_wave.m_nCursor = 40000;
    bool result;
    {
        FileSizeLimit limit(kDocBytes + 4 * 44099);  // one frame short of a second
        ASSERT_TRUE(limit.Ok());
        result = m_fx.InsertSilence(1.0f);
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
    EXPECT_EQ(m_wave.m_nSelBegin, 40000);  // nothing inserted, nothing selected
    EXPECT_EQ(m_wave.m_nSelEnd, 40000);
    ExpectCleanWorkDir();

    FileSizeLimit limit(kDocBytes + 4 * 44100);
    ASSERT_TRUE(m_fx.InsertSilence(1.0f));
    EXPECT_EQ(DocumentBytes(m_wave),
              Concat({Slice(m_bytes, 0, 160000), std::vector<uint8_t>(176400, 0), Slice(m_bytes, 160000, kDocBytes)}));
}

TEST_F(EditFaults, EchoChangesNothingWhenItsScratchFileCannotGrow)
{
    Select(10000, 70000);  // 240,000 bytes; a 0.1 s delay leaves 222,360 to echo into
    bool result;
    {
        FileSizeLimit limit(200000);
        ASSERT_TRUE(limit.Ok());
        result = m_fx.Echo(0.1f, 0.5f);
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();

    ASSERT_TRUE(m_fx.Echo(0.1f, 0.5f));
    EXPECT_NE(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, EchoStopsAtTheFailedWriteBack)
{
    // The document's end is past the limit. Echo writes from the selection's
    // end backward, so it stops at the first block: whatever was written is
    // echoed, below the limit only, and nothing past the limit changes.
    Select(50000, 100000);  // bytes 200,000 .. 400,000; echoes land from 217,640
    CRMWave reference;
    FillDocument(reference, m_bytes);
    reference.m_nSelBegin = 50000;
    reference.m_nSelEnd = 100000;
    CWaveEffects referenceFx(&reference);
    ASSERT_TRUE(referenceFx.Echo(0.1f, 0.5f));
    const auto echoed = DocumentBytes(reference);

    bool result;
    {
        FileSizeLimit limit(300000);
        ASSERT_TRUE(limit.Ok());
        result = m_fx.Echo(0.1f, 0.5f);
    }
    EXPECT_FALSE(result);
    const auto now = DocumentBytes(m_wave);
    ASSERT_EQ(now.size(), m_bytes.size());
    std::size_t firstChanged = 0;
    while (firstChanged < now.size() && now[firstChanged] == m_bytes[firstChanged])
        ++firstChanged;
    const std::size_t from = std::min<std::size_t>(firstChanged, 300000);
    EXPECT_GE(from, 200000u);
    EXPECT_EQ(now, Concat({Slice(m_bytes, 0, from), Slice(echoed, from, 300000), Slice(m_bytes, 300000, kDocBytes)}));
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, ReverseChangesNothingWhenItsScratchFileCannotBeWritten)
{
    Select(5000, 85000);  // 320,000 bytes
    bool result;
    {
        FileSizeLimit limit(100000);
        ASSERT_TRUE(limit.Ok());
        result = m_fx.Reverse();
    }
    EXPECT_FALSE(result);
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();

    ASSERT_TRUE(m_fx.Reverse());
    EXPECT_NE(DocumentBytes(m_wave), m_bytes);
    ExpectCleanWorkDir();
}

// The control's FxInsertSilence: the effect (kind 0), then an undo record of
// the inserted range, whatever the effect did. A refused or failed insertion
// must not leave a record that removes the user's audio on Undo.
TEST_F(EditFaults, UndoAfterAFailedInsertSilenceRemovesNothing)
{
    Select(50000, 60000);  // an earlier edit's record, then a new selection
    ASSERT_TRUE(m_wave.SaveUndo(UndoRestore));
    Select(1000, 9000);
    m_wave.m_nCursor = 30000;
    {
        FileSizeLimit limit(kDocBytes + 1000);
        ASSERT_TRUE(limit.Ok());
        m_fx.ApplyEffect(FxKindInsertSilence, 0.5f);
        m_wave.SaveUndo(UndoRemove);
    }
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    m_wave.Undo();  // the earlier record, which restores bytes that never changed
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
    ExpectCleanWorkDir();
}

TEST_F(EditFaults, UndoAfterAZeroLengthInsertSilenceRemovesNothing)
{
    Select(1000, 9000);
    m_wave.m_nCursor = 30000;
    m_fx.ApplyEffect(FxKindInsertSilence, 0.0f);
    m_wave.SaveUndo(UndoRemove);
    m_wave.Undo();
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
}
