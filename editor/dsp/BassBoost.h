#pragma once
// The low-shelf biquad behind the bass boost.

struct LowShelf {
    float b0, b1, b2, a0, a1, a2;
};

// Coefficients for a shelf below `frequency` Hz at `samplesPerSec`, raising
// it by the amplitude ratio `boost` (1 leaves the signal unchanged).
// `boost` must not be negative: the shelf's slope term is its square root.
LowShelf LowShelfCoefficients(float frequency, int samplesPerSec, float boost);
