#include "plughost/LevelMeter.h"

#include <algorithm>
#include <cfloat>
#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void LevelMeter::Measure(const double* samples, uint32_t count) {
    uint32_t i = 0;
#if defined(__SSE2__)
    // Four samples a step in two independent pairs. maxpd keeps its second
    // operand when the first is not a number, as the scalar loop below does;
    // cmpnlepd is all ones (-1) for a magnitude above 1 (above the largest
    // double) or not a number.
    const __m128d sign = _mm_set1_pd(-0.0);
    const __m128d one = _mm_set1_pd(1.0);
    const __m128d largest = _mm_set1_pd(DBL_MAX);
    __m128d peakA = _mm_setzero_pd(), peakB = _mm_setzero_pd();
    __m128i beyond = _mm_setzero_si128(), infinite = _mm_setzero_si128();
    for (; i + 4 <= count; i += 4) {
        const __m128d a = _mm_andnot_pd(sign, _mm_loadu_pd(samples + i));
        const __m128d b = _mm_andnot_pd(sign, _mm_loadu_pd(samples + i + 2));
        peakA = _mm_max_pd(a, peakA);
        peakB = _mm_max_pd(b, peakB);
        beyond = _mm_sub_epi64(beyond, _mm_castpd_si128(_mm_cmpnle_pd(a, one)));
        beyond = _mm_sub_epi64(beyond, _mm_castpd_si128(_mm_cmpnle_pd(b, one)));
        infinite = _mm_sub_epi64(infinite, _mm_castpd_si128(_mm_cmpnle_pd(a, largest)));
        infinite = _mm_sub_epi64(infinite, _mm_castpd_si128(_mm_cmpnle_pd(b, largest)));
    }
    alignas(16) double peaks[4];
    alignas(16) uint64_t counts[2], notFinite[2];
    _mm_store_pd(peaks, peakA);
    _mm_store_pd(peaks + 2, peakB);
    _mm_store_si128(reinterpret_cast<__m128i*>(counts), beyond);
    _mm_store_si128(reinterpret_cast<__m128i*>(notFinite), infinite);
    for (double peak : peaks) peak_ = peak_ < peak ? peak : peak_;
    beyondFullScale_ += counts[0] + counts[1];
    notFinite_ += notFinite[0] + notFinite[1];
#endif
    for (; i < count; ++i) {
        const double magnitude = std::fabs(samples[i]);
        peak_ = peak_ < magnitude ? magnitude : peak_;
        beyondFullScale_ += !(magnitude <= 1.0);
        notFinite_ += !(magnitude <= DBL_MAX);
    }
}

uint32_t FirstNotFinite(const double* samples, uint32_t count) {
    return static_cast<uint32_t>(
        std::find_if(samples, samples + count, [](double x) { return !std::isfinite(x); }) -
        samples);
}

void LevelMeter::MeasureShorts(const int16_t* samples, size_t count) {
    int low = 0, high = 0;
    size_t i = 0;
#if defined(__SSE2__)
    __m128i lows = _mm_setzero_si128(), highs = _mm_setzero_si128();
    for (; i + 8 <= count; i += 8) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(samples + i));
        lows = _mm_min_epi16(lows, x);
        highs = _mm_max_epi16(highs, x);
    }
    alignas(16) int16_t lowest[8], highest[8];
    _mm_store_si128(reinterpret_cast<__m128i*>(lowest), lows);
    _mm_store_si128(reinterpret_cast<__m128i*>(highest), highs);
    for (int k = 0; k < 8; ++k) {
        low = std::min<int>(low, lowest[k]);
        high = std::max<int>(high, highest[k]);
    }
#endif
    for (; i < count; ++i) {
        low = std::min<int>(low, samples[i]);
        high = std::max<int>(high, samples[i]);
    }
    const double peak = std::max(-low, high) * (1.0 / 32768);
    peak_ = peak_ < peak ? peak : peak_;
}
