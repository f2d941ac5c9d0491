// The per-channel block passes of the processing nodes. A channel array that
// is null is skipped, so a pass touches a channel only where every array it
// involves is present.
#pragma once

#include <cstdint>
#include <cstring>

inline void CopySamples(const double* from, double* to, uint32_t count) {
    if (from && to && count != 0) std::memcpy(to, from, count * sizeof(double));
}

inline void ZeroSamples(double* samples, uint32_t count) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] = 0.0;
}

inline void ScaleSamples(double* samples, uint32_t count, double gain) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] *= gain;
}

// sum[i] = added[i] + runningSum[i], in that operand order; `sum` may be
// `runningSum` itself.
inline void AddSamples(const double* added, const double* runningSum, double* sum, uint32_t count) {
    if (!added || !runningSum || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + runningSum[i];
}

// sum[i] = added[i] + 0.0: the first addition onto a running sum that starts
// at +0.0, in one pass. (Not a copy: a -0.0 sample becomes +0.0.)
inline void AddToZero(const double* added, double* sum, uint32_t count) {
    if (!added || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + 0.0;
}
