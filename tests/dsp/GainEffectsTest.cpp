// Amplify, fades and invert through the shared block loop.
#include "EffectFixture.h"

using namespace dsptest;

TEST(GainEffects, AmplifyClipsAndTruncates)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16({20000, -3, 7, -32768, 1000, 1000});
    doc.Select(0, 2);
    doc.fx.ApplyEffect(FxKindAmplify, 2.0f);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{32767, -6, 14, -32767, 1000, 1000}));

    EffectDoc half(1, 44100, 16);
    half.Append16({-3, 3, 32767, -32767, 1});
    half.Select(0, 4);
    half.fx.ApplyEffect(FxKindAmplify, 0.5f);
    EXPECT_EQ(half.Samples16(), (std::vector<int16_t>{-1, 1, 16383, -16383, 1}));
}

TEST(GainEffects, AmplifyEightBit)
{
    EffectDoc doc(1, 8000, 8);
    doc.AppendBytes({200, 255, 0, 127, 100});
    doc.Select(0, 5);
    doc.fx.ApplyEffect(FxKindAmplify, 1.0f);
    EXPECT_EQ(doc.Bytes(), (std::vector<uint8_t>{200, 254, 0, 127, 100}));
    doc.fx.ApplyEffect(FxKindAmplify, -1.0f);
    EXPECT_EQ(doc.Bytes(), (std::vector<uint8_t>{54, 0, 254, 127, 154}));
    doc.fx.ApplyEffect(FxKindAmplify, 0.0f);
    EXPECT_EQ(doc.Bytes(), std::vector<uint8_t>(5, 127));
}

TEST(GainEffects, SilenceIsDigitalZero)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16({5, -5, 32767, -32768, 9, 9});
    doc.Select(0, 2);
    doc.fx.ApplyEffect(FxKindAmplify, 0.0f);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{0, 0, 0, 0, 9, 9}));
}

TEST(GainEffects, FadeGainsOverFourFrames)
{
    EffectDoc doc(2, 44100, 16);
    std::vector<int16_t> samples;
    for (int f = 0; f < 6; ++f)
        samples.insert(samples.end(), {1000, -2000});
    doc.Append16(samples);
    doc.Select(1, 5);
    doc.fx.ApplyEffect(FxKindFadeIn);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{1000, -2000, 0, 0, 250, -500, 500, -1000, 750,
                                                     -1500, 1000, -2000}));

    EffectDoc out(2, 44100, 16);
    out.Append16(samples);
    out.Select(1, 5);
    out.fx.ApplyEffect(FxKindFadeOut);
    EXPECT_EQ(out.Samples16(), (std::vector<int16_t>{1000, -2000, 1000, -2000, 750, -1500, 500,
                                                     -1000, 250, -500, 1000, -2000}));
}

TEST(GainEffects, FadeAcrossBlocksIsOneRamp)
{
    // 40000 stereo frames span three 64 KB blocks.
    const int frames = 40000;
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(frames * 2, 20000));
    doc.Select(0, frames);
    doc.fx.ApplyEffect(FxKindFadeIn);
    const auto s = doc.Samples16();
    for (int f = 0; f < frames; ++f) {
        const double expected = 20000.0 * f / frames;
        ASSERT_NEAR(s[2 * f], expected, 1.0) << f;
        ASSERT_EQ(s[2 * f], s[2 * f + 1]) << f;
    }
    EXPECT_EQ(s[0], 0);
    EXPECT_EQ(s[2 * (frames - 1)], 19999);
}

TEST(GainEffects, FadeOfOneFrame)
{
    EffectDoc doc(1, 44100, 16);
    doc.Append16({300, 300});
    doc.Select(0, 1);
    doc.fx.ApplyEffect(FxKindFadeIn);
    doc.Select(1, 2);
    doc.fx.ApplyEffect(FxKindFadeOut);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{0, 300}));
}

TEST(GainEffects, InvertNegatesAndClipsTheMinimum)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16({100, -32768, 32767, 0, 11, 12});
    doc.Select(0, 2);
    doc.fx.ApplyEffect(FxKindInvert);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{-100, 32767, -32767, 0, 11, 12}));
}

TEST(GainEffects, BlockLoopReportsProgressAndPumps)
{
    // 163840 bytes: blocks of 65536, 65536 and 32768.
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(81920, 100));
    doc.Select(0, 40960);
    RecordingEvents events;
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindAmplify, 3.0f), 1);
    EXPECT_EQ(events.progress, (std::vector<float>{0, 40, 80, 100, 0}));
    EXPECT_EQ(events.pumps, 5);
    const auto s = doc.Samples16();
    EXPECT_EQ(s[0], 300);
    EXPECT_EQ(s[81919], 300);
}

TEST(GainEffects, OnlyTheSelectionChanges)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16(std::vector<int16_t>(2 * 50000, 1234));
    doc.Select(1000, 45000);
    doc.fx.ApplyEffect(FxKindAmplify, 2.0f);
    const auto s = doc.Samples16();
    for (int f = 0; f < 50000; ++f) {
        const int16_t expected = (f >= 1000 && f < 45000) ? 2468 : 1234;
        ASSERT_EQ(s[2 * f], expected) << f;
        ASSERT_EQ(s[2 * f + 1], expected) << f;
    }
}

TEST(GainEffects, EmptySelectionIsANoOp)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16({1, 2, 3, 4});
    doc.Select(1, 1);
    RecordingEvents events;
    for (int kind : {FxKindAmplify, FxKindFadeIn, FxKindFadeOut, FxKindInvert})
        EXPECT_EQ(doc.fx.ApplyEffect(kind, 5.0f), 1);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(events.progress, (std::vector<float>{0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(GainEffects, NoOperationKindChangesNothing)
{
    EffectDoc doc(2, 44100, 16);
    doc.Append16({1, 2, 3, 4});
    doc.Select(0, 2);
    RecordingEvents events;
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindNone, 1.0f, 2.0f), 1);
    EXPECT_EQ(doc.fx.ApplyEffect(99), 1);
    EXPECT_EQ(doc.Samples16(), (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_TRUE(events.progress.empty());
}

TEST(GainEffects, SampleAccessFollowsTheDocumentFormat)
{
    EffectDoc doc(2, 8000, 8);
    const uint8_t block[] = {0, 255, 127, 200};
    EXPECT_EQ(doc.fx.ReadSample(block, 1, 0), 128.0f);
    EXPECT_EQ(doc.fx.ReadSample(block, 1, 1), 73.0f);
    uint8_t out[4] = {};
    doc.fx.WriteSample(out, 1, 1, 128.0f);
    EXPECT_EQ(out[3], 254);

    EffectDoc wide(1, 44100, 16);
    const uint8_t samples[] = {0x00, 0x80, 0x10, 0x00};
    EXPECT_EQ(wide.fx.ReadSample(samples, 0, 0), -32768.0f);
    EXPECT_EQ(wide.fx.ReadSample(samples, 0, 1), 16.0f);
}
