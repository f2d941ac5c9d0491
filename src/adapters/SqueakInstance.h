// The Squeak effect in a plug-in instance: the effect's own settings record
// and sample loop, its parameters taken live.
#pragma once

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
    void Retune(const uint32_t* stored) override;
    void Process(const StreamBuffer& block) override;

    SqueakSettings settings_;
};
