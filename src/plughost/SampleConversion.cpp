#include "plughost/SampleConversion.h"

#include <algorithm>
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

namespace {

// `x` scaled to a step of one, clipped to [low, high] and rounded to the
// nearest step, halves upwards as sox rounds; not a number is 0. The
// processor rounds halves to even: one it took down goes up again.
inline double Quantized(double x, double scale, double low, double high) {
    const double scaled = x * scale;
    if (scaled != scaled) return 0.0;
    const double clipped = std::clamp(scaled, low, high);
    const double rounded = std::nearbyint(clipped);
    return rounded - clipped == -0.5 ? rounded + 1 : rounded;
}

}  // namespace

void DoublesToShorts(const double* in, uint32_t count, int16_t* out, int stride) {
    constexpr double kScale = 32768.0, kLow = -32768.0, kHigh = 32767.0;
    uint32_t i = 0;
#if defined(__SSE2__)
    // As Quantized: not a number masked to 0, clipped (where rounding cannot
    // reach beyond the range), rounded as nearbyint does (cvtpd2dq), and a
    // half that went down put up.
    const __m128d scale = _mm_set1_pd(kScale), low = _mm_set1_pd(kLow), high = _mm_set1_pd(kHigh);
    const __m128d minusHalf = _mm_set1_pd(-0.5), one = _mm_set1_pd(1.0);
    const auto convert = [&](const double* x) {
        __m128d y = _mm_mul_pd(_mm_loadu_pd(x), scale);
        y = _mm_max_pd(_mm_min_pd(_mm_and_pd(y, _mm_cmpord_pd(y, y)), high), low);
        const __m128d rounded = _mm_cvtepi32_pd(_mm_cvtpd_epi32(y));
        const __m128d up = _mm_and_pd(_mm_cmpeq_pd(_mm_sub_pd(rounded, y), minusHalf), one);
        return _mm_cvttpd_epi32(_mm_add_pd(rounded, up));
    };
    for (; i + 4 <= count; i += 4) {
        alignas(16) int32_t words[4];
        _mm_store_si128(reinterpret_cast<__m128i*>(words),
                        _mm_unpacklo_epi64(convert(in + i), convert(in + i + 2)));
        for (int k = 0; k < 4; ++k) out[(i + k) * stride] = static_cast<int16_t>(words[k]);
    }
#endif
    for (; i < count; ++i)
        out[i * stride] = static_cast<int16_t>(Quantized(in[i], kScale, kLow, kHigh));
}

void DoublesToInts(const double* in, uint32_t count, int bits, int32_t* out, int stride) {
    const double scale = std::ldexp(1.0, bits - 1);
    const int shift = 32 - bits;
    for (uint32_t i = 0; i < count; ++i) {
        const auto word = static_cast<int64_t>(Quantized(in[i], scale, -scale, scale - 1));
        out[i * stride] = static_cast<int32_t>(static_cast<uint32_t>(word) << shift);
    }
}
