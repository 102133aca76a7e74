#pragma once
// A forward and inverse transform pair for filtering by bins. The forward
// transform (decimation in frequency) leaves the bins in bit-reversed order
// and the inverse (decimation in time) takes them in that order, so neither
// reorders its data; between the two a caller works bin by bin, finding bin
// k at position Position(k). Both run in place on split real and imaginary
// arrays, with twiddles worked out once. The values agree with ComplexFFT to
// float rounding, not bit for bit.

#include <cstdint>
#include <vector>

class FilterFFT {
public:
    // n must be a power of two of at least 2; otherwise IsValid() is false
    // and the transforms leave their data alone.
    explicit FilterFFT(int n);
    bool IsValid() const { return m_bits > 0; }
    int Size() const { return m_n; }

    // X[k] = sum x[j] e^(-2 pi i jk / n), bin k stored at Position(k).
    void Forward(float* re, float* im) const;
    // The inverse of Forward, divided by n, back in natural order.
    void Inverse(float* re, float* im) const;
    // The position of bin k between the two transforms, and the bin held at
    // position p (the same bit reversal both ways).
    int Position(int k) const { return static_cast<int>(m_reverse[static_cast<std::size_t>(k)]); }

private:
    int m_n;
    int m_bits;
    std::vector<uint32_t> m_reverse;
    // e^(-i m 2 pi / s) for m < s / 2 of the stage with blocks of size s,
    // starting at s / 2 - 1.
    std::vector<float> m_cos;
    std::vector<float> m_sin;
};
