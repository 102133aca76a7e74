// The low-shelf bass boost.
#include "EffectFixture.h"

#include "dsp/BassBoost.h"

#include <limits>

using namespace dsptest;

namespace {

constexpr int kRate = 44100;

double BoostGainDb(double hz, float frequency, float boost)
{
    // Mono 16-bit: 32768 frames per 64 KB block; measure after each block's start-up.
    const int frames = 4 * 32768;
    EffectDoc doc(1, kRate, 16);
    const auto input = Sine(frames, hz, kRate, 5000.0);
    doc.Append16(Interleave({input}));
    doc.Select(0, frames);
    doc.fx.ApplyEffect(FxKindBassBoost, frequency, boost);
    const auto out = doc.Channel(0, 0, frames);
    double gain = 0.0;
    for (int b = 0; b < 4; ++b)
        gain += Db(Rms(out, b * 32768 + 8192, (b + 1) * 32768) / Rms(input, b * 32768 + 8192, (b + 1) * 32768));
    return gain / 4.0;
}

}  // namespace

TEST(BassBoost, UnitBoostCoefficientsCancel)
{
    const LowShelf s = LowShelfCoefficients(200.0f, kRate, 1.0f);
    EXPECT_EQ(s.b0, s.a0);
    EXPECT_EQ(s.b1, s.a1);
    EXPECT_EQ(s.b2, s.a2);
    const LowShelf zero = LowShelfCoefficients(200.0f, kRate, 0.0f);
    EXPECT_EQ(zero.b0, 0.0f);
    EXPECT_EQ(zero.b1, 0.0f);
    EXPECT_EQ(zero.b2, 0.0f);
}

TEST(BassBoost, UnitBoostLeavesSamplesApartFromTruncation)
{
    const int frames = 40000;
    EffectDoc doc(2, kRate, 16);
    const auto input = Interleave({Noise(frames, 20000, 8), Sine(frames, 60, kRate, 20000)});
    doc.Append16(input);
    doc.Select(0, frames);
    doc.fx.ApplyEffect(FxKindBassBoost, 200.0f, 1.0f);
    const auto s = doc.Samples16();
    for (std::size_t i = 0; i < s.size(); ++i)
        ASSERT_LE(std::abs(s[i] - input[i]), 1) << i;
}

TEST(BassBoost, RaisesTheBassAndLeavesTheTreble)
{
    const double low = BoostGainDb(50.0, 200.0f, 2.0f);
    // The shelf's gain at DC is A squared: 12 dB for A = 2.
    EXPECT_GT(low, 9.0);
    EXPECT_LT(low, 12.1);
    EXPECT_NEAR(BoostGainDb(5000.0, 200.0f, 2.0f), 0.0, 0.5);
}

TEST(BassBoost, AboveOneKilohertzChangesNothing)
{
    EffectDoc doc(2, kRate, 16);
    doc.Append16(Interleave({Noise(5000, 20000, 1), Noise(5000, 20000, 2)}));
    const auto before = doc.Bytes();
    doc.Select(0, 5000);
    doc.fx.ApplyEffect(FxKindBassBoost, 1000.5f, 3.0f);
    EXPECT_EQ(doc.Bytes(), before);
}

TEST(BassBoost, NegativeOrInvalidFactorIsRefused)
{
    EffectDoc doc(2, kRate, 16);
    doc.Append16(Interleave({Noise(5000, 20000, 1), Noise(5000, 20000, 2)}));
    const auto before = doc.Bytes();
    doc.Select(0, 5000);
    RecordingEvents events;
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBassBoost, 200.0f, -2.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBassBoost, 200.0f, std::numeric_limits<float>::quiet_NaN()), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindBassBoost, 200.0f, std::numeric_limits<float>::infinity()), 1);
    EXPECT_EQ(doc.Bytes(), before);
    EXPECT_TRUE(events.progress.empty());
}

TEST(BassBoost, ZeroFactorSilencesEveryEightBitByte)
{
    EffectDoc doc(1, 8000, 8);
    std::vector<uint8_t> bytes(70000);
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<uint8_t>(i * 37);
    doc.AppendBytes(bytes);
    doc.Select(0, 70000);
    doc.fx.ApplyEffect(FxKindBassBoost, 100.0f, 0.0f);
    EXPECT_EQ(doc.Bytes(), std::vector<uint8_t>(70000, 127));
}

TEST(BassBoost, StateRestartsInEveryBlock)
{
    // A constant input: with A = 2 the shelf's DC gain is 4, reached after a
    // start-up transient that begins anew at every 64 KB block.
    const int frames = 2 * 32768;
    EffectDoc doc(1, kRate, 16);
    doc.Append16(std::vector<int16_t>(frames, 1000));
    doc.Select(0, frames);
    doc.fx.ApplyEffect(FxKindBassBoost, 500.0f, 2.0f);
    const auto s = doc.Samples16();
    EXPECT_EQ(s[0], s[32768]);
    EXPECT_EQ(s[1], s[32769]);
    EXPECT_NE(s[0], s[30000]);
    EXPECT_NEAR(s[30000], 4000, 2);
    EXPECT_NEAR(s[frames - 1], 4000, 2);
}
