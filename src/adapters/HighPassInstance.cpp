#include "adapters/HighPassInstance.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "effects/SampleLoops.h"
#include "effects/highpass/HighPassDesign.h"
#include "effects/highpass/HighPassEffect.h"
#include "effects/highpass/HighPassParameters.h"

namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kSilenceRatio = 0.45454545454545453;  // the node's limit: 5/11 of the rate

using P = HighPassParameter;

}  // namespace

bool HighPassInstance::Filters(uint32_t sampleRate) {
    return sampleRate <= INT32_MAX;
}

HighPassInstance::HighPassInstance(const PluginDescription& plugin, uint32_t sampleRate)
    : PluginInstance(plugin, sampleRate),
      format_{0, static_cast<uint16_t>(plugin.channels), sampleRate},
      silenceLimit_(static_cast<double>(static_cast<int32_t>(sampleRate)) * kSilenceRatio),
      glideCeiling_(std::log(std::max(silenceLimit_, 1.0))),
      cutoff_(static_cast<int32_t>(kHighPassParameters[P::kCutOffFreq].defaultValue)),
      logCutoff_(std::min(std::log(static_cast<double>(cutoff_)), glideCeiling_)) {
    filterNode_.cutoff = cutoff_;
    filterNode_.SetFormat(format_);
}

void HighPassInstance::Restart() {
    filterNode_.SetFormat(format_);
}

void HighPassInstance::Retune(const uint32_t* stored, bool atOnce) {
    dryNode_.gain = HighPassEffect::GainOf(stored[P::kDryOut]);
    wetNode_.gain = HighPassEffect::GainOf(stored[P::kVolume2]);
    const auto cutoff = static_cast<int32_t>(stored[P::kCutOffFreq]);
    const double heardWet = Silent(cutoff) ? 0.0 : wetNode_.gain;
    const double logCutoff = std::min(std::log(static_cast<double>(cutoff)), glideCeiling_);
    if (atOnce) {
        dryGain_.Set(dryNode_.gain);
        wetGain_.Set(heardWet);
        cutoff_ = cutoff;
        logCutoff_ = logCutoff;
        glideLeft_ = 0;
        Settle();
        return;
    }
    dryGain_.Head(dryNode_.gain, rampLength_);
    wetGain_.Head(heardWet, rampLength_);
    if (cutoff != cutoff_) {
        cutoff_ = cutoff;
        glideLeft_ = rampLength_;
        glideStep_ = (logCutoff - logCutoff_) / rampLength_;
    }
}

void HighPassInstance::Settle() {
    if (filterNode_.cutoff == cutoff_) return;
    // A silent cutoff needs no design (one above half the rate has none).
    if (Silent(cutoff_)) {
        filterNode_.cutoff = cutoff_;
    } else {
        filterNode_.Retune(cutoff_);
    }
}

void HighPassInstance::Process(const StreamBuffer& block) {
    if (dryGain_.Moving() || wetGain_.Moving() || glideLeft_ != 0) {
        ProcessMoving(block);
    } else {
        Settle();
        const uint32_t count = block.count;
        const StreamBuffer wet{count, wet_[0], block.right ? wet_[1] : nullptr};
        CopySamples(block.left, wet.left, count);
        CopySamples(block.right, wet.right, count);
        dryNode_.Apply(block);
        filterNode_.Apply(wet);
        wetNode_.Apply(wet);
        AddToZero(block.left, block.left, count);
        AddToZero(block.right, block.right, count);
        AddSamples(wet.left, block.left, block.left, count);
        AddSamples(wet.right, block.right, block.right, count);
    }
    filterNode_.ForgetNonFinite();
}

void HighPassInstance::Glide(uint32_t count) {
    glideLeft_ -= count;
    logCutoff_ += glideStep_ * count;
    if (glideLeft_ == 0) {
        logCutoff_ = std::min(std::log(static_cast<double>(cutoff_)), glideCeiling_);
        if (!Silent(cutoff_)) {
            filterNode_.Retune(cutoff_);
            return;
        }
    }
    // The intermediate designs need not be exact: the tangent of the C
    // library, a fraction of the exact one's time.
    filterNode_.cutoff = 0;  // filtered whatever the cutoff heads for
    filterNode_.SetCoefficients(
        DesignFromTangent(std::tan(kPi * std::exp(logCutoff_) / sampleRate_)));
}

void HighPassInstance::ProcessMoving(const StreamBuffer& block) {
    const uint32_t count = block.count;
    CopySamples(block.left, wet_[0], count);
    CopySamples(block.right, wet_[1], count);
    for (uint32_t done = 0; done < count;) {
        uint32_t segment = std::min(count - done, kGlideSegment);
        if (glideLeft_ != 0) {
            segment = std::min(segment, glideLeft_);
            Glide(segment);
        }
        filterNode_.Apply({segment, wet_[0] + done, block.right ? wet_[1] + done : nullptr});
        done += segment;
    }
    // The mixer's sum at each sample's own gains.
    for (uint32_t i = 0; i < count; ++i) {
        const double dry = dryGain_.Next(), wet = wetGain_.Next();
        block.left[i] = wet_[0][i] * wet + (block.left[i] * dry + 0.0);
        if (block.right) block.right[i] = wet_[1][i] * wet + (block.right[i] * dry + 0.0);
    }
}
