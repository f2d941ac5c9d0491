#include "effects/highpass/HighPassNode.h"

#include "effects/highpass/SampleLoops.h"

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
