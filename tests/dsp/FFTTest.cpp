#include "dsp/FFT.h"
#include "dsp/FilterFFT.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <random>
#include <vector>

namespace {

using Complex = std::complex<double>;

std::vector<Complex> DirectDFT(const std::vector<float>& re, const std::vector<float>& im, bool inverse)
{
    const std::size_t n = re.size();
    std::vector<Complex> out(n);
    const double sign = inverse ? 1.0 : -1.0;
    for (std::size_t k = 0; k < n; ++k) {
        Complex sum;
        for (std::size_t t = 0; t < n; ++t) {
            const double angle = sign * 2.0 * std::numbers::pi * static_cast<double>((k * t) % n) /
                                 static_cast<double>(n);
            sum += Complex(re[t], im[t]) * std::polar(1.0, angle);
        }
        out[k] = inverse ? sum / static_cast<double>(n) : sum;
    }
    return out;
}

std::vector<float> Random(std::size_t n, unsigned seed)
{
    std::mt19937 gen(seed);
    std::uniform_real_distribution<float> dist(-1.0f, 1.0f);
    std::vector<float> v(n);
    for (auto& x : v)
        x = dist(gen);
    return v;
}

}  // namespace

TEST(FFT, BitHelpers)
{
    EXPECT_EQ(FFTBitsNeeded(2), 1);
    EXPECT_EQ(FFTBitsNeeded(2048), 11);
    EXPECT_EQ(FFTBitsNeeded(16384), 14);
    EXPECT_EQ(FFTBitsNeeded(1), -1);
    EXPECT_EQ(FFTBitsNeeded(0), -1);
    EXPECT_EQ(FFTBitsNeeded(12), -1);
    EXPECT_EQ(ReverseBits(1, 3), 4u);
    EXPECT_EQ(ReverseBits(6, 3), 3u);
    EXPECT_EQ(ReverseBits(1, 11), 1024u);
}

TEST(FFT, ForwardAndInverseMatchDirectDFT)
{
    for (int n : {2, 4, 8, 32, 256, 1024}) {
        const auto re = Random(n, 1u + n);
        const auto im = Random(n, 2u + n);
        for (bool inverse : {false, true}) {
            std::vector<float> outR(n), outI(n);
            ASSERT_TRUE(ComplexFFT(n, inverse, re.data(), im.data(), outR.data(), outI.data()));
            const auto expected = DirectDFT(re, im, inverse);
            const double tolerance = (inverse ? 1.0 / n : 1.0) * 2e-5 * n;
            for (int k = 0; k < n; ++k) {
                EXPECT_NEAR(outR[k], expected[k].real(), tolerance) << n << " " << k << " " << inverse;
                EXPECT_NEAR(outI[k], expected[k].imag(), tolerance) << n << " " << k << " " << inverse;
            }
        }
    }
}

// The filtering pair: bins in the transform's own order, found by Position,
// match the DFT; sizes past the cache block (1024 points) run both loop shapes.
TEST(FFT, FilterPairMatchesDirectDFTAndInverts)
{
    for (int n : {2, 4, 8, 16, 64, 1024, 2048}) {
        const auto re = Random(n, 3u + n);
        const auto im = Random(n, 4u + n);
        const FilterFFT fft(n);
        ASSERT_TRUE(fft.IsValid());
        std::vector<float> r = re, i = im;
        fft.Forward(r.data(), i.data());
        const auto expected = DirectDFT(re, im, false);
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(r[fft.Position(k)], expected[k].real(), 2e-5 * n) << n << " " << k;
            EXPECT_NEAR(i[fft.Position(k)], expected[k].imag(), 2e-5 * n) << n << " " << k;
        }
        fft.Inverse(r.data(), i.data());
        for (int k = 0; k < n; ++k) {
            EXPECT_NEAR(r[k], re[k], 1e-5) << n << " " << k;
            EXPECT_NEAR(i[k], im[k], 1e-5) << n << " " << k;
        }
    }
    const int big = 16384;
    const auto re = Random(big, 5u);
    std::vector<float> r = re, i(big, 0.0f), refR(big), refI(big);
    ASSERT_TRUE(ComplexFFT(big, false, re.data(), nullptr, refR.data(), refI.data()));
    const FilterFFT fft(big);
    fft.Forward(r.data(), i.data());
    for (int k = 0; k < big; k += 7) {
        EXPECT_NEAR(r[fft.Position(k)], refR[k], 0.02) << k;
        EXPECT_NEAR(i[fft.Position(k)], refI[k], 0.02) << k;
    }
    fft.Inverse(r.data(), i.data());
    for (int k = 0; k < big; ++k)
        ASSERT_NEAR(r[k], re[k], 1e-5) << k;
    EXPECT_FALSE(FilterFFT(12).IsValid());
}

TEST(FFT, NullImaginaryInputMeansZeros)
{
    const int n = 64;
    const auto re = Random(n, 7);
    const std::vector<float> zeros(n, 0.0f);
    std::vector<float> aR(n), aI(n), bR(n), bI(n);
    ASSERT_TRUE(ComplexFFT(n, false, re.data(), nullptr, aR.data(), aI.data()));
    ASSERT_TRUE(ComplexFFT(n, false, re.data(), zeros.data(), bR.data(), bI.data()));
    EXPECT_EQ(aR, bR);
    EXPECT_EQ(aI, bI);
    // A unit impulse transforms to all ones.
    std::vector<float> impulse(n, 0.0f);
    impulse[0] = 1.0f;
    ASSERT_TRUE(ComplexFFT(n, false, impulse.data(), nullptr, aR.data(), aI.data()));
    for (int k = 0; k < n; ++k) {
        EXPECT_FLOAT_EQ(aR[k], 1.0f);
        EXPECT_NEAR(aI[k], 0.0f, 1e-6);
    }
}

TEST(FFT, ForwardThenInverseGivesBackTheInput)
{
    // 2^17 is past the cached bit-reversal tables.
    for (int n : {2048, 16384, 131072}) {
        const auto re = Random(n, 11);
        const auto im = Random(n, 12);
        std::vector<float> fR(n), fI(n), bR(n), bI(n);
        ASSERT_TRUE(ComplexFFT(n, false, re.data(), im.data(), fR.data(), fI.data()));
        ASSERT_TRUE(ComplexFFT(n, true, fR.data(), fI.data(), bR.data(), bI.data()));
        double worst = 0.0;
        for (int i = 0; i < n; ++i)
            worst = std::max({worst, std::abs(double{bR[i]} - re[i]), std::abs(double{bI[i]} - im[i])});
        EXPECT_LT(worst, 5e-5) << n;
    }
}

TEST(FFT, InvalidSizeIsReportedAndChangesNothing)
{
    const std::vector<float> in(16, 1.0f);
    for (int n : {-8, 0, 1, 3, 6, 12, 1000}) {
        std::vector<float> outR(16, 42.0f), outI(16, 42.0f);
        EXPECT_FALSE(ComplexFFT(n, false, in.data(), nullptr, outR.data(), outI.data())) << n;
        EXPECT_EQ(outR, std::vector<float>(16, 42.0f));
        EXPECT_EQ(outI, std::vector<float>(16, 42.0f));
    }
    std::vector<float> power(8, 42.0f);
    EXPECT_FALSE(PowerSpectrum(12, in.data(), power.data()));
    EXPECT_EQ(power, std::vector<float>(8, 42.0f));
}

TEST(FFT, PowerSpectrumOfConstantInput)
{
    const std::vector<float> ones(8, 1.0f);
    std::vector<float> out(4, -1.0f);
    ASSERT_TRUE(PowerSpectrum(8, ones.data(), out.data()));
    EXPECT_FLOAT_EQ(out[0], 64.0f);
    for (int k = 1; k < 4; ++k)
        EXPECT_NEAR(out[k], 0.0f, 1e-10) << k;
}

TEST(FFT, PowerSpectrumMatchesDirectDFT)
{
    for (int n : {8, 16, 2048}) {
        const auto in = Random(n, 5u + n);
        const std::vector<float> zeros(n, 0.0f);
        const auto x = DirectDFT(in, zeros, false);
        std::vector<float> out(n / 2);
        ASSERT_TRUE(PowerSpectrum(n, in.data(), out.data()));
        const double dc = x[0].real(), nyquist = x[n / 2].real();
        EXPECT_NEAR(out[0], dc * dc + nyquist * nyquist, 1e-3 * n);
        for (int k = 1; k < n / 2; ++k)
            EXPECT_NEAR(out[k], std::norm(x[k]), 1e-3 * n) << n << " " << k;
    }
}
