#include "effects/highpass/HighPassNode.h"

#include <cmath>

#include "effects/SampleLoops.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr double kSilenceRatio = 0.45454545454545453;  // the double nearest 5/11

// One step of the recursion; the two channels group the feed-forward terms
// differently, and each keeps its own grouping.
inline double LeftStep(const HighPassCoefficients& c, double x, HighPassNode::History& h) {
    const double y = ((c.b0 * x + c.b2 * h.x2) + c.b1 * h.x1) - c.a1 * h.y1 - c.a2 * h.y2;
    h.x2 = h.x1;
    h.x1 = x;
    h.y2 = h.y1;
    h.y1 = y;
    return y;
}

inline double RightStep(const HighPassCoefficients& c, double x, HighPassNode::History& h) {
    const double y = ((c.b1 * h.x1 + c.b0 * x) + c.b2 * h.x2) - c.a1 * h.y1 - c.a2 * h.y2;
    h.x2 = h.x1;
    h.x1 = x;
    h.y2 = h.y1;
    h.y1 = y;
    return y;
}

// The coefficients and histories live in locals for the loop.
template <auto Step>
void FilterChannel(double* samples, uint32_t count, const HighPassCoefficients& design,
                   HighPassNode::History& history) {
    const HighPassCoefficients c = design;
    HighPassNode::History h = history;
    for (uint32_t i = 0; i < count; ++i) samples[i] = Step(c, samples[i], h);
    history = h;
}

#if defined(__SSE2__)
// Both channels in one loop, left in the low lane of each SSE2 register and
// right in the high one. Packed double arithmetic rounds each lane exactly as
// the scalar operation would, and the feed-forward products are regrouped per
// lane (addition commutes exactly) so that each lane sums its own channel's
// terms in its own order:
//   left:  (b0·x + b2·x2) + b1·x1      right: (b1·x1 + b0·x) + b2·x2
//   lane:  ( first + second ) + third, with first = [b0·x, b1·x1],
//          second = [b2·x2, b0·x], third = [b1·x1, b2·x2].
// The state takes four registers for both channels, so it stays in the
// eight XMM registers of the 32-bit build (the coefficients are read from
// memory), where two scalar recursions side by side spill.
void FilterStereo(double* left, double* right, uint32_t count, const HighPassCoefficients& c,
                  HighPassNode::History& leftHistory, HighPassNode::History& rightHistory) {
    const __m128d b0 = _mm_set1_pd(c.b0), b1 = _mm_set1_pd(c.b1), b2 = _mm_set1_pd(c.b2);
    const __m128d a1 = _mm_set1_pd(c.a1), a2 = _mm_set1_pd(c.a2);
    __m128d x1 = _mm_set_pd(rightHistory.x1, leftHistory.x1);
    __m128d x2 = _mm_set_pd(rightHistory.x2, leftHistory.x2);
    __m128d y1 = _mm_set_pd(rightHistory.y1, leftHistory.y1);
    __m128d y2 = _mm_set_pd(rightHistory.y2, leftHistory.y2);
    for (uint32_t i = 0; i < count; ++i) {
        const __m128d x = _mm_loadh_pd(_mm_load_sd(left + i), right + i);
        const __m128d p0 = _mm_mul_pd(b0, x), p1 = _mm_mul_pd(b1, x1), p2 = _mm_mul_pd(b2, x2);
        // _mm_move_sd(a, b) = [b low, a high].
        const __m128d first = _mm_move_sd(p1, p0);
        const __m128d second = _mm_move_sd(p0, p2);
        const __m128d third = _mm_move_sd(p2, p1);
        const __m128d feedForward = _mm_add_pd(_mm_add_pd(first, second), third);
        const __m128d y =
            _mm_sub_pd(_mm_sub_pd(feedForward, _mm_mul_pd(a1, y1)), _mm_mul_pd(a2, y2));
        x2 = x1;
        x1 = x;
        y2 = y1;
        y1 = y;
        _mm_storel_pd(left + i, y);
        _mm_storeh_pd(right + i, y);
    }
    _mm_storel_pd(&leftHistory.x1, x1);
    _mm_storeh_pd(&rightHistory.x1, x1);
    _mm_storel_pd(&leftHistory.x2, x2);
    _mm_storeh_pd(&rightHistory.x2, x2);
    _mm_storel_pd(&leftHistory.y1, y1);
    _mm_storeh_pd(&rightHistory.y1, y1);
    _mm_storel_pd(&leftHistory.y2, y2);
    _mm_storeh_pd(&rightHistory.y2, y2);
}
#else
// Both channels in one loop: two independent recursions side by side, each
// sample getting exactly the value its own channel's loop would give it.
void FilterStereo(double* left, double* right, uint32_t count, const HighPassCoefficients& design,
                  HighPassNode::History& leftHistory, HighPassNode::History& rightHistory) {
    const HighPassCoefficients c = design;
    HighPassNode::History l = leftHistory;
    HighPassNode::History r = rightHistory;
    for (uint32_t i = 0; i < count; ++i) {
        left[i] = LeftStep(c, left[i], l);
        right[i] = RightStep(c, right[i], r);
    }
    leftHistory = l;
    rightHistory = r;
}
#endif

}  // namespace

void HighPassNode::SetFormat(const StreamFormat& format) {
    ProcessingNode::SetFormat(format);
    coefficients_ = DesignHighPass(cutoff, format.sampleRate);
    leftHistory_ = {};
    rightHistory_ = {};
}

void HighPassNode::Retune(int32_t newCutoff) {
    cutoff = newCutoff;
    coefficients_ = DesignHighPass(cutoff, sampleRate_);
}

void HighPassNode::ForgetNonFinite() {
    const auto finite = [](const History& h) {
        return std::isfinite(h.x1) && std::isfinite(h.x2) && std::isfinite(h.y1) &&
               std::isfinite(h.y2);
    };
    if (finite(leftHistory_) && finite(rightHistory_)) return;
    leftHistory_ = {};
    rightHistory_ = {};
}

int32_t HighPassNode::Apply(StreamBuffer buffer) {
    const double limit = static_cast<double>(static_cast<int32_t>(sampleRate_)) * kSilenceRatio;
    if (!(limit >= static_cast<double>(cutoff))) {
        ZeroSamples(buffer.left, buffer.count);
        ZeroSamples(buffer.right, buffer.count);
        return 1;
    }
    if (buffer.left && buffer.right) {
        FilterStereo(buffer.left, buffer.right, buffer.count, coefficients_, leftHistory_,
                     rightHistory_);
    } else if (buffer.left) {
        FilterChannel<LeftStep>(buffer.left, buffer.count, coefficients_, leftHistory_);
    } else if (buffer.right) {
        FilterChannel<RightStep>(buffer.right, buffer.count, coefficients_, rightHistory_);
    }
    return 1;
}
