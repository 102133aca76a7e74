// Delete, copy, paste and cut through the in-memory clipboard.
#include "WaveTestUtil.h"
#include "wave/CWaveFile.h"
#include "wave/ControlEvents.h"
#include "wave/WaveClipboard.h"

namespace fs = std::filesystem;

namespace {

// Records what the core reports to the control.
class RecordingEvents : public IControlEvents {
public:
    void ShowMessage(const std::string& text, const std::string& caption) override
    {
        m_text = text;
        m_caption = caption;
        ++m_nMessages;
    }
    void PumpMessages() override { ++m_nPumps; }

    std::string m_text;
    std::string m_caption;
    int m_nMessages = 0;
    int m_nPumps = 0;
};

class Edit : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_bytes = Pattern(100000 * 4, 21);
        FillDocument(m_wave, m_bytes);
        m_wave.SetClipboard(&m_clipboard);
        SetControlEvents(&m_events);
    }
    void TearDown() override { SetControlEvents(nullptr); }
    void Select(int32_t begin, int32_t end)
    {
        m_wave.m_nSelBegin = begin;
        m_wave.m_nSelEnd = end;
    }
    std::vector<uint8_t> Frames(int32_t begin, int32_t end) const
    {
        return Slice(m_bytes, static_cast<std::size_t>(begin) * 4, static_cast<std::size_t>(end) * 4);
    }
    // A clipboard image built by the writer, as another document would put it.
    std::vector<uint8_t> Image(const std::vector<uint8_t>& data, const WaveFormat& f)
    {
        const fs::path path = m_wave.WorkFilePath("image.wav");
        {
            CWaveFile w;
            EXPECT_EQ(w.CreateWrite(path, f), 0);
            EXPECT_EQ(w.Write(data.data(), static_cast<uint32_t>(data.size())),
                      static_cast<int64_t>(data.size()));
            EXPECT_EQ(w.Close(), 0);
        }
        auto image = ReadFileBytes(path);
        fs::remove(path);
        return image;
    }

    CRMWave m_wave;
    CMemoryClipboard m_clipboard;
    RecordingEvents m_events;
    std::vector<uint8_t> m_bytes;
};

}  // namespace

TEST_F(Edit, DeleteRemovesSelectedFrames)
{
    Select(20000, 50000);
    m_wave.m_nCursor = 77;
    m_wave.m_nViewBegin = 60000;
    m_wave.m_nViewEnd = 100000;
    ASSERT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({Frames(0, 20000), Frames(50000, 100000)}));
    EXPECT_EQ(m_wave.m_nLength, 70000);
    EXPECT_FALSE(m_wave.HasSelection());
    EXPECT_EQ(m_wave.m_nCursor, 77);
    EXPECT_EQ(m_wave.m_nViewBegin, 30000);  // clamped, width kept
    EXPECT_EQ(m_wave.m_nViewEnd, 70000);
    // 200,000 tail bytes move in four 64 KB blocks, one pump step after each.
    EXPECT_EQ(m_events.m_nPumps, 4);
}

TEST_F(Edit, DeleteAllAndDeleteNothing)
{
    EXPECT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    m_wave.SelectAll();
    ASSERT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(m_wave.m_nLength, 0);
    EXPECT_TRUE(DocumentBytes(m_wave).empty());
}

TEST_F(Edit, CopyPutsRiffImageOfSelection)
{
    Select(10, 16390);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    const auto image = m_clipboard.GetWaveImage();
    ASSERT_TRUE(image);
    ASSERT_EQ(image->size(), 46u + 16380u * 4);
    EXPECT_EQ(Slice(*image, 46, image->size()), Frames(10, 16390));
    const WaveFormat f = WaveFormat::FromBytes(image->data() + 20);
    EXPECT_EQ(f.nChannels, 2);
    EXPECT_EQ(f.nSamplesPerSec, 44100u);
    EXPECT_EQ(f.wBitsPerSample, 16);
    EXPECT_FALSE(fs::exists(m_wave.WorkFilePath("Wave.clp")));
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);  // copy leaves the document alone
    EXPECT_EQ(m_events.m_nMessages, 0);
}

TEST_F(Edit, CopyOfOddByteCountGetsPad)
{
    const auto mono = Pattern(1001, 3);
    FillDocument(m_wave, mono, 1, 8000, 8);
    Select(0, 1001);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    const auto image = m_clipboard.GetWaveImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(image->size(), 46u + 1001u + 1u);
    EXPECT_EQ(Slice(*image, 46, 46 + 1001), mono);
}

TEST_F(Edit, CopyWithoutSelectionFails)
{
    EXPECT_FALSE(m_wave.CopyToClipboard());
    EXPECT_FALSE(m_clipboard.GetWaveImage());
    m_wave.SetClipboard(nullptr);
    Select(1, 2);
    EXPECT_FALSE(m_wave.CopyToClipboard());
}

TEST_F(Edit, CopyThenPasteInsertsAtCursorAndUndoRemoves)
{
    Select(1000, 40000);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    m_wave.m_nCursor = 70000;
    Select(5, 6);  // paste never replaces the selection
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    ASSERT_TRUE(m_wave.SaveUndo(UndoRemove));

    EXPECT_EQ(m_wave.m_nLength, 139000);
    EXPECT_EQ(m_wave.m_nSelBegin, 70000);
    EXPECT_EQ(m_wave.m_nSelEnd, 109000);
    EXPECT_EQ(DocumentBytes(m_wave),
              Concat({Frames(0, 70000), Frames(1000, 40000), Frames(70000, 100000)}));

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
}

TEST_F(Edit, PasteAtStartAndAtEnd)
{
    const auto piece = Pattern(400, 8);
    m_clipboard.PutWaveImage(Image(piece, WaveFormat::Pcm(2, 44100, 16)));
    m_wave.m_nCursor = 0;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    m_wave.m_nCursor = m_wave.m_nLength;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({piece, m_bytes, piece}));
    EXPECT_EQ(m_wave.m_nSelBegin, 100100);
    EXPECT_EQ(m_wave.m_nSelEnd, 100200);
}

TEST_F(Edit, PasteBeyondTheEndAppends)
{
    const auto piece = Pattern(40, 8);
    m_clipboard.PutWaveImage(Image(piece, WaveFormat::Pcm(2, 44100, 16)));
    m_wave.m_nCursor = 250000;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({m_bytes, piece}));
    EXPECT_EQ(m_wave.m_nSelBegin, 100000);
    EXPECT_EQ(m_wave.m_nSelEnd, 100010);
}

TEST_F(Edit, PasteWithoutWaveChangesNothing)
{
    EXPECT_FALSE(m_wave.PasteFromClipboard());
    m_clipboard.PutWaveImage({'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e', '!', '!', '!'});
    EXPECT_FALSE(m_wave.PasteFromClipboard());
    m_clipboard.PutWaveImage(Image({}, WaveFormat::Pcm(2, 44100, 16)));  // empty data chunk
    EXPECT_FALSE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nLength, 100000);
    EXPECT_FALSE(m_wave.HasSelection());
    EXPECT_FALSE(m_wave.SaveUndo(UndoRemove));  // the control records nothing
    EXPECT_TRUE(m_wave.GetUndo().IsEmpty());
}

TEST_F(Edit, PasteOfPartialFrameInsertsBytesUnchanged)
{
    // 6 bytes of another format into a 16-bit stereo document: inserted as
    // they are, and the selection ends on whole frames.
    const std::vector<uint8_t> piece = {1, 2, 3, 4, 5, 6};
    m_clipboard.PutWaveImage(Image(piece, WaveFormat::Pcm(1, 8000, 8)));
    m_wave.m_nCursor = 2;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({Frames(0, 2), piece, Frames(2, 100000)}));
    EXPECT_EQ(m_wave.m_nSelBegin, 2);
    EXPECT_EQ(m_wave.m_nSelEnd, 3);
}

TEST_F(Edit, CutThenUndoPutsFramesBackSelected)
{
    // The control's Cut: copy, then SaveUndo(UndoReinsert) and delete.
    Select(12345, 67890);
    ASSERT_TRUE(m_wave.CopyToClipboard());
    ASSERT_TRUE(m_wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(m_wave.DeleteSelection());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({Frames(0, 12345), Frames(67890, 100000)}));

    ASSERT_TRUE(m_wave.Undo());
    EXPECT_EQ(DocumentBytes(m_wave), m_bytes);
    EXPECT_EQ(m_wave.m_nSelBegin, 12345);
    EXPECT_EQ(m_wave.m_nSelEnd, 67890);

    // The cut frames are still on the clipboard.
    const auto image = m_clipboard.GetWaveImage();
    ASSERT_TRUE(image);
    EXPECT_EQ(Slice(*image, 46, image->size()), Frames(12345, 67890));
}

TEST_F(Edit, FailedClipboardPutIsReportedAndShown)
{
    m_clipboard.FailPutsWith(1418);
    Select(0, 100);
    EXPECT_FALSE(m_wave.CopyToClipboard());
    EXPECT_EQ(m_events.m_nMessages, 1);
    EXPECT_EQ(m_events.m_text, "Error Code: 1418");
    EXPECT_EQ(m_events.m_caption, "CRMWave::CopyToClipboard");
    EXPECT_FALSE(fs::exists(m_wave.WorkFilePath("Wave.clp")));
}

TEST_F(Edit, PasteImageClaimingMoreThanItHoldsTakesWhatIsThere)
{
    const auto piece = Pattern(64, 30);
    auto image = Image(piece, WaveFormat::Pcm(2, 44100, 16));
    WriteLE32(&image[42], 0x7FFFFFF0u);  // data size far past the image
    WriteLE32(&image[4], 0x7FFFFFF0u + 38);
    m_clipboard.PutWaveImage(image);
    m_wave.m_nCursor = 10;
    ASSERT_TRUE(m_wave.PasteFromClipboard());
    EXPECT_EQ(DocumentBytes(m_wave), Concat({Frames(0, 10), piece, Frames(10, 100000)}));
    EXPECT_EQ(m_wave.m_nSelEnd, 26);
}
