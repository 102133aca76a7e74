// The limiter as a processor: any split of the input gives the same output,
// quiet input passes delayed and untouched, loud input stays under the ceiling.

#include "dsp/TruePeakLimiter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

std::vector<float> LoudNoise(std::size_t frames, int channels)
{
    std::mt19937 random(7);
    std::normal_distribution<float> noise(0.0f, 0.5f);
    std::vector<float> samples(frames * static_cast<std::size_t>(channels));
    for (float& s : samples)
        s = noise(random);
    return samples;
}

// Feeds `input` in spans whose sizes `next` chooses.
template <typename NextSize>
std::vector<float> LimitInSpans(std::vector<float> input, int channels, NextSize next)
{
    CTruePeakLimiter limiter(channels, 44100, -1.0);
    const std::size_t frames = input.size() / static_cast<std::size_t>(channels);
    for (std::size_t done = 0; done < frames;) {
        const std::size_t span = std::min(next(), frames - done);
        limiter.Process(input.data() + done * static_cast<std::size_t>(channels), span);
        done += span;
    }
    return input;
}

}  // namespace

TEST(TruePeakLimiterTest, AnySplitGivesTheSameOutput)
{
    const auto input = LoudNoise(20000, 2);
    const auto whole = LimitInSpans(input, 2, [] { return std::size_t{20000}; });
    EXPECT_EQ(LimitInSpans(input, 2, [] { return std::size_t{1}; }), whole);
    std::mt19937 random(3);
    EXPECT_EQ(LimitInSpans(input, 2, [&] { return std::size_t{1} + random() % 700; }), whole);
}

TEST(TruePeakLimiterTest, QuietInputComesOutDelayedAndUnchanged)
{
    CTruePeakLimiter limiter(1, 44100, -1.0);
    const int latency = limiter.Latency();
    std::vector<float> samples(4000);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = 0.5f * static_cast<float>(std::sin(0.05 * static_cast<double>(i)));
    std::vector<float> output = samples;
    limiter.Process(output.data(), output.size());
    for (int i = 0; i < latency; ++i)
        ASSERT_EQ(output[static_cast<std::size_t>(i)], 0.0f);
    for (std::size_t i = static_cast<std::size_t>(latency); i < output.size(); ++i)
        ASSERT_EQ(output[i], samples[i - static_cast<std::size_t>(latency)]) << i;
}

TEST(TruePeakLimiterTest, LoudInputStaysUnderTheCeiling)
{
    auto samples = LoudNoise(44100, 2);
    for (float& s : samples)
        s *= 4.0f;  // peaks far over full scale
    const auto output = LimitInSpans(samples, 2, [] { return std::size_t{4096}; });
    const float ceiling = std::pow(10.0f, -1.0f / 20.0f);
    float loudest = 0;
    for (float s : output)
        loudest = std::max(loudest, std::fabs(s));
    EXPECT_LE(loudest, ceiling);
    EXPECT_GT(loudest, 0.5f * ceiling);  // limited, not silenced
}
