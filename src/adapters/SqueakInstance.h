// The Squeak effect in a plug-in instance: the effect's own settings record
// and sample loop, its parameters taken live.
//
// Live changes: the levels ramp (the dry level and each channel's squeak
// phase gain, inversion included); a new rate takes effect at its channel's
// next phase change, so the phase under way keeps its length. While nothing
// moves, the effect's own loop runs, sample for sample the library's.
#pragma once

#include <array>

#include "adapters/PluginInstance.h"
#include "effects/squeak/SqueakSettings.h"

class SqueakInstance final : public PluginInstance {
  public:
    SqueakInstance(const PluginDescription& plugin, uint32_t sampleRate)
        : PluginInstance(plugin, sampleRate) {}

  private:
    // Phases and positions back to a fresh load's.
    void Restart() override;
    // New values and periods; the phases and positions carry on.
    void Retune(const uint32_t* stored, bool atOnce) override;
    void Process(const StreamBuffer& block) override;
    // While a level ramps or a new period waits for its phase change.
    void ProcessMoving(const StreamBuffer& block);

    // Per channel, what the loop reads and advances of the record.
    struct Channel {
        uint32_t& period;
        uint32_t& position;
        uint32_t& dryPhase;
    };
    Channel ChannelOf(size_t c);

    SqueakSettings settings_;
    Ramp dryGain_;
    std::array<Ramp, 2> squeakGain_;  // per channel: sign × depth + dry level
    std::array<uint32_t, 2> nextPeriod_{};
    std::array<bool, 2> periodWaits_{};
    alignas(64) double dryGains_[kBlockLength];
    alignas(64) double squeakGains_[2][kBlockLength];
};
