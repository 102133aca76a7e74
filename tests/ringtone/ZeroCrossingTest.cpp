// Snapping to zero crossings on signals whose crossings are known.

#include "RingtoneFixture.h"

#include "wave/ZeroCrossing.h"

using namespace codectest;

namespace {

// Stereo: the same 100 Hz sine in both channels, shifted by a quarter frame
// so that no sample is exactly zero. Zeros fall at (k × 220.5 - 0.25) frames.
std::vector<int16_t> Sine(int frames)
{
    std::vector<int16_t> samples(static_cast<std::size_t>(2 * frames));
    for (int i = 0; i < frames; ++i) {
        const auto v = static_cast<int16_t>(std::lround(10000 * std::sin(2 * M_PI * 100 * (i + 0.25) / 44100)));
        samples[static_cast<std::size_t>(2 * i)] = v;
        samples[static_cast<std::size_t>(2 * i + 1)] = v;
    }
    return samples;
}

}  // namespace

TEST_F(RingtoneTest, SnapLandsOnTheNearestCrossingOfASine)
{
    FillDocument(m_wave, Sine(44100), 2, 44100);
    const auto samples = DocumentSamples();
    for (const int32_t start : {150, 1000, 1100, 12345, 30000, 43950}) {
        SCOPED_TRACE(start);
        const int32_t snapped = SnapToZeroCrossing(m_wave, start);
        // The nearest true zero of the sine, and the frame closest to it.
        const double zero = std::round((start + 0.25) / 220.5) * 220.5 - 0.25;
        const auto expected = static_cast<int32_t>(std::lround(zero));
        EXPECT_EQ(snapped, expected);
        EXPECT_LE(std::abs(snapped - start), 441);
        // Its sample is the closest to zero of its neighbours.
        const auto at = [&](int32_t f) { return std::abs(samples[static_cast<std::size_t>(2 * f)]); };
        EXPECT_LE(at(snapped), at(snapped - 1));
        EXPECT_LE(at(snapped), at(snapped + 1));
    }
    // The document's start and end are cut points of their own.
    EXPECT_EQ(SnapToZeroCrossing(m_wave, 0), 0);
    EXPECT_EQ(SnapToZeroCrossing(m_wave, 44100), 44100);
}

TEST_F(RingtoneTest, SnapStaysWithin10MsAndTakesTheQuietestFrameWithoutACrossing)
{
    // A positive level with one dip, and a crossing 20 ms after the start.
    const int rate = 8000;  // 10 ms = 80 frames
    std::vector<int16_t> samples(2000, 5000);
    samples[1030] = 1200;
    samples[1031] = 900;
    samples[1032] = 1100;
    for (std::size_t i = 1160; i < samples.size(); ++i)
        samples[i] = -5000;
    FillDocument(m_wave, samples, 1, rate);
    EXPECT_EQ(SnapToZeroCrossing(m_wave, 1000), 1031);  // the crossing at 1160 is out of reach
    EXPECT_EQ(SnapToZeroCrossing(m_wave, 1100), 1159);  // now it is in reach and wins over the dip
    EXPECT_EQ(SnapToZeroCrossing(m_wave, 2000), 2000);  // the end stays the end
    EXPECT_EQ(ZeroCrossingReach(m_wave), 80);
}
