// Opening and closing gaps in the working file, across block boundaries.
#include "WaveTestUtil.h"

namespace {

struct GapCase {
    int64_t size;
    int64_t at;
    int64_t gap;
};

class GapMoves : public ::testing::TestWithParam<GapCase> {};

}  // namespace

TEST_P(GapMoves, OpenGapMovesTailUpAndKeepsHead)
{
    const GapCase c = GetParam();
    CRMWave wave;
    const auto bytes = Pattern(static_cast<std::size_t>(c.size), 7);
    FillDocument(wave, bytes);

    ASSERT_TRUE(wave.OpenGap(c.at, c.gap));
    const auto after = DocumentBytes(wave);
    ASSERT_EQ(static_cast<int64_t>(after.size()), c.size + c.gap);
    const auto at = static_cast<std::size_t>(c.at);
    const auto gap = static_cast<std::size_t>(c.gap);
    EXPECT_EQ(Slice(after, 0, at), Slice(bytes, 0, at));
    EXPECT_EQ(Slice(after, at + gap, after.size()), Slice(bytes, at, bytes.size()));
}

TEST_P(GapMoves, CloseGapMovesTailDownAndShrinks)
{
    const GapCase c = GetParam();
    CRMWave wave;
    const auto bytes = Pattern(static_cast<std::size_t>(c.size), 9);
    FillDocument(wave, bytes);
    if (c.at + c.gap > c.size) {
        // Not a range of the file: refused, nothing touched.
        EXPECT_FALSE(wave.CloseGap(c.at, c.gap));
        EXPECT_EQ(DocumentBytes(wave), bytes);
        return;
    }

    ASSERT_TRUE(wave.CloseGap(c.at, c.gap));
    const auto at = static_cast<std::size_t>(c.at);
    const auto gap = static_cast<std::size_t>(c.gap);
    EXPECT_EQ(DocumentBytes(wave), Concat({Slice(bytes, 0, at), Slice(bytes, at + gap, bytes.size())}));
}

INSTANTIATE_TEST_SUITE_P(Blocks, GapMoves,
                         ::testing::Values(GapCase{1000, 0, 100}, GapCase{1000, 1000, 24},
                                           GapCase{1000, 400, 0}, GapCase{65536, 4, 65536},
                                           GapCase{200003, 12, 70001}, GapCase{300000, 131072, 4},
                                           GapCase{262144, 0, 262144}));

TEST(Gap, RefusesRangesOutsideTheFile)
{
    CRMWave wave;
    const auto bytes = Pattern(400);
    FillDocument(wave, bytes);
    EXPECT_FALSE(wave.OpenGap(401, 4));
    EXPECT_FALSE(wave.OpenGap(-1, 4));
    EXPECT_FALSE(wave.OpenGap(0, -4));
    EXPECT_FALSE(wave.CloseGap(390, 20));
    EXPECT_FALSE(wave.CloseGap(-4, 4));
    EXPECT_EQ(DocumentBytes(wave), bytes);
}
