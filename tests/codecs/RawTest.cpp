// Raw PCM: frames in the document's own format, no header.

#include "CodecFixture.h"

using namespace codectest;

TEST_F(CodecTest, RawTenBytesIntoStereoSixteenBitGiveTwoFrames)
{
    const std::string path = m_dir.File("ten.raw");
    WriteFile(path, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10});
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    ASSERT_EQ(Load(path, FormatRaw), 1);
    EXPECT_EQ(m_wave.m_nLength, 2);
    EXPECT_EQ(m_wave.m_nChannels, 2);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 16);
    EXPECT_EQ(m_sound.m_nBitRate, 0);
    EXPECT_EQ(m_sound.m_wWavFormat, 1);
    EXPECT_EQ(m_sound.m_nFormat, FormatRaw);
}

TEST_F(CodecTest, RawTakesTheDocumentsFormatBeforeTheLoad)
{
    std::vector<uint8_t> bytes(70001);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 7);
    const std::string path = m_dir.File("mono8.raw");
    WriteFile(path, bytes);
    ASSERT_TRUE(m_wave.CreateNew(1, 11025, 8));
    ASSERT_EQ(Load(path, FormatRaw), 1);
    EXPECT_EQ(m_wave.m_nChannels, 1);
    EXPECT_EQ(m_wave.m_nSamplesPerSec, 11025);
    EXPECT_EQ(m_wave.m_nBitsPerSample, 8);
    EXPECT_EQ(m_wave.m_nLength, 70001);
    EXPECT_EQ(DocumentBytes(m_wave), bytes);
}

TEST_F(CodecTest, RawRoundTripIsExact)
{
    const auto signal = MakeSignal(50000, 2, 44100);
    FillDocument(m_wave, signal, 2, 44100);
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("take"), FormatRaw), 1);
    EXPECT_EQ(m_sound.m_strFileName, m_dir.File("take.raw"));
    EXPECT_EQ(ReadFile(m_dir.File("take.raw")), ToBytes(signal));
    ASSERT_EQ(Load(m_dir.File("take.raw"), FormatRaw), 1);
    EXPECT_EQ(m_wave.m_nLength, 50000);
    EXPECT_EQ(DocumentSamples(), signal);
    // sox reads it as the same samples.
    EXPECT_EQ(Shell("sox -t raw -r 44100 -e signed -b 16 -c 2 " + Q(m_dir.File("take.raw")) + " " +
                  Q(m_dir.File("take.wav"))), 0);
    EXPECT_EQ(ReadFile(m_dir.File("take.wav")).size(), 44u + 200000);
}

TEST_F(CodecTest, EmptyDocumentGivesAnEmptyRawFile)
{
    ASSERT_TRUE(m_wave.CreateNew(2, 44100, 16));
    ASSERT_EQ(m_sound.SaveFileAs(m_dir.File("empty.raw"), FormatRaw), 1);
    ASSERT_TRUE(std::filesystem::exists(m_dir.File("empty.raw")));
    EXPECT_EQ(std::filesystem::file_size(m_dir.File("empty.raw")), 0u);
}
