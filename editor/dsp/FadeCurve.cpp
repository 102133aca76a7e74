#include "FadeCurve.h"

#include <cmath>
#include <numbers>

namespace {
constexpr double kExponentialFloorDb = -60.0;
}  // namespace

bool IsFadeCurve(int32_t value)
{
    return value >= static_cast<int32_t>(FadeCurve::Linear) && value <= static_cast<int32_t>(FadeCurve::SCurve);
}

float FadeCurveGain(FadeCurve curve, double t)
{
    switch (curve) {
    case FadeCurve::Linear: return static_cast<float>(t);
    case FadeCurve::Exponential:
        return static_cast<float>(std::pow(10.0, kExponentialFloorDb * (1.0 - t) / 20.0));
    case FadeCurve::EqualPower: return static_cast<float>(std::sin(t * std::numbers::pi / 2.0));
    case FadeCurve::SCurve: return static_cast<float>((1.0 - std::cos(t * std::numbers::pi)) / 2.0);
    }
    return static_cast<float>(t);
}
