#include "effects/squeak/SqueakProcess.h"

#include <algorithm>

#include "effects/SampleLoops.h"

namespace {

void Scale(double* samples, uint32_t begin, uint32_t end, double gain) {
    ScaleSamples(samples + begin, end - begin, gain);
}

// A channel flips between its dry and squeak phases at every sample i whose
// counter value (position + i, wrapping at 2^32) is a multiple of `period`.
// Rather than testing every sample, find the flips and scale the constant-gain
// runs between them: one division per stretch between counter wraps (at most
// two per call), and plain scaling loops in between.
void ProcessChannel(double* samples, uint32_t count, uint32_t period, uint32_t position,
                    uint32_t& dryPhase, double dryGain, double squeakGain) {
    if (period == 0) {
        Scale(samples, 0, count, squeakGain);
        return;
    }
    constexpr uint64_t kWrap = uint64_t{1} << 32;
    uint32_t phase = dryPhase;
    uint64_t i = 0;
    while (i < count) {
        const uint32_t value = position + static_cast<uint32_t>(i);
        const uint64_t stretchEnd = std::min<uint64_t>(count, i + (kWrap - value));
        const uint32_t remainder = value % period;
        uint64_t nextFlip = i + (remainder == 0 ? 0 : period - remainder);
        while (i < stretchEnd) {
            if (i == nextFlip) {
                phase ^= 1;
                nextFlip += period;
            }
            const uint64_t runEnd = std::min(nextFlip, stretchEnd);
            Scale(samples, static_cast<uint32_t>(i), static_cast<uint32_t>(runEnd),
                  phase == 1 ? dryGain : squeakGain);
            i = runEnd;
        }
    }
    dryPhase = phase;
}

// Sign times depth, then the dry level added: the gain of the squeak phase.
double SqueakGain(uint32_t invert, double depth, double dryGain) {
    return (invert != 0 ? -1.0 : 1.0) * depth + dryGain;
}

}  // namespace

void ProcessSqueak(const StreamBuffer& chunk, uint32_t count, SqueakSettings& s) {
    if (chunk.left) {
        ProcessChannel(chunk.left, count, s.periodLeft, s.positionLeft, s.dryPhaseLeft, s.dryGain,
                       SqueakGain(s.invertLeft, s.squeakLeft, s.dryGain));
    }
    if (chunk.right) {
        ProcessChannel(chunk.right, count, s.periodRight, s.positionRight, s.dryPhaseRight,
                       s.dryGain, SqueakGain(s.invertRight, s.squeakRight, s.dryGain));
    }
    // Only the counter modulo the period matters, so the counters grow by
    // less than one period per call; the right one advances without a right
    // channel too.
    if (s.periodLeft != 0) s.positionLeft += count % s.periodLeft;
    if (s.periodRight != 0) s.positionRight += count % s.periodRight;
}
