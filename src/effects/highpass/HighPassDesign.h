// Coefficients of the second-order Butterworth high-pass filter.
#pragma once

#include <cstdint>

// y[n] = b0·x[n] + b1·x[n−1] + b2·x[n−2] − a1·y[n−1] − a2·y[n−2] (a0 = 1).
struct HighPassCoefficients {
    double b0, b1, b2;  // feed-forward
    double a1, a2;      // feedback
};

// The bilinear transform of the analog prototype
//     H(s) = s² / (s² + √2·s + 1)
// (Butterworth, quality √2/2), with the cutoff prewarped to
// k = tan(π·cutoff / sampleRate), correctly rounded:
//     b = (1, −2, 1) / D,  a1 = 2·(k² − 1) / D,  a2 = (k² − √2·k + 1) / D,
//     D = k² + √2·k + 1.
// The order of every operation is fixed, so the coefficients are the same
// bits on every build. The cutoff is not checked: one at or above half the
// sample rate, or a sample rate of 0, gives coefficients of no use (the node
// turns silent for a cutoff above 5/11 of the rate).
HighPassCoefficients DesignHighPass(int32_t cutoff, uint32_t sampleRate);

// The same design from the prewarped cutoff k itself, every operation after
// the tangent in the same order.
HighPassCoefficients DesignFromTangent(double k);
