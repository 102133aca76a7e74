// Noise profile capture and spectral gating.
#include "EffectFixture.h"

#include "dsp/FFT.h"

#include <numeric>

using namespace dsptest;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 1025;

// Amplitude of the `hz` component of v, by least squares on sine and cosine.
double ToneAmplitude(const std::vector<double>& v, double hz, int firstFrame)
{
    double ss = 0, sc = 0, cc = 0, vs = 0, vc = 0;
    for (std::size_t i = 0; i < v.size(); ++i) {
        const double t = 2.0 * std::numbers::pi * hz * static_cast<double>(firstFrame + i) / kRate;
        const double s = std::sin(t), c = std::cos(t);
        ss += s * s;
        sc += s * c;
        cc += c * c;
        vs += v[i] * s;
        vc += v[i] * c;
    }
    const double det = ss * cc - sc * sc;
    const double a = (vs * cc - vc * sc) / det;
    const double b = (vc * ss - vs * sc) / det;
    return std::hypot(a, b);
}

// ln of the power of bin `bin` of one block, as noise removal measures it.
double BlockLogPower(const std::vector<double>& block, int bin)
{
    std::vector<float> in(2048, 0.0f), power(1024);
    for (std::size_t i = 0; i < block.size(); ++i)
        in[i] = static_cast<float>(std::lround(block[i]) / 32768.0);
    EXPECT_TRUE(PowerSpectrum(2048, in.data(), power.data()));
    return std::log(power[bin]);
}

}  // namespace

TEST(NoiseRemoval, ProfileOfWhiteNoiseIsItsMeanLogPower)
{
    const int frames = 40 * kBlock;
    const double amplitude = 3000.0;
    EffectDoc doc(1, kRate, 16);
    doc.Append16(Interleave({Noise(frames, amplitude, 21)}));
    const auto before = doc.Bytes();
    doc.Select(0, frames);
    EXPECT_FALSE(doc.fx.HasNoiseProfile());
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindNoiseRemoval, 1.0f, 0.0f), 1);
    EXPECT_TRUE(doc.fx.HasNoiseProfile());
    EXPECT_EQ(doc.Bytes(), before);  // capturing changes no sample

    // |X|^2 of white noise is exponential with mean n sigma^2; its mean log is
    // ln(n sigma^2) minus the Euler-Mascheroni constant.
    const double sigma2 = std::pow(amplitude / 32768.0, 2) / 3.0;
    const double expected = std::log(kBlock * sigma2) - 0.5772156649;
    double sum = 0.0;
    for (int k = 10; k <= 1000; ++k)
        sum += doc.fx.NoiseProfile(0, k);
    EXPECT_NEAR(sum / 991.0, expected, 0.05);
    EXPECT_EQ(doc.fx.NoiseProfile(0, 1024), 0.0f);
    EXPECT_EQ(doc.fx.NoiseProfile(1, 500), 0.0f);  // mono: no second channel
}

TEST(NoiseRemoval, CaptureReportsProgressPerBlock)
{
    EffectDoc doc(1, kRate, 16);
    doc.Append16(Interleave({Noise(3000, 100, 2)}));
    doc.Select(0, 3000);  // blocks of 1025, 1025 and 950 frames
    RecordingEvents events;
    doc.fx.CaptureNoiseProfile();
    EXPECT_EQ(events.progress, (std::vector<float>{0, 34, 68, 100, 100, 0}));
}

TEST(NoiseRemoval, CaptureOverSilenceGivesAZeroProfile)
{
    EffectDoc doc(2, kRate, 16);
    doc.Append16(std::vector<int16_t>(2 * 5000, 0));
    doc.Select(0, 5000);
    EXPECT_EQ(doc.fx.CaptureNoiseProfile(), 1);
    EXPECT_TRUE(doc.fx.HasNoiseProfile());
    for (int c = 0; c < 2; ++c)
        for (int k = 0; k < 1025; ++k)
            ASSERT_EQ(doc.fx.NoiseProfile(c, k), 0.0f) << c << " " << k;
}

TEST(NoiseRemoval, WithoutAProfileNothingChanges)
{
    EffectDoc doc(2, kRate, 16);
    doc.Append16(Interleave({Noise(5000, 3000, 1), Noise(5000, 3000, 2)}));
    const auto before = doc.Bytes();
    doc.Select(0, 5000);
    RecordingEvents events;
    EXPECT_EQ(doc.fx.RemoveNoise(3.0f), 0);
    EXPECT_EQ(doc.fx.ApplyEffect(FxKindNoiseRemoval, 0.0f, 3.0f), 1);
    EXPECT_EQ(doc.Bytes(), before);
    EXPECT_TRUE(events.progress.empty());
}

TEST(NoiseRemoval, RemovesNoiseAndKeepsTheTone)
{
    const int part = 60 * kBlock;
    // Noise about as strong as the tone.
    const auto profileNoise = Noise(part, 8000, 31);
    const auto noise = Noise(part, 8000, 32);
    const auto tone = Sine(part, 1000.0, kRate, 8000.0);
    std::vector<double> signal = profileNoise;
    for (int i = 0; i < part; ++i)
        signal.push_back(noise[i] + tone[i]);

    EffectDoc doc(1, kRate, 16);
    doc.Append16(Interleave({signal}));
    doc.Select(0, part);
    doc.fx.ApplyEffect(FxKindNoiseRemoval, 1.0f, 0.0f);
    doc.Select(part, 2 * part);
    RecordingEvents events;
    doc.fx.ApplyEffect(FxKindNoiseRemoval, 0.0f, 4.0f);
    EXPECT_EQ(events.progress.back(), 0.0f);

    // Measure after the running gate average has settled (eight blocks).
    const int first = part + 8 * kBlock;
    const auto out = doc.Channel(0, first, 2 * part);
    const double amplitude = ToneAmplitude(out, 1000.0, first - part);
    EXPECT_NEAR(Db(amplitude / 8000.0), 0.0, 1.0);

    std::vector<double> residual(out.size()), noiseIn(out.size());
    for (std::size_t i = 0; i < out.size(); ++i) {
        residual[i] = out[i] - tone[first - part + i];
        noiseIn[i] = signal[first + i] - tone[first - part + i];
    }
    EXPECT_LT(Db(Rms(residual) / Rms(noiseIn)), -10.0);
}

TEST(NoiseRemoval, IsolatedBinInTheFirstBlockIsRemoved)
{
    // One block of a tone centred on bin 100 of the 2048-point transform.
    const double hz = 100.0 * kRate / 2048.0;
    const auto tone = Sine(kBlock, hz, kRate, 10000.0);
    const double peak = BlockLogPower(tone, 100);

    EffectDoc doc(1, kRate, 16);
    doc.Append16(std::vector<int16_t>(kBlock, 0));
    doc.Select(0, kBlock);
    doc.fx.CaptureNoiseProfile();  // silence: a profile of zeros
    doc.Append16(Interleave({tone}));
    doc.Select(kBlock, 2 * kBlock);
    // Only the peak bin clears the margin: it opens to 0.5 with its
    // neighbours shut, so the isolated-bin rule closes it as well.
    doc.fx.RemoveNoise(static_cast<float>(2.0 * (peak - 0.2)));
    for (double v : doc.Channel(0, kBlock, 2 * kBlock))
        ASSERT_EQ(v, 0.0);
}

TEST(NoiseRemoval, OpenBinsOfTheFirstBlockPassAtHalfGain)
{
    const double hz = 100.0 * kRate / 2048.0;
    const auto tone = Sine(kBlock, hz, kRate, 10000.0);
    const double peak = BlockLogPower(tone, 100);

    EffectDoc doc(1, kRate, 16);
    doc.Append16(std::vector<int16_t>(kBlock, 0));
    doc.Select(0, kBlock);
    doc.fx.CaptureNoiseProfile();
    doc.Append16(Interleave({tone}));
    doc.Select(kBlock, 2 * kBlock);
    // Bins 99 to 101 clear this margin: three neighbours are not isolated.
    doc.fx.RemoveNoise(static_cast<float>(2.0 * (peak - 2.0)));
    const double ratio = Rms(doc.Channel(0, kBlock, 2 * kBlock)) / Rms(tone);
    EXPECT_GT(ratio, 0.3);
    EXPECT_LT(ratio, 0.55);
}
