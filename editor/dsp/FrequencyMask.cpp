#include "FrequencyMask.h"

namespace {
constexpr int kMaskSize = 16384;
constexpr int kHalf = kMaskSize / 2;
constexpr float kBinWidthScale = 0.0001220703125f;  // 2^-13
}  // namespace

bool BuildBrickWallMask(BrickWall kind, float low, float high, int32_t samplesPerSec, float* mask)
{
    const auto nyquist = static_cast<float>(samplesPerSec / 2);
    int lowBin = 0;
    int highBin = 0;
    if (kind == BrickWall::LowPass || kind == BrickWall::HighPass) {
        if (!(low > 0.0f) || !(low < nyquist))
            return false;
        lowBin = static_cast<int>(low / (nyquist * kBinWidthScale));
    } else {
        if (!(low > 0.0f) || !(low < high) || !(high < nyquist))
            return false;
        const float perHz = 1.0f / (nyquist * kBinWidthScale);
        lowBin = static_cast<int>(low * perHz);
        highBin = static_cast<int>(high * perHz);
    }

    for (int i = 0; i < kHalf; ++i) {
        bool pass = false;
        switch (kind) {
        case BrickWall::LowPass: pass = i <= lowBin; break;
        case BrickWall::HighPass: pass = i >= lowBin; break;
        case BrickWall::BandPass: pass = lowBin <= i && i <= highBin; break;
        case BrickWall::BandStop: pass = i <= lowBin || i >= highBin; break;
        }
        mask[i] = pass ? 1.0f : 0.0f;
        mask[kMaskSize - 1 - i] = mask[i];
    }
    return true;
}
