// The high-pass effect in a plug-in instance: dry gain × input + wet gain ×
// high-pass(input), from the effect's own gain and filter nodes and its mix
// loops. The effect graph's mixer and fan-out are left out: they re-make
// their arrays whenever the block length changes, which a host's run() must
// not do; the sum is formed in the mixer's order (dry branch onto +0.0, the
// wet branch added), so every sample is the one the graph gives.
//
// Live changes: the gains ramp; a new cutoff glides there in log frequency,
// the filter redesigned every kGlideSegment samples and designed exactly
// once the glide ends. A cutoff whose filtered sound is silent (above 5/11
// of the rate) fades the filtered sound out while the filter glides up to
// that limit. A NaN or an infinity in the filter's history, from input that
// had one, is cleared after the block it came in.
#pragma once

#include "adapters/PluginInstance.h"
#include "effects/highpass/GainNode.h"
#include "effects/highpass/HighPassNode.h"

class HighPassInstance final : public PluginInstance {
  public:
    // Samples between two designs of a glide.
    static constexpr uint32_t kGlideSegment = 16;

    // Whether the filter works at this rate: the silence limit takes the
    // rate as a signed 32-bit number.
    static bool Filters(uint32_t sampleRate);

    HighPassInstance(const PluginDescription& plugin, uint32_t sampleRate);

  private:
    void Restart() override;
    void Retune(const uint32_t* stored, bool atOnce) override;
    void Process(const StreamBuffer& block) override;
    // While a gain ramps or the cutoff glides.
    void ProcessMoving(const StreamBuffer& block);
    // Designs the filter for the next segment of a glide.
    void Glide(uint32_t count);
    // Whether the filtered sound is silent at this cutoff, as the node decides.
    bool Silent(int32_t cutoff) const { return !(silenceLimit_ >= static_cast<double>(cutoff)); }
    // The filter exactly at the cutoff heard, or its silence.
    void Settle();

    StreamFormat format_;
    GainNode dryNode_;
    GainNode wetNode_;
    HighPassNode filterNode_;
    const double silenceLimit_;
    const double glideCeiling_;  // log of the highest cutoff a glide reaches
    Ramp dryGain_;
    Ramp wetGain_;  // 0 while the filtered sound is silent
    int32_t cutoff_;
    double logCutoff_;  // where a glide is
    double glideStep_ = 0.0;
    uint32_t glideLeft_ = 0;
    alignas(64) double wet_[2][kBlockLength];
};
