#include "effects/highpass/HighPassDesign.h"

#include <cmath>

#include "math/RoundedTangent.h"

namespace {

constexpr double kPi = 3.141592653589793;

// D = (√2 + k)·k + 1, grouped so. Each coefficient divides by its own
// evaluation of it (always the same value).
double Denominator(double k) {
    return (std::sqrt(2.0) + k) * k + 1.0;
}

}  // namespace

HighPassCoefficients DesignHighPass(int32_t cutoff, uint32_t sampleRate) {
    // The product is formed before the division; the tangent is the exact
    // one, correctly rounded, so that k is the same on every platform.
    return DesignFromTangent(
        RoundedTangent(static_cast<double>(cutoff) * kPi / static_cast<double>(sampleRate)));
}

HighPassCoefficients DesignFromTangent(double k) {
    HighPassCoefficients c;
    c.b0 = 1.0 / Denominator(k);
    c.b1 = -2.0 / Denominator(k);
    c.b2 = c.b0;
    const double kSquared = k * k;
    c.a1 = (kSquared - 1.0) * 2.0 / Denominator(k);
    c.a2 = ((1.0 - std::sqrt(2.0) * k) + kSquared) / Denominator(k);
    return c;
}
