#include "FilterFFT.h"

#include "FFT.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

// Points transformed stage after stage while they stay in the first-level
// cache: the stages with larger blocks run over the whole array, the rest
// block by block.
constexpr int kCacheBlock = 1024;

// One decimation-in-frequency stage over all blocks of 2 * half points:
// a, b -> a + b, (a - b) w. Built for AVX2 as well where the processor has
// it; the smallest blocks get loops of a fixed length that vectorise too.
template <int FixedHalf>
[[gnu::always_inline]] inline void FrequencyBlocks(float* __restrict re, float* __restrict im, int n, int runHalf, const float* __restrict wr,
                     const float* __restrict wi)
{
    const int half = FixedHalf > 0 ? FixedHalf : runHalf;
    for (int start = 0; start < n; start += 2 * half) {
        float* __restrict r1 = re + start;
        float* __restrict i1 = im + start;
        float* __restrict r2 = r1 + half;
        float* __restrict i2 = i1 + half;
        for (int j = 0; j < half; ++j) {
            const float dr = r1[j] - r2[j];
            const float di = i1[j] - i2[j];
            r1[j] = r1[j] + r2[j];
            i1[j] = i1[j] + i2[j];
            r2[j] = dr * wr[j] - di * wi[j];
            i2[j] = dr * wi[j] + di * wr[j];
        }
    }
}

// One decimation-in-time stage with conjugate twiddles: t = conj(w) b;
// a, b -> a + t, a - t.
template <int FixedHalf>
[[gnu::always_inline]] inline void TimeBlocks(float* __restrict re, float* __restrict im, int n, int runHalf, const float* __restrict wr,
                const float* __restrict wi)
{
    const int half = FixedHalf > 0 ? FixedHalf : runHalf;
    for (int start = 0; start < n; start += 2 * half) {
        float* __restrict r1 = re + start;
        float* __restrict i1 = im + start;
        float* __restrict r2 = r1 + half;
        float* __restrict i2 = i1 + half;
        for (int j = 0; j < half; ++j) {
            const float tr = wr[j] * r2[j] + wi[j] * i2[j];
            const float ti = wr[j] * i2[j] - wi[j] * r2[j];
            r2[j] = r1[j] - tr;
            i2[j] = i1[j] - ti;
            r1[j] = r1[j] + tr;
            i1[j] = i1[j] + ti;
        }
    }
}

__attribute__((target_clones("avx2", "default"))) void FrequencyStage(
    float* re, float* im, int n, int half, const float* wr, const float* wi)
{
    switch (half) {
    case 2: FrequencyBlocks<2>(re, im, n, half, wr, wi); break;
    case 4: FrequencyBlocks<4>(re, im, n, half, wr, wi); break;
    case 8: FrequencyBlocks<8>(re, im, n, half, wr, wi); break;
    default: FrequencyBlocks<0>(re, im, n, half, wr, wi); break;
    }
}

__attribute__((target_clones("avx2", "default"))) void TimeStage(
    float* re, float* im, int n, int half, const float* wr, const float* wi)
{
    switch (half) {
    case 2: TimeBlocks<2>(re, im, n, half, wr, wi); break;
    case 4: TimeBlocks<4>(re, im, n, half, wr, wi); break;
    case 8: TimeBlocks<8>(re, im, n, half, wr, wi); break;
    default: TimeBlocks<0>(re, im, n, half, wr, wi); break;
    }
}

// The first and last stages have blocks of two: no twiddle.
void PairStage(float* re, float* im, int n)
{
    for (int j = 0; j < n; j += 2) {
        const float ar = re[j], ai = im[j];
        re[j] = ar + re[j + 1];
        im[j] = ai + im[j + 1];
        re[j + 1] = ar - re[j + 1];
        im[j + 1] = ai - im[j + 1];
    }
}

}  // namespace

FilterFFT::FilterFFT(int n) : m_n(n), m_bits(FFTBitsNeeded(n))
{
    if (m_bits < 0)
        return;
    m_reverse.resize(static_cast<std::size_t>(n));
    for (int k = 0; k < n; ++k)
        m_reverse[static_cast<std::size_t>(k)] = ReverseBits(static_cast<uint32_t>(k), m_bits);
    m_cos.resize(static_cast<std::size_t>(n));
    m_sin.resize(static_cast<std::size_t>(n));
    for (int half = 1; half < n; half <<= 1) {
        for (int m = 0; m < half; ++m) {
            const double angle = -std::numbers::pi * m / half;
            m_cos[static_cast<std::size_t>(half - 1 + m)] = static_cast<float>(std::cos(angle));
            m_sin[static_cast<std::size_t>(half - 1 + m)] = static_cast<float>(std::sin(angle));
        }
    }
}

void FilterFFT::Forward(float* re, float* im) const
{
    if (!IsValid())
        return;
    const int block = std::min(m_n, kCacheBlock);
    int half = m_n / 2;
    for (; 2 * half > block; half >>= 1)
        FrequencyStage(re, im, m_n, half, m_cos.data() + half - 1, m_sin.data() + half - 1);
    for (int start = 0; start < m_n; start += block) {
        for (int h = half; h >= 2; h >>= 1)
            FrequencyStage(re + start, im + start, block, h, m_cos.data() + h - 1, m_sin.data() + h - 1);
        PairStage(re + start, im + start, block);
    }
}

void FilterFFT::Inverse(float* re, float* im) const
{
    if (!IsValid())
        return;
    const int block = std::min(m_n, kCacheBlock);
    for (int start = 0; start < m_n; start += block) {
        PairStage(re + start, im + start, block);
        for (int h = 2; h < block; h <<= 1)
            TimeStage(re + start, im + start, block, h, m_cos.data() + h - 1, m_sin.data() + h - 1);
    }
    for (int half = block; half < m_n; half <<= 1)
        TimeStage(re, im, m_n, half, m_cos.data() + half - 1, m_sin.data() + half - 1);
    const float scale = 1.0f / static_cast<float>(m_n);
    for (int i = 0; i < m_n; ++i) {
        re[i] *= scale;
        im[i] *= scale;
    }
}
