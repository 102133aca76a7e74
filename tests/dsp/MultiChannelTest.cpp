// Documents with more than two channels: every channel of a 3- to 8-channel
// document comes out of an effect exactly as the same samples do in a mono
// document, and widths the sample codec does not know are left untouched.
#include "EffectFixture.h"

#include <string>

using namespace dsptest;

namespace {

constexpr int kRate = 44100;
// Long enough that 64 KB blocks of 6- and 10-byte frames end mid-frame.
constexpr int kFrames = 30011;

struct ChannelCase {
    const char* name;
    int kind;
    float a;
    float b;
};

const ChannelCase kCases[] = {
    {"amplify 2", FxKindAmplify, 2.0f, 0},        {"fade in", FxKindFadeIn, 0, 0},
    {"fade out", FxKindFadeOut, 0, 0},            {"invert", FxKindInvert, 0, 0},
    {"reverse", FxKindReverse, 0, 0},             {"echo 0.05 0.6", FxKindEcho, 0.05f, 0.6f},
    {"low-pass 1000", FxKindLowPass, 1000.0f, 0}, {"band-stop 300 3000", FxKindBandStop, 300.0f, 3000.0f},
};

std::vector<double> ChannelSignal(int c)
{
    auto s = Sine(kFrames, 150.0 + 97.0 * c, kRate, 9000.0);
    const auto n = Noise(kFrames, 4000.0, 11u + static_cast<unsigned>(c));
    for (int i = 0; i < kFrames; ++i)
        s[i] += n[i];
    return s;
}

}  // namespace

TEST(MultiChannel, EveryChannelMatchesTheSameEffectOnMono)
{
    for (int channels : {3, 4, 5, 8}) {
        std::vector<std::vector<double>> signals;
        for (int c = 0; c < channels; ++c)
            signals.push_back(ChannelSignal(c));
        for (const ChannelCase& fx : kCases) {
            EffectDoc wide(channels, kRate, 16);
            wide.Append16(Interleave(signals));
            wide.Select(5, kFrames - 3);
            wide.fx.ApplyEffect(fx.kind, fx.a, fx.b);
            const auto out = wide.Samples16();
            ASSERT_EQ(out.size(), static_cast<std::size_t>(kFrames) * channels);
            for (int c = 0; c < channels; ++c) {
                EffectDoc mono(1, kRate, 16);
                mono.Append16(Interleave({signals[c]}));
                mono.Select(5, kFrames - 3);
                mono.fx.ApplyEffect(fx.kind, fx.a, fx.b);
                const auto expected = mono.Samples16();
                int wrong = 0;
                for (int f = 0; f < kFrames; ++f)
                    wrong += out[static_cast<std::size_t>(f) * channels + c] != expected[f];
                EXPECT_EQ(wrong, 0) << fx.name << ", " << channels << " channels, channel " << c;
            }
        }
    }
}

// A 32-bit or 24-bit document has no sample rule: the effects leave it as it
// is rather than reading it as 16-bit samples (and never overrun a buffer).
TEST(MultiChannel, UnknownWidthsAreLeftUntouched)
{
    for (const auto& [channels, bits] : {std::pair{8, 32}, std::pair{2, 32}, std::pair{3, 24}}) {
        EffectDoc doc(channels, kRate, bits);
        std::vector<uint8_t> bytes(static_cast<std::size_t>(20000) * channels * bits / 8);
        std::mt19937 gen(3);
        for (auto& b : bytes)
            b = static_cast<uint8_t>(gen());
        doc.AppendBytes(bytes);
        for (const ChannelCase& fx : kCases) {
            doc.wave.SelectAll();
            doc.fx.ApplyEffect(fx.kind, fx.a, fx.b);
            EXPECT_EQ(doc.Bytes(), bytes) << fx.name << ", " << channels << " x " << bits << " bits";
        }
    }
}
