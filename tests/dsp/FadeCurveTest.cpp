// Fade curves: exact samples at a few frames of a fade over 1000 frames of a
// constant 10000, with the gains worked out by hand.
#include "EffectFixture.h"

#include "dsp/FadeCurve.h"

using namespace dsptest;

namespace {

struct CurvePoint {
    FadeCurve curve;
    bool fadeIn;
    int frame;
    int16_t expected;
};

// t is frame / 1000 for a fade in and (1000 - frame) / 1000 for a fade out.
const CurvePoint kPoints[] = {
    {FadeCurve::Linear, true, 0, 0},            {FadeCurve::Linear, true, 250, 2500},
    {FadeCurve::Linear, false, 0, 10000},       {FadeCurve::Linear, false, 999, 10},
    {FadeCurve::Exponential, true, 0, 10},      // -60 dB
    {FadeCurve::Exponential, true, 500, 316},   // -30 dB
    {FadeCurve::Exponential, true, 750, 1778},  // -15 dB
    {FadeCurve::Exponential, false, 0, 10000},  {FadeCurve::Exponential, false, 750, 56},  // -45 dB
    {FadeCurve::EqualPower, true, 0, 0},        {FadeCurve::EqualPower, true, 500, 7071},  // sin(pi/4)
    {FadeCurve::EqualPower, true, 250, 3826},   // sin(pi/8)
    {FadeCurve::EqualPower, false, 750, 3826},  {FadeCurve::EqualPower, false, 0, 10000},
    {FadeCurve::SCurve, true, 0, 0},            {FadeCurve::SCurve, true, 250, 1464},  // (1 - cos(pi/4)) / 2
    {FadeCurve::SCurve, true, 500, 5000},       {FadeCurve::SCurve, false, 250, 8535},
    {FadeCurve::SCurve, false, 0, 10000},
};

}  // namespace

TEST(FadeCurve, GivesTheCurvesGainAtEachFrame)
{
    for (const CurvePoint& p : kPoints) {
        EffectDoc doc(1, 44100, 16);
        doc.Append16(std::vector<int16_t>(1200, 10000));
        doc.Select(100, 1100);
        ASSERT_TRUE(p.fadeIn ? doc.fx.FadeIn(p.curve) : doc.fx.FadeOut(p.curve));
        const auto s = doc.Samples16();
        EXPECT_EQ(s[100 + p.frame], p.expected)
            << "curve " << static_cast<int>(p.curve) << (p.fadeIn ? " in" : " out") << ", frame " << p.frame;
        EXPECT_EQ(s[99], 10000);
        EXPECT_EQ(s[1100], 10000);
    }
}

TEST(FadeCurve, TheDispatcherUsesTheCurveSetAndRefusesOthers)
{
    EffectDoc doc(1, 44100, 16);
    doc.Append16(std::vector<int16_t>(1000, 10000));
    doc.Select(0, 1000);
    EXPECT_EQ(doc.fx.GetFadeCurve(), FadeCurve::Linear);
    EXPECT_FALSE(doc.fx.SetFadeCurve(4));
    EXPECT_FALSE(doc.fx.SetFadeCurve(-1));
    EXPECT_EQ(doc.fx.GetFadeCurve(), FadeCurve::Linear);
    ASSERT_TRUE(doc.fx.SetFadeCurve(2));
    doc.fx.ApplyEffect(FxKindFadeIn);
    EXPECT_EQ(doc.Samples16()[500], 7071);
    EXPECT_FALSE(doc.fx.FadeOut(static_cast<FadeCurve>(7)));
    EXPECT_EQ(doc.Samples16()[500], 7071);
}
