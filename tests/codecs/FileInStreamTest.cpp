#include "CodecTestSupport.h"
#include "codecs/CFileInStream.h"

#include <gtest/gtest.h>

#include <numeric>

using namespace codectest;

TEST(FileInStream, ResultCodes)
{
    EXPECT_EQ(InStreamNotOpen, 0x80010001u);
    EXPECT_EQ(InStreamOpenFailed, 0x80010002u);
    EXPECT_EQ(InStreamCloseFailed, 0x80010003u);
    EXPECT_EQ(InStreamReadFailed, 0x80010004u);
}

TEST(FileInStream, ClosedStream)
{
    CFileInStream stream;
    uint8_t byte = 0;
    uint32_t got = 99;
    EXPECT_EQ(stream.Read(&byte, 1, &got), InStreamNotOpen);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(stream.GetSize(), 0);
    stream.Seek(10, 0);  // does nothing
    EXPECT_EQ(stream.Close(), InStreamOk);
}

TEST(FileInStream, OpenFailsOnMissingFilesAndDirectories)
{
    ScratchDir dir;
    CFileInStream stream;
    EXPECT_EQ(stream.Open(dir.File("missing")), InStreamOpenFailed);
    EXPECT_EQ(stream.Open(dir.Path().string()), InStreamOpenFailed);
    EXPECT_FALSE(stream.IsOpen());
    ASSERT_EQ(Shell("mkfifo " + Q(dir.File("fifo"))), 0);
    EXPECT_EQ(stream.Open(dir.File("fifo")), InStreamOpenFailed);  // and does not block
}

TEST(FileInStream, ReadsSeeksAndFlagsTheEnd)
{
    ScratchDir dir;
    std::vector<uint8_t> bytes(300);
    std::iota(bytes.begin(), bytes.end(), 0);
    WriteFile(dir.File("f"), bytes);

    CFileInStream stream;
    ASSERT_EQ(stream.Open(dir.File("f")), InStreamOk);
    EXPECT_EQ(stream.GetSize(), 300);
    std::vector<uint8_t> buffer(200);
    uint32_t got = 0;
    EXPECT_EQ(stream.Read(buffer.data(), 200, &got), InStreamOk);
    EXPECT_EQ(got, 200u);
    EXPECT_EQ(buffer[199], 199);
    EXPECT_FALSE(stream.IsEOF());
    EXPECT_EQ(stream.Read(buffer.data(), 200, &got), InStreamOk);
    EXPECT_EQ(got, 100u);
    EXPECT_FALSE(stream.IsEOF());  // only a read of nothing sets the flag
    EXPECT_EQ(stream.Read(buffer.data(), 200), InStreamOk);
    EXPECT_TRUE(stream.IsEOF());

    stream.Seek(-10, 2);
    EXPECT_EQ(stream.Read(buffer.data(), 200, &got), InStreamOk);
    EXPECT_EQ(got, 10u);
    EXPECT_EQ(buffer[0], static_cast<uint8_t>(290));
    stream.Seek(5, 0);
    stream.Seek(5, 1);
    stream.Seek(1000, 7);  // unknown origin: nothing happens
    EXPECT_EQ(stream.Tell(), 10);
    EXPECT_EQ(stream.Read(buffer.data(), 1, &got), InStreamOk);
    EXPECT_EQ(buffer[0], 10);

    // Open clears the end flag.
    ASSERT_EQ(stream.Open(dir.File("f")), InStreamOk);
    EXPECT_FALSE(stream.IsEOF());
    EXPECT_EQ(stream.Close(), InStreamOk);
    EXPECT_EQ(stream.Close(), InStreamOk);
    EXPECT_EQ(stream.Read(buffer.data(), 1), InStreamNotOpen);
}
