// Every in-place effect followed by undo gives back the exact bytes.
#include "EffectFixture.h"

#include "wave/CWaveUndo.h"

using namespace dsptest;

namespace {

struct Case {
    int kind;
    float a;
    float b;
};

}  // namespace

TEST(EffectUndo, RestoreGivesBackTheExactBytes)
{
    const int frames = 30000;
    const std::vector<Case> cases = {
        {FxKindAmplify, 3.0f, 0},       {FxKindAmplify, 0.0f, 0},     {FxKindEcho, 0.1f, 0.7f},
        {FxKindFadeIn, 0, 0},           {FxKindFadeOut, 0, 0},        {FxKindInvert, 0, 0},
        {FxKindLowPass, 1000.0f, 0},    {FxKindHighPass, 3000.0f, 0}, {FxKindBandPass, 300.0f, 900.0f},
        {FxKindBandStop, 300.0f, 900.0f}, {FxKindReverse, 0, 0},      {FxKindBassBoost, 150.0f, 4.0f},
        {FxKindNoiseRemoval, 1.0f, 0},  {FxKindNoiseRemoval, 0.0f, 2.0f}};
    EffectDoc doc(2, 44100, 16);
    doc.Append16(Interleave({Noise(frames, 32767, 5), Sine(frames, 220, 44100, 32767)}));
    const auto original = doc.Bytes();
    for (const Case& c : cases) {
        doc.Select(1000, 25000);
        ASSERT_TRUE(doc.wave.SaveUndo(UndoRestore));
        doc.fx.ApplyEffect(c.kind, c.a, c.b);
        if (c.kind != FxKindNoiseRemoval || c.a == 0.0f) {
            EXPECT_NE(doc.Bytes(), original) << c.kind;
        }
        ASSERT_TRUE(doc.wave.Undo()) << c.kind;
        EXPECT_EQ(doc.Bytes(), original) << c.kind;
        EXPECT_EQ(doc.wave.m_nSelBegin, 1000);
        EXPECT_EQ(doc.wave.m_nSelEnd, 25000);
    }
}
