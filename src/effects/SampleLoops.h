// Per-channel block passes over sample arrays: the high-pass effect's node
// passes and Squeak's constant-gain runs. A channel array that is null is
// skipped, so a pass touches a channel only where every array it involves is
// present.
#pragma once

#include <cstdint>

void CopySamples(const double* from, double* to, uint32_t count);

void ZeroSamples(double* samples, uint32_t count);

void ScaleSamples(double* samples, uint32_t count, double gain);

// sum[i] = added[i] + runningSum[i], in that operand order; `sum` may be
// `runningSum` itself.
void AddSamples(const double* added, const double* runningSum, double* sum, uint32_t count);

// sum[i] = added[i] + 0.0: the first addition onto a running sum that starts
// at +0.0, in one pass. (Not a copy: a -0.0 sample becomes +0.0.)
void AddToZero(const double* added, double* sum, uint32_t count);
