// Conversions between frames, bytes and seconds, and the selection helpers.
#include "WaveTestUtil.h"

TEST(Conversion, FramesAndBytes)
{
    CRMWave wave;  // 16-bit stereo
    EXPECT_EQ(wave.FramesToBytes(10), 40);
    EXPECT_EQ(wave.BytesToFrames(5), 1);
    EXPECT_EQ(wave.BytesToFrames(40), 10);
    EXPECT_EQ(wave.BytesToFrames(-5), -1);  // -5 / 2 = -2, then -2 / 2 = -1
    EXPECT_EQ(wave.BytesToFrames(-3), 0);   // truncates toward zero at each step
    EXPECT_EQ(wave.BlockAlign(), 4);
    // Byte offsets are 64-bit: a frame index near the top of int32 still fits.
    EXPECT_EQ(wave.FramesToBytes(0x7FFFFFFF), int64_t{0x7FFFFFFF} * 4);

    wave.m_nChannels = 1;
    wave.m_nBitsPerSample = 8;
    EXPECT_EQ(wave.FramesToBytes(7), 7);
    EXPECT_EQ(wave.BytesToFrames(7), 7);
    wave.m_nBitsPerSample = 0;
    EXPECT_EQ(wave.BytesToFrames(7), 0);
}

TEST(Conversion, Seconds)
{
    CRMWave wave;
    EXPECT_EQ(wave.SecondsToFrames(0.5f), 22050);
    EXPECT_EQ(wave.SecondsToFrames(1.0f / 44100.0f * 2.5f), 2);  // truncated
    EXPECT_EQ(wave.SecondsToFrames(-0.5f), -22050);
    EXPECT_EQ(wave.SecondsToBytes(0.5f), 88200);
    EXPECT_DOUBLE_EQ(wave.FramesToSeconds(22050), 0.5);
    EXPECT_DOUBLE_EQ(wave.FramesToSeconds(44100 * 3), 3.0);
    wave.m_nSamplesPerSec = 8000;
    EXPECT_EQ(wave.SecondsToFrames(2.25f), 18000);
    EXPECT_DOUBLE_EQ(wave.FramesToSeconds(1000), 0.125);
}

TEST(Conversion, FormatRecordFromDocument)
{
    CRMWave wave;
    wave.m_nChannels = 1;
    wave.m_nSamplesPerSec = 22050;
    wave.m_nBitsPerSample = 8;
    const WaveFormat f = wave.GetFormat();
    EXPECT_EQ(f.wFormatTag, 1);
    EXPECT_EQ(f.nChannels, 1);
    EXPECT_EQ(f.nSamplesPerSec, 22050u);
    EXPECT_EQ(f.nBlockAlign, 1);
    EXPECT_EQ(f.nAvgBytesPerSec, 22050u);
    EXPECT_EQ(f.wBitsPerSample, 8);
    EXPECT_EQ(f.cbSize, 0);
}

TEST(Selection, HelpersAndSelectAll)
{
    CRMWave wave;
    EXPECT_EQ(wave.SelectAll(), 0);
    EXPECT_FALSE(wave.HasSelection());  // an empty document has nothing to select

    FillDocument(wave, Pattern(400));
    wave.m_nCursor = 42;
    EXPECT_EQ(wave.SelectAll(), 0);
    EXPECT_EQ(wave.m_nSelBegin, 0);
    EXPECT_EQ(wave.m_nSelEnd, 100);
    EXPECT_EQ(wave.m_nCursor, 0);
    EXPECT_TRUE(wave.HasSelection());

    wave.m_nCursor = 12;
    wave.Deselect();
    EXPECT_EQ(wave.m_nSelBegin, 0);
    EXPECT_EQ(wave.m_nSelEnd, 0);
    EXPECT_EQ(wave.m_nCursor, 12);
}
