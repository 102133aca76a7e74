// Document lifecycle: creation, reset, working-file access, levels and the view.
#include "WaveTestUtil.h"

#include <filesystem>

namespace fs = std::filesystem;

TEST(Document, NewDocumentHasDefaults)
{
    CRMWave wave;
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(wave.m_nViewBegin, 0);
    EXPECT_EQ(wave.m_nViewEnd, 0);
    EXPECT_FALSE(wave.HasSelection());
    EXPECT_EQ(wave.m_nBitsPerSample, 16);
    EXPECT_EQ(wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(wave.m_nChannels, 2);
    EXPECT_FALSE(wave.IsOpen());
    EXPECT_FALSE(fs::exists(wave.GetPath()));
    EXPECT_EQ(wave.GetPath().filename(), "Wave.tmp");
}

TEST(Document, CreateNewStoresFormatAndClearsState)
{
    CRMWave wave;
    FillDocument(wave, Pattern(4000));
    wave.m_nSelBegin = 10;
    wave.m_nSelEnd = 20;
    wave.m_nCursor = 30;
    wave.m_nViewBegin = 100;
    wave.m_nViewEnd = 900;
    ASSERT_TRUE(wave.SaveUndo(UndoRestore));

    ASSERT_TRUE(wave.CreateNew(1, 22050, 8));
    EXPECT_EQ(wave.m_nChannels, 1);
    EXPECT_EQ(wave.m_nSamplesPerSec, 22050);
    EXPECT_EQ(wave.m_nBitsPerSample, 8);
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(wave.m_nSelBegin, 0);
    EXPECT_EQ(wave.m_nSelEnd, 0);
    EXPECT_EQ(wave.m_nCursor, 0);
    EXPECT_EQ(wave.m_nViewBegin, 0);
    EXPECT_EQ(wave.m_nViewEnd, 0);
    EXPECT_TRUE(wave.GetUndo().IsEmpty());
    EXPECT_FALSE(fs::exists(wave.GetUndo().m_strPath));
    EXPECT_EQ(fs::file_size(wave.GetPath()), 0u);
}

TEST(Document, WriteReadAndSeek)
{
    CRMWave wave;
    const auto bytes = Pattern(1000);
    FillDocument(wave, bytes);
    EXPECT_EQ(wave.m_nLength, 250);

    uint8_t buf[8];
    wave.SeekToStart();
    ASSERT_EQ(wave.ReadData(buf, 8), 8u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 8), Slice(bytes, 0, 8));

    wave.SeekToFrame(10);
    ASSERT_EQ(wave.ReadData(buf, 4), 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), Slice(bytes, 40, 44));

    wave.m_nCursor = 249;
    wave.SeekToCursor();
    EXPECT_EQ(wave.ReadData(buf, 8), 4u);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 4), Slice(bytes, 996, 1000));
    EXPECT_EQ(wave.ReadData(buf, 8), 0u);

    // Writing in the middle overwrites, the length stays.
    wave.SeekToFrame(1);
    const uint8_t zeros[4] = {};
    ASSERT_TRUE(wave.WriteData(zeros, 4));
    EXPECT_EQ(wave.UpdateLength(), 250);
    auto expected = bytes;
    std::fill(expected.begin() + 4, expected.begin() + 8, 0);
    EXPECT_EQ(DocumentBytes(wave), expected);
}

TEST(Document, UpdateLengthDropsPartialFrame)
{
    CRMWave wave;
    FillDocument(wave, Pattern(1003));
    EXPECT_EQ(wave.m_nLength, 250);
    wave.m_nChannels = 0;
    EXPECT_EQ(wave.UpdateLength(), 0);
    wave.m_nChannels = 2;
    wave.m_nBitsPerSample = 4;
    EXPECT_EQ(wave.UpdateLength(), 0);
}

TEST(Document, ClosedFileYieldsNothing)
{
    CRMWave wave;
    uint8_t buf[4] = {1, 2, 3, 4};
    EXPECT_FALSE(wave.WriteData(buf, 4));
    EXPECT_EQ(wave.ReadData(buf, 4), 0u);
    wave.SeekToStart();
    wave.SeekToFrame(5);
    EXPECT_EQ(wave.GetLevel(0, 0), 0);
    EXPECT_EQ(wave.UpdateLength(), 0);
    EXPECT_FALSE(wave.OpenGap(0, 10));
    EXPECT_FALSE(wave.CloseGap(0, 0));
    EXPECT_FALSE(fs::exists(wave.GetPath()));
}

TEST(Document, GetLevel16Bit)
{
    CRMWave wave;
    // Frame 0: L = -32767, R = 0; frame 1: L = 32767, R = -32768.
    const std::vector<uint8_t> bytes = {0x01, 0x80, 0x00, 0x00, 0xFF, 0x7F, 0x00, 0x80};
    FillDocument(wave, bytes);
    EXPECT_EQ(wave.GetLevel(0, 0), 0);
    EXPECT_EQ(wave.GetLevel(1, 0), 32767);
    EXPECT_EQ(wave.GetLevel(0, 1), 65534);
    EXPECT_EQ(wave.GetLevel(1, 1), 65535);
    EXPECT_EQ(wave.GetLevel(0, 2), 0);  // past the end
    EXPECT_EQ(wave.GetLevel(2, 0), 0);  // no such channel
    EXPECT_EQ(wave.GetLevel(-1, 1), 0);
}

TEST(Document, GetLevel8Bit)
{
    CRMWave wave;
    const std::vector<uint8_t> bytes = {0, 127, 255};
    FillDocument(wave, bytes, 1, 8000, 8);
    EXPECT_EQ(wave.m_nLength, 3);
    EXPECT_EQ(wave.GetLevel(0, 0), 255);
    EXPECT_EQ(wave.GetLevel(0, 1), 128);
    EXPECT_EQ(wave.GetLevel(0, 2), 0);
    EXPECT_EQ(wave.GetLevel(0, 3), 0);
}

// Every later change of the file (in place, growing, shrinking, re-creation)
// shows in the levels, and no read reaches past the end.
TEST(Document, GetLevelFollowsEveryChangeOfTheFile)
{
    CRMWave wave;
    const auto bytes = Pattern(5 * 4096 + 6, 3);  // 8-bit mono: one frame per byte
    FillDocument(wave, bytes, 1, 8000, 8);
    const auto level = [](uint8_t b) { return static_cast<uint16_t>(255 - b); };
    const int32_t last = static_cast<int32_t>(bytes.size()) - 1;
    EXPECT_EQ(wave.GetLevel(0, last), level(bytes.back()));

    const uint8_t changed = static_cast<uint8_t>(bytes[100] ^ 0xFF);
    ASSERT_TRUE(wave.WriteAt(100, &changed, 1));
    EXPECT_EQ(wave.GetLevel(0, 100), level(changed));

    const uint8_t appended = 42;
    ASSERT_TRUE(wave.AppendData(&appended, 1));
    wave.UpdateLength();
    EXPECT_EQ(wave.GetLevel(0, last + 1), level(appended));

    // Removing all but the first 10 frames drops the mapped pages behind them.
    wave.m_nSelBegin = 10;
    wave.m_nSelEnd = wave.m_nLength;
    ASSERT_TRUE(wave.DeleteSelection());
    EXPECT_EQ(wave.m_nLength, 10);
    EXPECT_EQ(wave.GetLevel(0, 9), level(bytes[9]));
    EXPECT_EQ(wave.GetLevel(0, 10), 0);
    EXPECT_EQ(wave.GetLevel(0, last), 0);

    ASSERT_TRUE(wave.CreateNew(1, 8000, 8));
    EXPECT_EQ(wave.GetLevel(0, 0), 0);
}

TEST(Document, ClampViewKeepsWidth)
{
    CRMWave wave;
    FillDocument(wave, Pattern(600 * 4));
    wave.m_nViewBegin = 0;
    wave.m_nViewEnd = 1000;
    wave.ClampView();
    EXPECT_EQ(wave.m_nViewBegin, 0);
    EXPECT_EQ(wave.m_nViewEnd, 600);

    FillDocument(wave, Pattern(1200 * 4));
    wave.m_nViewBegin = 500;
    wave.m_nViewEnd = 1500;
    wave.ClampView();
    EXPECT_EQ(wave.m_nViewBegin, 200);
    EXPECT_EQ(wave.m_nViewEnd, 1200);
    EXPECT_EQ(wave.GetViewLength(), 1000);

    // A view inside the document is left alone.
    wave.m_nViewBegin = 100;
    wave.m_nViewEnd = 300;
    wave.ClampView();
    EXPECT_EQ(wave.m_nViewBegin, 100);
    EXPECT_EQ(wave.m_nViewEnd, 300);
}

TEST(Document, ResetDeletesWorkingFileAndRestoresDefaults)
{
    CRMWave wave;
    FillDocument(wave, Pattern(800), 1, 8000, 8);
    wave.m_nSelBegin = 1;
    wave.m_nSelEnd = 5;
    ASSERT_TRUE(wave.SaveUndo(UndoReinsert));
    ASSERT_TRUE(fs::exists(wave.GetUndo().m_strPath));
    wave.m_nCursor = 7;

    EXPECT_EQ(wave.Reset(), 1);
    EXPECT_FALSE(wave.IsOpen());
    EXPECT_FALSE(fs::exists(wave.GetPath()));
    EXPECT_FALSE(fs::exists(wave.GetUndo().m_strPath));
    EXPECT_TRUE(wave.GetUndo().IsEmpty());
    EXPECT_EQ(wave.m_nChannels, 2);
    EXPECT_EQ(wave.m_nSamplesPerSec, 44100);
    EXPECT_EQ(wave.m_nBitsPerSample, 16);
    EXPECT_EQ(wave.m_nLength, 0);
    EXPECT_EQ(wave.m_nCursor, 0);
    EXPECT_FALSE(wave.HasSelection());
}

TEST(Document, WorkingFilesLiveInPrivateDirectoryRemovedWithDocument)
{
    fs::path dir;
    {
        CRMWave wave;
        FillDocument(wave, Pattern(64));
        dir = wave.GetPath().parent_path();
        EXPECT_FALSE(dir.empty());
        EXPECT_NE(fs::absolute(dir), fs::current_path());
        EXPECT_EQ(wave.WorkFilePath("Wave.fx"), dir / "Wave.fx");
        EXPECT_EQ(wave.WorkFilePath("Wave.clp"), dir / "Wave.clp");
        EXPECT_EQ(wave.GetUndo().m_strPath, dir / "Wave.sel");
        EXPECT_TRUE(fs::is_directory(dir));
        EXPECT_EQ(fs::status(dir).permissions() & fs::perms::all, fs::perms::owner_all);
    }
    EXPECT_FALSE(fs::exists(dir));
}
