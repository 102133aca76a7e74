// A processor gives the same samples whether it sees a span whole or cut at
// arbitrary frame boundaries (single frames included), as the driver cuts
// selections into blocks wherever the document's width puts them.
#include "dsp/Fade.h"
#include "dsp/Gain.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <vector>

namespace {

constexpr int kChannels = 3;
constexpr int kFrames = 5000;

using Make = std::function<std::unique_ptr<FrameProcessor>()>;

std::vector<std::vector<float>> Signal()
{
    std::mt19937 gen(9);
    std::vector<std::vector<float>> channels(kChannels, std::vector<float>(kFrames));
    for (auto& c : channels)
        for (auto& x : c)
            x = static_cast<float>(static_cast<int>(gen() % 65535) - 32767);
    return channels;
}

// Runs the processor over the signal in spans of the given lengths.
std::vector<std::vector<float>> RunSplit(FrameProcessor& p, const std::vector<int>& spans)
{
    auto channels = Signal();
    int first = 0;
    for (int length : spans) {
        std::vector<float*> pointers;
        for (auto& c : channels)
            pointers.push_back(c.data() + first);
        p.Process(pointers.data(), kChannels, length, first);
        first += length;
    }
    return channels;
}

// The same over interleaved samples, for processors that take them; the
// result comes back per channel. False when the processor has no such rule.
bool RunInterleavedSplit(FrameProcessor& p, const std::vector<int>& spans, std::vector<std::vector<float>>& out)
{
    const auto channels = Signal();
    std::vector<float> samples;
    for (int f = 0; f < kFrames; ++f)
        for (const auto& c : channels)
            samples.push_back(c[f]);
    int first = 0;
    for (int length : spans) {
        if (!p.ProcessInterleaved(samples.data() + static_cast<std::size_t>(first) * kChannels, kChannels, length,
                                  first))
            return false;
        first += length;
    }
    out.assign(kChannels, std::vector<float>(kFrames));
    for (int f = 0; f < kFrames; ++f)
        for (int c = 0; c < kChannels; ++c)
            out[c][f] = samples[static_cast<std::size_t>(f) * kChannels + c];
    return true;
}

std::vector<int> RandomSpans(unsigned seed)
{
    std::mt19937 gen(seed);
    std::vector<int> spans;
    for (int left = kFrames; left > 0;) {
        const int n = std::min(left, static_cast<int>(gen() % 700) + 1);
        spans.push_back(n);
        left -= n;
    }
    return spans;
}

}  // namespace

TEST(ProcessorSplit, CutsDoNotChangeTheResult)
{
    const std::vector<std::pair<const char*, Make>> processors = {
        {"gain 1.7", [] { return std::make_unique<GainProcessor>(1.7f); }},
        {"fade in linear", [] { return std::make_unique<FadeProcessor>(FadeDirection::In, FadeCurve::Linear, kFrames); }},
        {"fade out exponential",
         [] { return std::make_unique<FadeProcessor>(FadeDirection::Out, FadeCurve::Exponential, kFrames); }},
        {"fade in equal power",
         [] { return std::make_unique<FadeProcessor>(FadeDirection::In, FadeCurve::EqualPower, kFrames); }},
        {"fade out s-curve", [] { return std::make_unique<FadeProcessor>(FadeDirection::Out, FadeCurve::SCurve, kFrames); }},
    };
    int interleavedRules = 0;
    for (const auto& [name, make] : processors) {
        auto whole = make();
        const auto expected = RunSplit(*whole, {kFrames});
        EXPECT_NE(expected, Signal()) << name;
        for (unsigned seed : {1u, 2u, 3u}) {
            auto split = make();
            EXPECT_EQ(RunSplit(*split, RandomSpans(seed)), expected) << name << ", seed " << seed;
        }
        auto single = make();
        EXPECT_EQ(RunSplit(*single, std::vector<int>(kFrames, 1)), expected) << name << ", single frames";
        auto interleaved = make();
        std::vector<std::vector<float>> out;
        if (RunInterleavedSplit(*interleaved, RandomSpans(4u), out)) {
            ++interleavedRules;
            EXPECT_EQ(out, expected) << name << ", interleaved";
        }
    }
    EXPECT_EQ(interleavedRules, 2);  // the gain and the linear fade
}
