#include "effects/SampleLoops.h"

#include <cstring>

// The DLLs' copy loop, and that of the build standing in for them.
#if (defined(_WIN32) || defined(PLUGINS_SSE2_ONLY)) && defined(__SSE2__)
#define SSE2_COPY
#include <emmintrin.h>
#endif

// The passes are plain loops that the compiler vectorises. An x86-64 build
// may assume no more than SSE2; where the loader resolves indirect functions
// (ELF), each pass also comes as an AVX2 clone, picked once at load time,
// which moves twice the samples per instruction (not in the build that
// stands in for the 32-bit DLL's code, PLUGINS_DLL_STAND_IN). Vector
// arithmetic rounds every lane exactly as the scalar operation does, so
// whichever runs, every sample is the same.
#if defined(__x86_64__) && defined(__ELF__) && !defined(PLUGINS_SSE2_ONLY)
#define SAMPLE_PASS __attribute__((target_clones("avx2", "default")))
#else
#define SAMPLE_PASS
#endif

void CopySamples(const double* from, double* to, uint32_t count) {
    if (!from || !to || count == 0) return;
#ifdef SSE2_COPY
    // Not memcpy: the DLLs would take it from the system's msvcrt.dll, whose
    // speed varies between systems and versions.
    uint32_t i = 0;
    for (; i + 2 <= count; i += 2) _mm_storeu_pd(to + i, _mm_loadu_pd(from + i));
    if (i < count) to[i] = from[i];
#else
    std::memcpy(to, from, count * sizeof(double));
#endif
}

SAMPLE_PASS void ZeroSamples(double* samples, uint32_t count) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] = 0.0;
}

SAMPLE_PASS void ScaleSamples(double* samples, uint32_t count, double gain) {
    if (!samples) return;
    for (uint32_t i = 0; i < count; ++i) samples[i] *= gain;
}

SAMPLE_PASS void AddSamples(const double* added, const double* runningSum, double* sum,
                            uint32_t count) {
    if (!added || !runningSum || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + runningSum[i];
}

SAMPLE_PASS void AddToZero(const double* added, double* sum, uint32_t count) {
    if (!added || !sum) return;
    for (uint32_t i = 0; i < count; ++i) sum[i] = added[i] + 0.0;
}
