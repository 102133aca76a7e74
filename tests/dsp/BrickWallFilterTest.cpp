// The brick-wall filters: masks, and what they do to sines.
#include "EffectFixture.h"

#include "dsp/FrequencyMask.h"

using namespace dsptest;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 8193;
constexpr int kFrames = 3 * kBlock;

// RMS of a channel away from the edges of the 8193-frame blocks, where each
// block's own filtering rings.
double InnerRms(const std::vector<double>& v)
{
    double sum = 0.0;
    std::size_t count = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const std::size_t inBlock = i % kBlock;
        if (inBlock >= 1500 && inBlock < kBlock - 1500) {
            sum += v[i] * v[i];
            ++count;
        }
    }
    return std::sqrt(sum / static_cast<double>(count));
}

// Runs `kind` over a mono sine of `hz` and returns the gain in dB.
double SineGainDb(int kind, float a, float b, double hz)
{
    EffectDoc doc(1, kRate, 16);
    const auto input = Sine(kFrames, hz, kRate, 10000.0);
    doc.Append16(Interleave({input}));
    doc.Select(0, kFrames);
    doc.fx.ApplyEffect(kind, a, b);
    return Db(InnerRms(doc.Channel(0, 0, kFrames)) / InnerRms(input));
}

}  // namespace

TEST(FrequencyMask, LowPassBinsAt44100)
{
    std::vector<float> mask(16384, -1.0f);
    ASSERT_TRUE(BuildBrickWallMask(BrickWall::LowPass, 1000.0f, 0.0f, 44100, mask.data()));
    for (int i = 0; i < 16384; ++i) {
        const bool pass = i <= 371 || i >= 16012;
        ASSERT_EQ(mask[i], pass ? 1.0f : 0.0f) << i;
    }
}

TEST(FrequencyMask, EveryKindMirrorsAndKeepsItsEdgeBins)
{
    std::vector<float> mask(16384);
    ASSERT_TRUE(BuildBrickWallMask(BrickWall::HighPass, 1000.0f, 0.0f, 44100, mask.data()));
    EXPECT_EQ(mask[370], 0.0f);
    EXPECT_EQ(mask[371], 1.0f);
    EXPECT_EQ(mask[8191], 1.0f);
    EXPECT_EQ(mask[8192], 1.0f);
    ASSERT_TRUE(BuildBrickWallMask(BrickWall::BandPass, 1000.0f, 2000.0f, 44100, mask.data()));
    EXPECT_EQ(mask[370], 0.0f);
    EXPECT_EQ(mask[371], 1.0f);
    EXPECT_EQ(mask[743], 1.0f);  // 2000 * 8192 / 22050 = 743.03
    EXPECT_EQ(mask[744], 0.0f);
    ASSERT_TRUE(BuildBrickWallMask(BrickWall::BandStop, 1000.0f, 2000.0f, 44100, mask.data()));
    EXPECT_EQ(mask[371], 1.0f);
    EXPECT_EQ(mask[372], 0.0f);
    EXPECT_EQ(mask[742], 0.0f);
    EXPECT_EQ(mask[743], 1.0f);
    for (int i = 0; i < 8192; ++i)
        ASSERT_EQ(mask[i], mask[16383 - i]) << i;
}

TEST(FrequencyMask, OutOfRangeFrequenciesAreRefused)
{
    std::vector<float> mask(16384, 7.0f);
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::LowPass, 0.0f, 0.0f, 44100, mask.data()));
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::LowPass, 22050.0f, 0.0f, 44100, mask.data()));
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::HighPass, -5.0f, 0.0f, 44100, mask.data()));
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::BandPass, 500.0f, 500.0f, 44100, mask.data()));
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::BandStop, 500.0f, 22050.0f, 44100, mask.data()));
    EXPECT_FALSE(BuildBrickWallMask(BrickWall::BandStop, 600.0f, 500.0f, 44100, mask.data()));
    EXPECT_EQ(mask, std::vector<float>(16384, 7.0f));
}

TEST(BrickWallFilters, LowPass)
{
    EXPECT_NEAR(SineGainDb(FxKindLowPass, 1000.0f, 0.0f, 200.0), 0.0, 1.0);
    EXPECT_LT(SineGainDb(FxKindLowPass, 1000.0f, 0.0f, 5000.0), -40.0);
}

TEST(BrickWallFilters, HighPass)
{
    EXPECT_NEAR(SineGainDb(FxKindHighPass, 1000.0f, 0.0f, 5000.0), 0.0, 1.0);
    EXPECT_LT(SineGainDb(FxKindHighPass, 1000.0f, 0.0f, 200.0), -40.0);
}

TEST(BrickWallFilters, BandPass)
{
    EXPECT_NEAR(SineGainDb(FxKindBandPass, 500.0f, 2000.0f, 1000.0), 0.0, 1.0);
    EXPECT_LT(SineGainDb(FxKindBandPass, 500.0f, 2000.0f, 200.0), -40.0);
    EXPECT_LT(SineGainDb(FxKindBandPass, 500.0f, 2000.0f, 5000.0), -40.0);
}

TEST(BrickWallFilters, BandStop)
{
    EXPECT_LT(SineGainDb(FxKindBandStop, 500.0f, 2000.0f, 1000.0), -40.0);
    EXPECT_NEAR(SineGainDb(FxKindBandStop, 500.0f, 2000.0f, 200.0), 0.0, 1.0);
    EXPECT_NEAR(SineGainDb(FxKindBandStop, 500.0f, 2000.0f, 5000.0), 0.0, 1.0);
}

TEST(BrickWallFilters, ChannelsAreFilteredOnTheirOwn)
{
    EffectDoc doc(2, kRate, 16);
    const auto low = Sine(kFrames, 200, kRate, 10000.0);
    const auto high = Sine(kFrames, 5000, kRate, 10000.0);
    doc.Append16(Interleave({high, low}));
    doc.Select(0, kFrames);
    RecordingEvents events;
    doc.fx.ApplyEffect(FxKindLowPass, 1000.0f);
    EXPECT_LT(Db(InnerRms(doc.Channel(0, 0, kFrames)) / InnerRms(high)), -40.0);
    EXPECT_NEAR(Db(InnerRms(doc.Channel(1, 0, kFrames)) / InnerRms(low)), 0.0, 1.0);
    // 0, then three blocks per channel (the second channel from 50), then 100 and 0.
    EXPECT_EQ(events.progress, (std::vector<float>{0, 16, 33, 50, 66, 83, 100, 100, 0}));
}

TEST(BrickWallFilters, FramesAfterTheSelectionStayAsTheyWere)
{
    // 10000 selected frames: one block of 8193 and one of 1807.
    EffectDoc doc(1, kRate, 16);
    const auto input = Interleave({Sine(30000, 5000, kRate, 10000.0)});
    doc.Append16(input);
    doc.Select(100, 10100);
    doc.fx.ApplyEffect(FxKindLowPass, 1000.0f);
    const auto s = doc.Samples16();
    for (int f = 0; f < 30000; ++f) {
        if (f < 100 || f >= 10100) {
            ASSERT_EQ(s[f], input[f]) << f;
        }
    }
    const auto filtered = doc.Channel(0, 100 + 1500, 100 + kBlock - 1500);
    EXPECT_LT(Db(Rms(filtered) / 7071.0), -40.0);
    const auto tail = doc.Channel(0, 100 + kBlock + 500, 100 + kBlock + 1300);
    EXPECT_LT(Db(Rms(tail) / 7071.0), -30.0);
}

TEST(BrickWallFilters, OutOfRangeChangesNothingAndFiresNoProgress)
{
    EffectDoc doc(2, kRate, 16);
    doc.Append16(Interleave({Sine(1000, 440, kRate, 5000), Sine(1000, 880, kRate, 5000)}));
    const auto before = doc.Bytes();
    doc.Select(0, 1000);
    RecordingEvents events;
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindLowPass, 0.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindLowPass, 22050.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindHighPass, 30000.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBandPass, 1000.0f, 1000.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBandStop, 0.0f, 1000.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBandStop, 100.0f, 22050.0f), 1);
    EXPECT_EQ(doc.Bytes(), before);
    EXPECT_TRUE(events.progress.empty());
    EXPECT_EQ(events.pumps, 0);
}
