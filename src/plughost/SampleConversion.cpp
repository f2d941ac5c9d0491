#include "plughost/SampleConversion.h"

#include <cmath>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

void ShortsToDoubles(const int16_t* in, uint32_t frames, int channels, double* left,
                     double* right) {
    uint32_t i = 0;
    if (channels == 1 || !right) {
        for (; i < frames; ++i) left[i] = ShortToDouble(in[channels * i]);
        return;
    }
#if defined(__SSE2__)
    // Four frames a step: sign-extended to 32 bits, lefts and rights
    // gathered into the two halves, converted (exactly) and scaled by 2^-15.
    const __m128d scale = _mm_set1_pd(1.0 / 32768);
    for (; i + 4 <= frames; i += 4) {
        const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(in + 2 * i));
        const __m128i first = _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16),
                                                _MM_SHUFFLE(3, 1, 2, 0));
        const __m128i second = _mm_shuffle_epi32(_mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16),
                                                 _MM_SHUFFLE(3, 1, 2, 0));
        _mm_storeu_pd(left + i, _mm_mul_pd(_mm_cvtepi32_pd(first), scale));
        _mm_storeu_pd(left + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(second), scale));
        _mm_storeu_pd(right + i, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(first, 8)), scale));
        _mm_storeu_pd(right + i + 2, _mm_mul_pd(_mm_cvtepi32_pd(_mm_srli_si128(second, 8)), scale));
    }
#endif
    for (; i < frames; ++i) {
        left[i] = ShortToDouble(in[2 * i]);
        right[i] = ShortToDouble(in[2 * i + 1]);
    }
}

void DoublesToShorts(const double* in, uint32_t count, int16_t* out, int stride) {
    constexpr double kScale = 2147483648.0;
    constexpr double kTop = 2147483647.0;
    uint32_t i = 0;
#if defined(__SSE2__)
    // minpd keeps its second operand, the scaled sample, when that is not a
    // number; cvtpd2dq rounds as lrint does and turns what it cannot hold
    // (below -2^31, not a number) into -2^31.
    const __m128d scale = _mm_set1_pd(kScale), top = _mm_set1_pd(kTop);
    for (; i + 4 <= count; i += 4) {
        const __m128i a = _mm_cvtpd_epi32(_mm_min_pd(top, _mm_mul_pd(_mm_loadu_pd(in + i), scale)));
        const __m128i b =
            _mm_cvtpd_epi32(_mm_min_pd(top, _mm_mul_pd(_mm_loadu_pd(in + i + 2), scale)));
        alignas(16) int32_t words[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(words),
                        _mm_srai_epi32(_mm_unpacklo_epi64(a, b), 16));
        for (int k = 0; k < 4; ++k) out[(i + k) * stride] = static_cast<int16_t>(words[k]);
    }
#endif
    for (; i < count; ++i) {
        const double scaled = in[i] * kScale;
        const int32_t word = scaled >= kTop        ? INT32_MAX
                             : !(scaled > -kScale) ? INT32_MIN
                                                   : static_cast<int32_t>(std::lrint(scaled));
        out[i * stride] = static_cast<int16_t>(word >> 16);
    }
}
