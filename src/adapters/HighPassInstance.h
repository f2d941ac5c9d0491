// The high-pass effect in a plug-in instance: dry gain × input + wet gain ×
// high-pass(input), from the effect's own gain and filter nodes and its mix
// loops. The effect graph's mixer and fan-out are left out: they re-make
// their arrays whenever the block length changes, which a host's run() must
// not do; the sum is formed in the mixer's order (dry branch onto +0.0, the
// wet branch added), so every sample is the one the graph gives.
#pragma once

#include "adapters/PluginInstance.h"
#include "effects/highpass/GainNode.h"
#include "effects/highpass/HighPassNode.h"

class HighPassInstance final : public PluginInstance {
  public:
    HighPassInstance(const PluginDescription& plugin, uint32_t sampleRate);

  private:
    void Restart() override;
    // Gains at once; a new cutoff redesigns the filter, its history kept.
    void Retune(const uint32_t* stored) override;
    void Process(const StreamBuffer& block) override;

    StreamFormat format_;
    GainNode dryNode_;
    GainNode wetNode_;
    HighPassNode filterNode_;
    alignas(64) double wet_[2][kBlockLength];
};
