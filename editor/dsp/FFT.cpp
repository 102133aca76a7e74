#include "FFT.h"

#include <array>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <vector>

namespace {

constexpr int kCachedBits = 16;
constexpr float kTwoPi = 6.2831855f;  // 2 pi as a 32-bit float

// Bit-reversal tables for 1 to 16 bits, built on the first transform and
// kept for the life of the process.
class BitReversalCache {
public:
    BitReversalCache()
    {
        for (int bits = 1; bits <= kCachedBits; ++bits) {
            auto& table = m_tables[bits - 1];
            table.resize(std::size_t{1} << bits);
            for (uint32_t j = 0; j < table.size(); ++j)
                table[j] = static_cast<uint16_t>(ReverseBits(j, bits));
        }
    }
    const std::vector<uint16_t>& Table(int bits) const { return m_tables[bits - 1]; }

private:
    std::array<std::vector<uint16_t>, kCachedBits> m_tables;
};

const BitReversalCache& Cache()
{
    static const BitReversalCache cache;
    return cache;
}

// One block of a stage: pairs j and j + half, with t = w(j) * out[j + half].
void Butterflies(float* __restrict re, float* __restrict im, const float* __restrict wr,
                 const float* __restrict wi, int half)
{
    float* __restrict re2 = re + half;
    float* __restrict im2 = im + half;
    for (int j = 0; j < half; ++j) {
        const float tr = wr[j] * re2[j] - wi[j] * im2[j];
        const float ti = wr[j] * im2[j] + wi[j] * re2[j];
        re2[j] = re[j] - tr;
        im2[j] = im[j] - ti;
        re[j] = re[j] + tr;
        im[j] = im[j] + ti;
    }
}

// The butterflies of one twiddle in every block of a stage.
void StridedButterflies(float* re, float* im, float wr, float wi, int half, int size, int n)
{
    for (int j = 0; j < n; j += size) {
        const int k = j + half;
        const float tr = wr * re[k] - wi * im[k];
        const float ti = wr * im[k] + wi * re[k];
        re[k] = re[j] - tr;
        im[k] = im[j] - ti;
        re[j] = re[j] + tr;
        im[j] = im[j] + ti;
    }
}

}  // namespace

int FFTBitsNeeded(int size)
{
    if (size < 2 || (size & (size - 1)) != 0)
        return -1;
    int bits = 0;
    while ((1 << bits) < size)
        ++bits;
    return bits;
}

uint32_t ReverseBits(uint32_t j, int bits)
{
    uint32_t rev = 0;
    for (int i = 0; i < bits; ++i) {
        rev = (rev << 1) | (j & 1u);
        j >>= 1;
    }
    return rev;
}

bool ComplexFFT(int n, bool inverse, const float* realIn, const float* imagIn, float* realOut,
                float* imagOut)
{
    const int bits = FFTBitsNeeded(n);
    if (bits < 0) {
        std::fprintf(stderr, "%d is not a power of two\n", n);
        return false;
    }

    if (bits <= kCachedBits) {
        const auto& rev = Cache().Table(bits);
        for (int i = 0; i < n; ++i) {
            realOut[rev[i]] = realIn[i];
            imagOut[rev[i]] = imagIn ? imagIn[i] : 0.0f;
        }
    } else {
        for (int i = 0; i < n; ++i) {
            const uint32_t r = ReverseBits(static_cast<uint32_t>(i), bits);
            realOut[r] = realIn[i];
            imagOut[r] = imagIn ? imagIn[i] : 0.0f;
        }
    }

    // The twiddles of a block, w(m) = e^(-+ i m delta) for m < size / 2, come
    // from the three-term recurrence c(m) = 2 cos(delta) c(m-1) - c(m-2),
    // seeded two steps back. They are the same for every block of a stage,
    // so each stage computes them once and runs its butterflies from them.
    const double sign = inverse ? 1.0 : -1.0;
    std::vector<float> twiddleR(static_cast<std::size_t>(n / 2));
    std::vector<float> twiddleI(static_cast<std::size_t>(n / 2));
    for (int size = 2; size <= n; size <<= 1) {
        const int half = size / 2;
        const double delta = static_cast<double>(kTwoPi / static_cast<float>(size));
        double ar1 = std::cos(-delta), ar2 = std::cos(-2.0 * delta);
        double ai1 = sign * std::sin(-delta), ai2 = sign * std::sin(-2.0 * delta);
        const double w = 2.0 * ar1;
        for (int m = 0; m < half; ++m) {
            const double ar0 = w * ar1 - ar2;
            ar2 = ar1;
            ar1 = ar0;
            const double ai0 = w * ai1 - ai2;
            ai2 = ai1;
            ai1 = ai0;
            twiddleR[m] = static_cast<float>(ar0);
            twiddleI[m] = static_cast<float>(ai0);
        }
        if (half < 4) {
            // Short blocks: walk every block for each twiddle instead.
            for (int m = 0; m < half; ++m)
                StridedButterflies(realOut + m, imagOut + m, twiddleR[m], twiddleI[m], half, size, n);
        } else {
            for (int start = 0; start < n; start += size)
                Butterflies(realOut + start, imagOut + start, twiddleR.data(), twiddleI.data(), half);
        }
    }

    if (inverse) {
        const float scale = 1.0f / static_cast<float>(n);
        for (int i = 0; i < n; ++i) {
            realOut[i] *= scale;
            imagOut[i] *= scale;
        }
    }
    return true;
}

bool PowerSpectrum(int n, const float* in, float* out)
{
    if (n < 4 || FFTBitsNeeded(n) < 0) {
        std::fprintf(stderr, "%d is not a power of two\n", n);
        return false;
    }
    const int half = n / 2;
    // Pack the real input as half as many complex values and split the
    // transform afterwards: z[i] = in[2i] + i in[2i+1].
    std::vector<float> zr(half), zi(half), outR(half), outI(half);
    for (int i = 0; i < half; ++i) {
        zr[i] = in[2 * i];
        zi[i] = in[2 * i + 1];
    }
    ComplexFFT(half, false, zr.data(), zi.data(), outR.data(), outI.data());

    // With Z the half-size transform, E[k] = (Z[k] + conj Z[h-k]) / 2 is the
    // even samples' transform and O[k] = (Z[k] - conj Z[h-k]) / 2i the odd
    // ones'. X[k] = E + W O and |X[h-k]| = |E - W O|, with W = e^(-i theta k).
    const float theta = std::numbers::pi_v<float> / static_cast<float>(half);
    const double wtemp = std::sin(0.5 * theta);
    const double wpr = -2.0 * wtemp * wtemp;
    const double wpi = std::sin(static_cast<double>(theta));
    double wr = 1.0 + wpr;  // cos(theta k)
    double wi = wpi;        // sin(theta k)
    for (int i = 1; i < half / 2; ++i) {
        const int i3 = half - i;
        const double er = 0.5 * (outR[i] + outR[i3]);
        const double ei = 0.5 * (outI[i] - outI[i3]);
        const double orr = 0.5 * (outI[i] + outI[i3]);
        const double oi = -0.5 * (outR[i] - outR[i3]);
        // W O with W = wr - i wi.
        const double tr = wr * orr + wi * oi;
        const double ti = wr * oi - wi * orr;
        out[i] = static_cast<float>((er + tr) * (er + tr) + (ei + ti) * (ei + ti));
        out[i3] = static_cast<float>((er - tr) * (er - tr) + (ei - ti) * (ei - ti));
        const double prev = wr;
        wr = wr * wpr - wi * wpi + wr;
        wi = wi * wpr + prev * wpi + wi;
    }
    const double dc = static_cast<double>(outR[0]) + outI[0];
    const double nyquist = static_cast<double>(outR[0]) - outI[0];
    out[0] = static_cast<float>(dc * dc + nyquist * nyquist);
    out[half / 2] = outR[half / 2] * outR[half / 2] + outI[half / 2] * outI[half / 2];
    return true;
}
