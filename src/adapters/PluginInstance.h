// One plug-in instance as LV2 and LADSPA hosts drive it: ports connected by
// index, the controls read at the start of every run, and the audio, 32-bit
// floats, converted to doubles on the way in and rounded once on the way out.
// The effect's own code does the work, block by block, in place.
//
// A control that a host changes moves to its new value over a short ramp
// (about 15 ms) instead of jumping; with every control held, the samples are
// those of the effect's library. The LV2 plug-ins' bypass switch fades to
// the unprocessed input over the same ramp, and back.
#pragma once

#include <array>
#include <cstdint>

#include "adapters/Catalog.h"
#include "adapters/Ramp.h"
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
    // first phase, the controls taken at once by the next run.
    void Activate() noexcept;
    // Any number of frames, 0 included; inputs and outputs may be the same
    // buffers. Controls that changed since the last run start their ramps at
    // its first frame, the stream carrying on. Runs with flush-to-zero;
    // allocates nothing, takes no lock.
    void Run(uint32_t frames) noexcept;

  protected:
    PluginInstance(const PluginDescription& plugin, uint32_t sampleRate);

    // The effect's side. Retune gets the stored value of every control, in
    // names-table order, with `atOnce` on the first run after activation
    // (there is no sound yet to smooth); Process a block of 1 ..
    // kBlockLength frames, the right channel null for a mono plug-in.
    virtual void Restart() = 0;
    virtual void Retune(const uint32_t* stored, bool atOnce) = 0;
    virtual void Process(const StreamBuffer& block) = 0;

    const PluginDescription& plugin_;
    const uint32_t sampleRate_;
    // Samples over which a change is smoothed: 1/64 s.
    const uint32_t rampLength_;

  private:
    void ReadControls();
    // Rounds the processed block into the outputs, faded with the input as
    // far as the plug-in is bypassed.
    void WriteOutputs(uint32_t done, uint32_t count);

    std::array<const float*, 2> inputs_{};
    std::array<float*, 2> outputs_{};
    std::array<const float*, kMaxControls> controls_{};
    const float* enabled_ = nullptr;
    std::array<uint32_t, kMaxControls> stored_{};
    bool fresh_ = true;
    Ramp processed_;  // 1 while enabled, 0 while bypassed
    alignas(64) double samples_[2][kBlockLength];
    alignas(64) double fade_[kBlockLength];
};
