// One plug-in instance as LV2 and LADSPA hosts drive it: ports connected by
// index, the controls read at the start of every run, and the audio, 32-bit
// floats, converted to doubles on the way in and rounded once on the way out.
// The effect's own code does the work, block by block, in place.
#pragma once

#include <array>
#include <cstdint>

#include "adapters/Catalog.h"
#include "host/HostContract.h"

class PluginInstance {
  public:
    // Frames the effect is given at a time.
    static constexpr uint32_t kBlockLength = 512;

    virtual ~PluginInstance() = default;
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    void ConnectPort(uint32_t port, float* data) noexcept;
    // Starts the stream afresh: no filter history, the modulation at its
    // first phase.
    void Activate() noexcept { Restart(); }
    // Any number of frames, 0 included; inputs and outputs may be the same
    // buffers. Controls that changed since the last run take effect at its
    // first frame, the stream carrying on. Allocates nothing, takes no lock.
    void Run(uint32_t frames) noexcept;

  protected:
    PluginInstance(const PluginDescription& plugin, uint32_t sampleRate)
        : plugin_(plugin), sampleRate_(sampleRate) {}

    // The effect's side. Retune gets the stored value of every control, in
    // names-table order; Process a block of 1 .. kBlockLength frames, the
    // right channel null for a mono plug-in.
    virtual void Restart() = 0;
    virtual void Retune(const uint32_t* stored) = 0;
    virtual void Process(const StreamBuffer& block) = 0;

    const PluginDescription& plugin_;
    const uint32_t sampleRate_;

  private:
    void ReadControls();

    std::array<const float*, 2> inputs_{};
    std::array<float*, 2> outputs_{};
    std::array<const float*, kMaxControls> controls_{};
    std::array<uint32_t, kMaxControls> stored_{};
    bool tuned_ = false;
    alignas(64) double samples_[2][kBlockLength];
};
