#pragma once
// The transform module shared by the spectral filters and noise removal.
//
// ComplexFFT is an iterative radix-2 decimation-in-time transform on 32-bit
// floats: X[k] = sum x[n] e^(-2 pi i k n / N) forward; the inverse uses the
// opposite sign and divides by N. Sizes must be powers of two, at least 2.

#include <cstdint>
#include <vector>

// The number of bits needed to index `size` points, or -1 when the size is not
// a power of two of at least 2.
int FFTBitsNeeded(int size);

// j with its lowest `bits` bits in reversed order.
uint32_t ReverseBits(uint32_t j, int bits);

// Transforms n points. `imagIn` may be null (zeros). Input and output arrays
// must not overlap. Returns false, with the outputs untouched, when n is not
// a valid size; the caller then changes nothing.
bool ComplexFFT(int n, bool inverse, const float* realIn, const float* imagIn, float* realOut,
                float* imagOut);

// A transform of one size and direction, with its twiddles worked out once,
// for callers that run many transforms of the same size. Transform gives the
// same values as ComplexFFT. A plan is used by one thread at a time.
class FFTPlan {
public:
    FFTPlan(int n, bool inverse);
    bool IsValid() const { return m_bits > 0; }
    int Size() const { return m_n; }
    // False, with the outputs untouched, when the plan is not valid.
    bool Transform(const float* realIn, const float* imagIn, float* realOut, float* imagOut) const;

private:
    int m_n;
    int m_bits;
    bool m_bInverse;
    // The twiddles of the stage with blocks of size s start at s / 2 - 1.
    std::vector<float> m_twiddleR;
    std::vector<float> m_twiddleI;
    // Work arrays of Transform, so one plan serves one thread at a time.
    mutable std::vector<float> m_scratchR;
    mutable std::vector<float> m_scratchI;
};

// Power spectrum of n real values (n a power of two, at least 4) into n / 2
// values: out[0] = X[0]^2 + X[n/2]^2 (DC and Nyquist together), out[k] =
// |X[k]|^2 otherwise, with X the unnormalised forward transform. No window.
// Returns false, with `out` untouched, for an invalid n.
bool PowerSpectrum(int n, const float* in, float* out);

// PowerSpectrum for many inputs of one size, with its transform and work
// arrays made once. Compute gives the same values as PowerSpectrum.
class PowerSpectrumPlan {
public:
    explicit PowerSpectrumPlan(int n);
    bool Compute(const float* in, float* out);

private:
    int m_n;
    FFTPlan m_half;
    std::vector<float> m_zr, m_zi, m_outR, m_outI;
    // Z[h - k] in order of k, and the powers of X[h - k], for the split.
    std::vector<float> m_mirrorR, m_mirrorI, m_high;
    // The split's twiddle cos(theta i), sin(theta i) for i = 1 ... n / 4 - 1,
    // from its recurrence, worked out once.
    std::vector<double> m_splitR, m_splitI;
};
