// The per-channel block passes of the processing nodes. A channel array that
// is null is skipped, so a pass touches a channel only where every array it
// involves is present.
//
// On x86 the passes are written out in SSE2, two samples to a register and
// four to a step, with unaligned loads and stores (a host's arrays need only
// be 8-byte aligned). Packed arithmetic rounds each lane exactly as the
// scalar operation does, so the samples are the same as from plain loops.
// Copies are loops too rather than memcpy: the 32-bit DLLs take memcpy from
// the system's C runtime, which may copy a word at a time.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace sample_loops {

// Calls pair(i) for i = 0, 2, 4, ... while two samples remain, then one(i)
// for a last odd sample.
template <typename Pair, typename One>
inline void ForEachSample(uint32_t count, Pair pair, One one) {
    uint32_t i = 0;
    for (; i + 4 <= count; i += 4) {
        pair(i);
        pair(i + 2);
    }
    if (i + 2 <= count) {
        pair(i);
        i += 2;
    }
    if (i < count) one(i);
}

}  // namespace sample_loops

#if defined(__SSE2__)

inline void CopySamples(const double* from, double* to, uint32_t count) {
    if (!from || !to) return;
    sample_loops::ForEachSample(
        count, [=](uint32_t i) { _mm_storeu_pd(to + i, _mm_loadu_pd(from + i)); },
        [=](uint32_t i) { to[i] = from[i]; });
}

inline void ZeroSamples(double* samples, uint32_t count) {
    if (!samples) return;
    const __m128d zero = _mm_setzero_pd();
    sample_loops::ForEachSample(
        count, [=](uint32_t i) { _mm_storeu_pd(samples + i, zero); },
        [=](uint32_t i) { samples[i] = 0.0; });
}

inline void ScaleSamples(double* samples, uint32_t count, double gain) {
    if (!samples) return;
    const __m128d g = _mm_set1_pd(gain);
    sample_loops::ForEachSample(
        count,
        [=](uint32_t i) { _mm_storeu_pd(samples + i, _mm_mul_pd(_mm_loadu_pd(samples + i), g)); },
        [=](uint32_t i) { samples[i] *= gain; });
}

// sum[i] = added[i] + runningSum[i], in that operand order; `sum` may be
// `runningSum` itself.
inline void AddSamples(const double* added, const double* runningSum, double* sum, uint32_t count) {
    if (!added || !runningSum || !sum) return;
    sample_loops::ForEachSample(
        count,
        [=](uint32_t i) {
            _mm_storeu_pd(sum + i,
                          _mm_add_pd(_mm_loadu_pd(added + i), _mm_loadu_pd(runningSum + i)));
        },
        [=](uint32_t i) { sum[i] = added[i] + runningSum[i]; });
}

// sum[i] = added[i] + 0.0: the first addition onto a running sum that starts
// at +0.0, in one pass. (Not a copy: a -0.0 sample becomes +0.0.)
inline void AddToZero(const double* added, double* sum, uint32_t count) {
    if (!added || !sum) return;
    const __m128d zero = _mm_setzero_pd();
    sample_loops::ForEachSample(
        count,
        [=](uint32_t i) { _mm_storeu_pd(sum + i, _mm_add_pd(_mm_loadu_pd(added + i), zero)); },
        [=](uint32_t i) { sum[i] = added[i] + 0.0; });
}

#else

inline void CopySamples(const double* from, double* to, uint32_t count) {
    if (!from || !to) return;
    for (uint32_t i = 0; i < count; ++i) to[i] = from[i];
}

inline void ZeroSamples(double* samples, uint32_t count) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] = 0.0;
}

inline void ScaleSamples(double* samples, uint32_t count, double gain) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] *= gain;
}

inline void AddSamples(const double* added, const double* runningSum, double* sum, uint32_t count) {
    if (!added || !runningSum || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + runningSum[i];
}

inline void AddToZero(const double* added, double* sum, uint32_t count) {
    if (!added || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + 0.0;
}

#endif
