// The high-pass filter evaluated straight from its difference equation,
// indexing the signal rather than keeping a history, as the reference the
// node's output is compared with.
#pragma once

#include <vector>

#include "effects/highpass/HighPassDesign.h"

enum class Grouping { kLeft, kRight };

// hp(x) from zero history, with the coefficients `before` up to sample
// `switchAt` and `after` from there on, the signal's past carrying over. The
// feed-forward terms are grouped as the node groups them for the left or the
// right channel.
inline std::vector<double> DirectHighPass(const HighPassCoefficients& before,
                                          const HighPassCoefficients& after, size_t switchAt,
                                          const std::vector<double>& x, Grouping grouping) {
    std::vector<double> y(x.size());
    const auto at = [](const std::vector<double>& v, size_t n, size_t back) {
        return n >= back ? v[n - back] : 0.0;
    };
    for (size_t n = 0; n < x.size(); ++n) {
        const HighPassCoefficients& c = n < switchAt ? before : after;
        const double feedForward = grouping == Grouping::kLeft
                                       ? (c.b0 * x[n] + c.b2 * at(x, n, 2)) + c.b1 * at(x, n, 1)
                                       : (c.b1 * at(x, n, 1) + c.b0 * x[n]) + c.b2 * at(x, n, 2);
        y[n] = feedForward - c.a1 * at(y, n, 1) - c.a2 * at(y, n, 2);
    }
    return y;
}

inline std::vector<double> DirectHighPass(const HighPassCoefficients& c,
                                          const std::vector<double>& x, Grouping grouping) {
    return DirectHighPass(c, c, x.size(), x, grouping);
}

// The effect's output for one channel: the wet branch's sample added onto the
// running sum that the dry branch started from +0.0.
inline std::vector<double> DryWetMix(const std::vector<double>& x, const std::vector<double>& hp,
                                     double dryGain, double wetGain) {
    std::vector<double> out(x.size());
    for (size_t n = 0; n < x.size(); ++n) out[n] = hp[n] * wetGain + (x[n] * dryGain + 0.0);
    return out;
}
