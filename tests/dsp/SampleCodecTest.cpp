#include "dsp/SampleCodec.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

constexpr SampleFormat kMono8{1, 1};
constexpr SampleFormat kStereo16{2, 2};

uint8_t RoundTrip8(uint8_t byte)
{
    uint8_t b[1] = {byte};
    WriteSample(b, kMono8, 0, 0, ReadSample(b, kMono8, 0, 0));
    return b[0];
}

int16_t Write16(float value)
{
    uint8_t b[4] = {0xAA, 0xAA, 0xAA, 0xAA};
    WriteSample(b, kStereo16, 1, 0, value);
    EXPECT_EQ(b[0], 0xAA);  // channel 0 untouched
    EXPECT_EQ(b[1], 0xAA);
    return static_cast<int16_t>(b[2] | (b[3] << 8));
}

}  // namespace

TEST(SampleCodec, EightBitReadsWith127AsZero)
{
    const uint8_t b[] = {0, 127, 128, 200, 255};
    EXPECT_EQ(ReadSample(b, kMono8, 0, 0), -127.0f);
    EXPECT_EQ(ReadSample(b, kMono8, 0, 1), 0.0f);
    EXPECT_EQ(ReadSample(b, kMono8, 0, 2), 1.0f);
    EXPECT_EQ(ReadSample(b, kMono8, 0, 3), 73.0f);
    EXPECT_EQ(ReadSample(b, kMono8, 0, 4), 128.0f);
}

TEST(SampleCodec, EightBitWriteClipsThenTruncates)
{
    EXPECT_EQ(RoundTrip8(200), 200);
    EXPECT_EQ(RoundTrip8(255), 254);  // 128 clips to 127
    EXPECT_EQ(RoundTrip8(0), 0);
    uint8_t b[1] = {};
    const std::vector<std::pair<float, int>> cases = {
        {0.0f, 127}, {-0.5f, 126}, {0.9f, 127}, {1.5f, 128}, {500.0f, 254}, {-500.0f, 0},
        {std::numeric_limits<float>::quiet_NaN(), 127}};
    for (const auto& [value, expected] : cases) {
        WriteSample(b, kMono8, 0, 0, value);
        EXPECT_EQ(b[0], expected) << value;
    }
}

TEST(SampleCodec, SixteenBitIsSignedLittleEndianInterleaved)
{
    const uint8_t b[] = {0x34, 0x12, 0x00, 0x80, 0xFF, 0x7F, 0xFE, 0xFF};
    EXPECT_EQ(ReadSample(b, kStereo16, 0, 0), 4660.0f);
    EXPECT_EQ(ReadSample(b, kStereo16, 1, 0), -32768.0f);
    EXPECT_EQ(ReadSample(b, kStereo16, 0, 1), 32767.0f);
    EXPECT_EQ(ReadSample(b, kStereo16, 1, 1), -2.0f);
}

TEST(SampleCodec, SixteenBitWriteClipsThenTruncatesTowardZero)
{
    EXPECT_EQ(Write16(20000.0f * 2.0f), 32767);
    EXPECT_EQ(Write16(-3.0f * 0.5f), -1);
    EXPECT_EQ(Write16(1.99f), 1);
    EXPECT_EQ(Write16(-32768.0f), -32767);
    EXPECT_EQ(Write16(-1e9f), -32767);
    EXPECT_EQ(Write16(std::numeric_limits<float>::infinity()), 32767);
    EXPECT_EQ(Write16(std::numeric_limits<float>::quiet_NaN()), 0);
    EXPECT_EQ(Write16(-4660.0f), -4660);
}
