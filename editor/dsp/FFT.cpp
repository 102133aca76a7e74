#include "FFT.h"

#include <algorithm>
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

// One stage: in every block of 2 * half points, pairs j and j + half with
// t = w(j) * out[j + half]. The smallest blocks get loops of a fixed length,
// so that they vectorise as well.
template <int FixedHalf>
[[gnu::always_inline]] inline void StageBlocks(float* __restrict re, float* __restrict im, int n, int runHalf, const float* __restrict wr,
                 const float* __restrict wi)
{
    const int half = FixedHalf > 0 ? FixedHalf : runHalf;
    for (int start = 0; start < n; start += 2 * half) {
        float* __restrict re1 = re + start;
        float* __restrict im1 = im + start;
        float* __restrict re2 = re1 + half;
        float* __restrict im2 = im1 + half;
        for (int j = 0; j < half; ++j) {
            const float tr = wr[j] * re2[j] - wi[j] * im2[j];
            const float ti = wr[j] * im2[j] + wi[j] * re2[j];
            re2[j] = re1[j] - tr;
            im2[j] = im1[j] - ti;
            re1[j] = re1[j] + tr;
            im1[j] = im1[j] + ti;
        }
    }
}

// Built for AVX2 as well where the processor has it (no FMA: every value
// stays the one the plain loop gives).
__attribute__((target_clones("avx2", "default"))) void Stage(float* re, float* im, int n, int half, const float* wr,
                                                            const float* wi)
{
    switch (half) {
    case 4: StageBlocks<4>(re, im, n, half, wr, wi); break;
    case 8: StageBlocks<8>(re, im, n, half, wr, wi); break;
    default: StageBlocks<0>(re, im, n, half, wr, wi); break;
    }
}

// One butterfly: t = w * b; b = a - t; a = a + t.
inline void Butterfly(float& ar, float& ai, float& br, float& bi, float wr, float wi)
{
    const float tr = wr * br - wi * bi;
    const float ti = wr * bi + wi * br;
    br = ar - tr;
    bi = ai - ti;
    ar = ar + tr;
    ai = ai + ti;
}

// The stages with blocks of 2 and 4 in one pass over the data: the same
// butterflies, in the same order within each block of 4.
void FirstTwoStages(float* re, float* im, int n, const float* wr, const float* wi)
{
    // wr[0] is the twiddle of size 2; wr[1], wr[2] those of size 4.
    for (int j = 0; j < n; j += 4) {
        Butterfly(re[j], im[j], re[j + 1], im[j + 1], wr[0], wi[0]);
        Butterfly(re[j + 2], im[j + 2], re[j + 3], im[j + 3], wr[0], wi[0]);
        Butterfly(re[j], im[j], re[j + 2], im[j + 2], wr[1], wi[1]);
        Butterfly(re[j + 1], im[j + 1], re[j + 3], im[j + 3], wr[2], wi[2]);
    }
}

// The same two stages on the input before its bit reversal: the four points
// that land at 4q ... 4q + 3 start at r, r + n/2, r + n/4 and r + 3n/4 with
// r = rev(4q) < n/4, so the butterflies run over contiguous r (and vectorise)
// and their results go back to where their points came from.
__attribute__((target_clones("avx2", "default"))) void FirstTwoStagesInPlace(
    const float* __restrict re, const float* __restrict im, float* __restrict outRe, float* __restrict outIm,
    int n, const float* wr, const float* wi)
{
    const int quarter = n / 4;
    const float w0r = wr[0], w0i = wi[0], w1r = wr[1], w1i = wi[1], w2r = wr[2], w2i = wi[2];
    for (int r = 0; r < quarter; ++r) {
        float ar = re[r], ai = im[r];
        float br = re[r + 2 * quarter], bi = im[r + 2 * quarter];
        float cr = re[r + quarter], ci = im[r + quarter];
        float dr = re[r + 3 * quarter], di = im[r + 3 * quarter];
        Butterfly(ar, ai, br, bi, w0r, w0i);
        Butterfly(cr, ci, dr, di, w0r, w0i);
        Butterfly(ar, ai, cr, ci, w1r, w1i);
        Butterfly(br, bi, dr, di, w2r, w2i);
        outRe[r] = ar;
        outIm[r] = ai;
        outRe[r + 2 * quarter] = br;
        outIm[r + 2 * quarter] = bi;
        outRe[r + quarter] = cr;
        outIm[r + quarter] = ci;
        outRe[r + 3 * quarter] = dr;
        outIm[r + 3 * quarter] = di;
    }
}

// The split's powers for k = 1 ... count: low[k - 1] = |E + W O|^2 and
// high[k - 1] = |E - W O|^2, from z = Z[k] and m = Z[h - k]. Sums of two
// floats are taken in float, the rest in double. Built for AVX2 as well
// where the processor has it (no FMA: every value stays the plain loop's).
__attribute__((target_clones("avx2", "default"))) void SplitPowers(
    const float* __restrict zr, const float* __restrict zi, const float* __restrict mr, const float* __restrict mi,
    const double* __restrict wr, const double* __restrict wi, int count, float* __restrict low,
    float* __restrict high)
{
    for (int k = 0; k < count; ++k) {
        const double er = 0.5 * (zr[k] + mr[k]);
        const double ei = 0.5 * (zi[k] - mi[k]);
        const double orr = 0.5 * (zi[k] + mi[k]);
        const double oi = -0.5 * (zr[k] - mr[k]);
        // W O with W = wr - i wi.
        const double tr = wr[k] * orr + wi[k] * oi;
        const double ti = wr[k] * oi - wi[k] * orr;
        low[k] = static_cast<float>((er + tr) * (er + tr) + (ei + ti) * (ei + ti));
        high[k] = static_cast<float>((er - tr) * (er - tr) + (ei - ti) * (ei - ti));
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

FFTPlan::FFTPlan(int n, bool inverse) : m_n(n), m_bits(FFTBitsNeeded(n)), m_bInverse(inverse)
{
    if (m_bits < 0)
        return;
    m_scratchR.resize(static_cast<std::size_t>(n));
    m_scratchI.resize(static_cast<std::size_t>(n));
    m_twiddleR.resize(static_cast<std::size_t>(n - 1));
    m_twiddleI.resize(static_cast<std::size_t>(n - 1));
    // The twiddles of a block, w(m) = e^(-+ i m delta) for m < size / 2, come
    // from the three-term recurrence c(m) = 2 cos(delta) c(m-1) - c(m-2),
    // seeded two steps back. They are the same for every block of a stage.
    const double sign = inverse ? 1.0 : -1.0;
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
            m_twiddleR[half - 1 + m] = static_cast<float>(ar0);
            m_twiddleI[half - 1 + m] = static_cast<float>(ai0);
        }
    }
}

bool FFTPlan::Transform(const float* realIn, const float* imagIn, float* realOut, float* imagOut) const
{
    if (!IsValid()) {
        std::fprintf(stderr, "%d is not a power of two\n", m_n);
        return false;
    }
    const int n = m_n;
    int size = 2;
    if (n >= 4 && imagIn && m_bits <= kCachedBits) {
        // The first two stages before the reordering, into the scratch
        // arrays; then out[i] = scratch[rev(i)].
        FirstTwoStagesInPlace(realIn, imagIn, m_scratchR.data(), m_scratchI.data(), n, m_twiddleR.data(),
                              m_twiddleI.data());
        const uint16_t* rev = Cache().Table(m_bits).data();
        for (int i = 0; i < n; ++i)
            realOut[i] = m_scratchR[rev[i]];
        for (int i = 0; i < n; ++i)
            imagOut[i] = m_scratchI[rev[i]];
        size = 8;
    } else {
        // out[rev(i)] = in[i]; the permutation is its own inverse, so it is
        // run as a gather, which keeps the stores in order.
        if (m_bits <= kCachedBits) {
            const uint16_t* rev = Cache().Table(m_bits).data();
            for (int i = 0; i < n; ++i)
                realOut[i] = realIn[rev[i]];
            if (imagIn) {
                for (int i = 0; i < n; ++i)
                    imagOut[i] = imagIn[rev[i]];
            }
        } else {
            for (int i = 0; i < n; ++i)
                realOut[i] = realIn[ReverseBits(static_cast<uint32_t>(i), m_bits)];
            if (imagIn) {
                for (int i = 0; i < n; ++i)
                    imagOut[i] = imagIn[ReverseBits(static_cast<uint32_t>(i), m_bits)];
            }
        }
        if (!imagIn)
            std::fill(imagOut, imagOut + n, 0.0f);
        if (n >= 4) {
            FirstTwoStages(realOut, imagOut, n, m_twiddleR.data(), m_twiddleI.data());
            size = 8;
        }
    }
    for (; size <= n; size <<= 1) {
        const int half = size / 2;
        Stage(realOut, imagOut, n, half, m_twiddleR.data() + half - 1, m_twiddleI.data() + half - 1);
    }

    if (m_bInverse) {
        const float scale = 1.0f / static_cast<float>(n);
        for (int i = 0; i < n; ++i) {
            realOut[i] *= scale;
            imagOut[i] *= scale;
        }
    }
    return true;
}

bool ComplexFFT(int n, bool inverse, const float* realIn, const float* imagIn, float* realOut,
                float* imagOut)
{
    return FFTPlan(n, inverse).Transform(realIn, imagIn, realOut, imagOut);
}

PowerSpectrumPlan::PowerSpectrumPlan(int n)
    : m_n(n), m_half(n >= 4 ? FFTPlan(n / 2, false) : FFTPlan(0, false)),
      m_zr(static_cast<std::size_t>(std::max(n / 2, 0))), m_zi(m_zr.size()), m_outR(m_zr.size()),
      m_outI(m_zr.size()), m_mirrorR(static_cast<std::size_t>(std::max(n / 4, 0))), m_mirrorI(m_mirrorR.size()),
      m_high(m_mirrorR.size())
{
    if (n < 4)
        return;
    const int half = n / 2;
    const float theta = std::numbers::pi_v<float> / static_cast<float>(half);
    const double wtemp = std::sin(0.5 * theta);
    const double wpr = -2.0 * wtemp * wtemp;
    const double wpi = std::sin(static_cast<double>(theta));
    double wr = 1.0 + wpr;  // cos(theta i)
    double wi = wpi;        // sin(theta i)
    for (int i = 1; i < half / 2; ++i) {
        m_splitR.push_back(wr);
        m_splitI.push_back(wi);
        const double prev = wr;
        wr = wr * wpr - wi * wpi + wr;
        wi = wi * wpr + prev * wpi + wi;
    }
}

bool PowerSpectrum(int n, const float* in, float* out)
{
    return PowerSpectrumPlan(n).Compute(in, out);
}

bool PowerSpectrumPlan::Compute(const float* in, float* out)
{
    const int n = m_n;
    if (n < 4 || !m_half.IsValid()) {
        std::fprintf(stderr, "%d is not a power of two\n", n);
        return false;
    }
    const int half = n / 2;
    // Pack the real input as half as many complex values and split the
    // transform afterwards: z[i] = in[2i] + i in[2i+1].
    std::vector<float>& zr = m_zr;
    std::vector<float>& zi = m_zi;
    std::vector<float>& outR = m_outR;
    std::vector<float>& outI = m_outI;
    for (int i = 0; i < half; ++i) {
        zr[i] = in[2 * i];
        zi[i] = in[2 * i + 1];
    }
    m_half.Transform(zr.data(), zi.data(), outR.data(), outI.data());

    // With Z the half-size transform, E[k] = (Z[k] + conj Z[h-k]) / 2 is the
    // even samples' transform and O[k] = (Z[k] - conj Z[h-k]) / 2i the odd
    // ones'. X[k] = E + W O and |X[h-k]| = |E - W O|, with W = e^(-i theta k).
    const int count = half / 2 - 1;
    if (count > 0) {
        for (int k = 0; k < count; ++k) {
            m_mirrorR[static_cast<std::size_t>(k)] = outR[half - 1 - k];
            m_mirrorI[static_cast<std::size_t>(k)] = outI[half - 1 - k];
        }
        SplitPowers(outR.data() + 1, outI.data() + 1, m_mirrorR.data(), m_mirrorI.data(), m_splitR.data(),
                    m_splitI.data(), count, out + 1, m_high.data());
        for (int k = 0; k < count; ++k)
            out[half - 1 - k] = m_high[static_cast<std::size_t>(k)];
    }
    const double dc = static_cast<double>(outR[0]) + outI[0];
    const double nyquist = static_cast<double>(outR[0]) - outI[0];
    out[0] = static_cast<float>(dc * dc + nyquist * nyquist);
    out[half / 2] = outR[half / 2] * outR[half / 2] + outI[half / 2] * outI[half / 2];
    return true;
}
