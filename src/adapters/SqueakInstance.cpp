#include "adapters/SqueakInstance.h"

#include <utility>

#include "effects/squeak/SqueakEffect.h"
#include "effects/squeak/SqueakProcess.h"

namespace {

// The gain of the squeak phase as the effect's loop forms it.
double SqueakGain(uint32_t invert, double depth, double dryGain) {
    return (invert != 0 ? -1.0 : 1.0) * depth + dryGain;
}

}  // namespace

void SqueakInstance::Restart() {
    settings_.dryPhaseLeft = settings_.dryPhaseRight = 0;
    settings_.positionLeft = settings_.positionRight = 0;
}

SqueakInstance::Channel SqueakInstance::ChannelOf(size_t c) {
    SqueakSettings& s = settings_;
    return c == 0 ? Channel{s.periodLeft, s.positionLeft, s.dryPhaseLeft}
                  : Channel{s.periodRight, s.positionRight, s.dryPhaseRight};
}

void SqueakInstance::Retune(const uint32_t* stored, bool atOnce) {
    const std::array<uint32_t, 2> periods{settings_.periodLeft, settings_.periodRight};
    SqueakStoredValues values{};
    for (size_t i = 0; i < values.size(); ++i) values[i] = stored[i];
    SqueakEffect::Retune(settings_, values, sampleRate_);
    const SqueakSettings& s = settings_;
    const std::array<double, 2> squeak{SqueakGain(s.invertLeft, s.squeakLeft, s.dryGain),
                                       SqueakGain(s.invertRight, s.squeakRight, s.dryGain)};
    if (atOnce) {
        dryGain_.Set(s.dryGain);
        for (size_t c = 0; c < 2; ++c) squeakGain_[c].Set(squeak[c]);
        periodWaits_ = {};
        return;
    }
    dryGain_.Head(s.dryGain, rampLength_);
    for (size_t c = 0; c < 2; ++c) {
        squeakGain_[c].Head(squeak[c], rampLength_);
        // A channel that switches keeps its period up to its next phase
        // change; one that does not switch takes the new one at once.
        Channel channel = ChannelOf(c);
        periodWaits_[c] = periods[c] != 0 && channel.period != periods[c];
        if (periodWaits_[c]) nextPeriod_[c] = std::exchange(channel.period, periods[c]);
    }
}

void SqueakInstance::Process(const StreamBuffer& block) {
    if (dryGain_.Moving() || squeakGain_[0].Moving() || squeakGain_[1].Moving() ||
        periodWaits_[0] || periodWaits_[1]) {
        ProcessMoving(block);
    } else {
        ProcessSqueak(block, block.count, settings_);
    }
}

// The effect's loop, one sample at a time: a channel flips its phase where
// its counter (position + i, wrapping) is a multiple of its period, and each
// sample is scaled by its phase's gain at that sample. A waiting period
// starts at the flip, counted from there.
void SqueakInstance::ProcessMoving(const StreamBuffer& block) {
    const uint32_t count = block.count;
    for (uint32_t i = 0; i < count; ++i) {
        dryGains_[i] = dryGain_.Next();
        squeakGains_[0][i] = squeakGain_[0].Next();
        squeakGains_[1][i] = squeakGain_[1].Next();
    }
    for (size_t c = 0; c < 2; ++c) {
        double* samples = c == 0 ? block.left : block.right;
        Channel channel = ChannelOf(c);
        for (uint32_t i = 0; i < count; ++i) {
            if (channel.period != 0 && (channel.position + i) % channel.period == 0) {
                if (samples) channel.dryPhase ^= 1;
                if (periodWaits_[c]) {
                    periodWaits_[c] = false;
                    channel.period = nextPeriod_[c];
                    channel.position =
                        channel.period == 0 ? 0 : channel.period - i % channel.period;
                }
            }
            if (!samples) continue;
            const bool dry = channel.period != 0 && channel.dryPhase == 1;
            samples[i] *= dry ? dryGains_[i] : squeakGains_[c][i];
        }
        if (channel.period != 0) channel.position += count % channel.period;
    }
}
